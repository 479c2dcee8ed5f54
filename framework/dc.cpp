// The device contexts' operations: palette selection, solid fills, and the paint and
// client contexts that give their handles back when they go.
#include "framework/dc.h"

#include "framework/wnd.h"

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground)
{
    m_previousPalette.m_hObject = ::SelectPalette(m_hDC, pPalette->m_hObject, bForceBackground);
    return &m_previousPalette;
}

// An opaque empty text fills with the background colour, which is put back afterwards.
void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    const COLORREF previous = ::SetBkColor(m_hDC, clr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, previous);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    const RECT rect = {x, y, x + cx, y + cy};
    FillSolidRect(&rect, clr);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::GetDC(m_hWnd); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, m_hDC); }
