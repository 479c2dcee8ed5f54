// The scene's life: built once on creation, a drop tick every 10 ms, a frame every 50 ms,
// everything freed on destruction. Nothing that fails here is reported; the window stays
// up, still.
#include "ripple/scene_wnd.h"

#include <mmsystem.h>

#include <ctime>

#include "ripple/frame_bitmap.h"
#include "settings/store.h"

BEGIN_MESSAGE_MAP(CSceneWnd, CScreenSaverWnd)
    ON_WM_TIMER()     // void OnTimer(UINT_PTR nIDEvent)
    ON_WM_DESTROY()   // void OnDestroy()
    ON_MESSAGE(WM_DISPLAYCHANGE, OnDisplayChange)  // LRESULT OnDisplayChange(WPARAM, LPARAM)
END_MESSAGE_MAP()     // anything else: CScreenSaverWnd's map, then CWnd's, then DefWindowProc

CSceneWnd::CSceneWnd() : frameTimerId(0), effectTimerId(0)
{
}

CSceneWnd::~CSceneWnd() = default;

void CSceneWnd::LoadSettings()
{
    LoadSaverSettings(&settings);
}

void CSceneWnd::SaveSettings()
{
    SaveSaverSettings(settings);
}

bool CSceneWnd::IsChildWindow() const
{
    return (::GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
}

void CSceneWnd::StartTimers()
{
    if (frameTimerId == 0) frameTimerId = SetTimer(FRAME_TIMER, FRAME_PERIOD_MS, nullptr);
    if (effectTimerId == 0) effectTimerId = SetTimer(EFFECT_TIMER, EFFECT_PERIOD_MS, nullptr);
}

void CSceneWnd::InitScene()
{
    if (!m_hWnd) return;
    SeedRuntimeRandom(static_cast<uint32_t>(std::time(nullptr)));

    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    if (!LoadBackground(&picture, &clientWidth, &clientHeight)) {
        picture.Release();
        return;
    }
    const SceneState state = SetUpScene(this, clientWidth, clientHeight);
    // The one process-wide bitmap description held the snapshot's size until now; from
    // here on it describes the frame, which the 16-bit way to the screen relies on.
    SetFrameBitmapSize(frameWidth, frameHeight);
    // Only the full-screen window follows a change of the screens, so only it keeps the
    // picture at its own size.
    if (IsChildWindow()) picture.Release();
    if (state == SCENE_EMPTY) {
        picture.Release();
        return;
    }
    screenOutput.Prepare(frameWidth, frameHeight);
    if (state == SCENE_RUNNING) StartTimers();
}

void CSceneWnd::Draw(CDC* pDC)
{
    // Setup stopped before the picture was in place: there is nothing to show.
    if (!SceneHasFrame(*this)) return;
    SetAutoBlack(FALSE);
    StepScene(this);
    screenOutput.Show(pDC->GetSafeHdc(), frameSurface);
}

void CSceneWnd::PlayClip(int resourceId) const
{
    ::PlaySoundA(MAKEINTRESOURCEA(resourceId), GetModuleHandleA(nullptr),
               SND_RESOURCE | SND_ASYNC | SND_NOWAIT);
}

void CSceneWnd::OnTimer(UINT_PTR nIDEvent)
{
    Default();
    // Ids that no longer match (both 0 after destruction) are late messages: ignored.
    if (nIDEvent == 0) return;
    if (nIDEvent == effectTimerId) {
        RunSceneTick(this);
    } else if (nIDEvent == frameTimerId) {
        const FrameSounds sounds = ChooseFrameSounds(this);
        if (sounds.rainClip != NO_SOUND) PlayClip(sounds.rainClip);
        if (sounds.dropClip != NO_SOUND) PlayClip(sounds.dropClip);
        InvalidateRect(nullptr, FALSE);
    }
}

// A monitor plugged in or out, a dock or a new resolution: the full-screen window covers
// the new virtual screen and places its kept picture on a frame of the new size, with the
// water calm. It does not capture again, because the screen now shows the saver itself,
// and the change is no reason to close. The preview stays as it is.
LRESULT CSceneWnd::OnDisplayChange(WPARAM, LPARAM lParam)
{
    Default();
    if (IsChildWindow()) return 0;
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) return 0;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, left, top, width, height, SWP_NOACTIVATE);
    screenWidth = LOWORD(lParam);
    screenHeight = HIWORD(lParam);
    if (!picture.bits) return 0;

    RECT client = {0, 0, 0, 0};
    GetClientRect(&client);
    const SceneState state = ResizeScene(this, client.right - client.left, client.bottom - client.top);
    SetFrameBitmapSize(frameWidth, frameHeight);
    screenOutput.Release();
    if (state != SCENE_EMPTY) screenOutput.Prepare(frameWidth, frameHeight);
    if (state == SCENE_RUNNING) StartTimers();
    InvalidateRect(nullptr, FALSE);
    return 0;
}

void CSceneWnd::OnDestroy()
{
    Default();
    if (effectTimerId != 0) {
        KillTimer(effectTimerId);
        effectTimerId = 0;
    }
    if (frameTimerId != 0) {
        KillTimer(frameTimerId);
        frameTimerId = 0;
    }
    ReleaseScene(this);
    screenOutput.Release();
}
