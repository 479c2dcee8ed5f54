// Device contexts for the scene's painting: CPaintDC runs the paint protocol around a
// handler, CClientDC lends the client area, and a plain CDC wraps a context that the system
// handed over with a message, without owning it.
#pragma once

#include <windows.h>

class CWnd;

// A palette handle; the object does not own it.
class CPalette {
public:
    explicit CPalette(HPALETTE hPalette = nullptr) : m_hObject(hPalette) {}
    HPALETTE m_hObject;
};

class CDC {
public:
    explicit CDC(HDC hDC = nullptr) : m_hDC(hDC) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    // Answers the palette selected before, valid while this object lives.
    CPalette* SelectPalette(CPalette* pPalette, BOOL bForceBackground);
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);

    HDC m_hDC;

private:
    CPalette m_previousPalette;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC();

private:
    HWND m_hWnd;
};
