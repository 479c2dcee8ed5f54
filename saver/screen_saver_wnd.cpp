// The saver window's framework base: creation, erasing, painting and the palette messages.
#include "saver/screen_saver_wnd.h"

#include "saver/closing_rules.h"

CScreenSaverWnd* currentSaverWnd = nullptr;

IMPLEMENT_DYNAMIC(CScreenSaverWnd, CWnd)

BEGIN_MESSAGE_MAP(CScreenSaverWnd, CWnd)
    ON_WM_CREATE()            // int OnCreate(LPCREATESTRUCT)
    ON_WM_ERASEBKGND()        // BOOL OnEraseBkgnd(CDC*)
    ON_WM_PAINT()             // void OnPaint()
    ON_WM_PALETTECHANGED()    // void OnPaletteChanged(CWnd*)
    ON_WM_QUERYNEWPALETTE()   // BOOL OnQueryNewPalette()
END_MESSAGE_MAP()

CScreenSaverWnd::CScreenSaverWnd() : m_bAutoBlack(TRUE), m_pPalette(nullptr)
{
    currentSaverWnd = this;
}

CScreenSaverWnd::~CScreenSaverWnd()
{
    if (currentSaverWnd == this) currentSaverWnd = nullptr;
}

LRESULT CScreenSaverWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CScreenSaverWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SaverDefaultProc(m_hWnd, message, wParam, lParam);
}

// A scene that cannot be built leaves the window up, still and black; only the default
// handling can refuse the creation.
int CScreenSaverWnd::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1) return -1;
    LoadSettings();
    InitScene();
    return 0;
}

BOOL CScreenSaverWnd::OnEraseBkgnd(CDC* pDC)
{
    if (m_bAutoBlack) {
        RECT client;
        GetClientRect(&client);
        pDC->FillSolidRect(&client, RGB(0, 0, 0));
    }
    return TRUE;
}

void CScreenSaverWnd::OnPaint()
{
    CPaintDC dc(this);
    if (m_pPalette) {
        dc.SelectPalette(m_pPalette, FALSE);
        dc.RealizePalette();
    }
    Draw(&dc);
}

void CScreenSaverWnd::OnPaletteChanged(CWnd* pFocusWnd)
{
    if (pFocusWnd != this) OnQueryNewPalette();
}

BOOL CScreenSaverWnd::OnQueryNewPalette()
{
    if (!m_pPalette) return FALSE;
    CClientDC dc(this);
    dc.SelectPalette(m_pPalette, FALSE);
    dc.RealizePalette();
    return TRUE;
}
