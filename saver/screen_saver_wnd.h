// The framework base of the saver window: erases to black until told otherwise, paints
// through the Draw hook, and builds the scene from its creation through the LoadSettings
// and InitScene hooks. Its one live object is published in currentSaverWnd for the host's
// plain procedures and the settings dialog.
#pragma once

#include "framework/afx.h"

class CScreenSaverWnd : public CWnd {
    DECLARE_DYNAMIC(CScreenSaverWnd)
public:
    CScreenSaverWnd();
    ~CScreenSaverWnd() override;

    // The hooks, in this order; each does nothing here.
    virtual void Draw(CDC*) {}
    virtual void InitScene() {}
    virtual void SaveSettings() {}
    virtual void LoadSettings() {}

    // Passes straight on; kept so that an override in the scene chains to the saver's base
    // rather than past it to CWnd.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Every message no handler takes goes to the host's default handling.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetAutoBlack(BOOL bAutoBlack) { m_bAutoBlack = bAutoBlack; }

    BOOL m_bAutoBlack;
    CPalette* m_pPalette;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();
    void OnPaletteChanged(CWnd* pFocusWnd);
    BOOL OnQueryNewPalette();

    DECLARE_MESSAGE_MAP()
};

extern CScreenSaverWnd* currentSaverWnd;
