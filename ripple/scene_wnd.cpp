// The scene's life: built once on creation, a drop tick every 10 ms, a frame every 50 ms,
// everything freed on destruction. The full-screen window runs one scene per monitor on the
// same two timers. Nothing that fails here is reported; the window stays up, still.
#include "ripple/scene_wnd.h"

#include <mmsystem.h>

#include <ctime>

#include "ripple/frame_bitmap.h"
#include "ripple/lakebed.h"
#include "settings/store.h"

BEGIN_MESSAGE_MAP(CSceneWnd, CScreenSaverWnd)
    ON_WM_TIMER()     // void OnTimer(UINT_PTR nIDEvent)
    ON_WM_DESTROY()   // void OnDestroy()
    ON_MESSAGE(WM_DISPLAYCHANGE, OnDisplayChange)  // LRESULT OnDisplayChange(WPARAM, LPARAM)
    ON_MESSAGE(WM_POWERBROADCAST, OnPowerBroadcast)  // LRESULT OnPowerBroadcast(WPARAM, LPARAM)
END_MESSAGE_MAP()     // anything else: CScreenSaverWnd's map, then CWnd's, then DefWindowProc

namespace {

RECT ToRect(const ScreenRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

CSceneWnd::CSceneWnd()
    : frameTimerId(0),
      effectTimerId(0),
      frameTimerPeriod(0),
      m_area(),
      m_source(SOURCE_NONE),
      m_snapshotRect(),
      m_loadedSettings(DefaultSaverSettings()),
      m_bDisplayOn(true),
      m_bBatterySaver(false),
      m_bWaterRuns(false),
      m_windowRect()
{
}

CSceneWnd::~CSceneWnd()
{
    ReleaseScenes();
}

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

// Nothing runs while the display is dark. Message timers never queue more than one tick,
// so when it lights again the water goes on from where it was, without a burst. On battery
// saver a frame comes every 100 ms and runs the drop ticks of its time itself, just before
// it, so that the processor wakes ten times a second instead of a hundred and twenty.
void CSceneWnd::StartTimers()
{
    if (!m_bDisplayOn) return;
    const UINT slowdown = m_bBatterySaver ? BATTERY_SAVER_SLOWDOWN : 1;
    if (frameTimerId == 0) frameTimerId = SetTimer(FRAME_TIMER, FRAME_PERIOD_MS * slowdown, nullptr);
    if (effectTimerId == 0 && !m_bBatterySaver)
        effectTimerId = SetTimer(EFFECT_TIMER, EFFECT_PERIOD_MS, nullptr);
    frameTimerPeriod = frameTimerId != 0 ? FRAME_PERIOD_MS * slowdown : 0;
}

void CSceneWnd::RunDropTicks(int count)
{
    for (int tick = 0; tick < count; ++tick) {
        RunSceneTick(this);
        for (const auto& other : m_otherScenes) RunSceneTick(&other->water);
    }
}

void CSceneWnd::StopTimers()
{
    if (effectTimerId != 0) {
        KillTimer(effectTimerId);
        effectTimerId = 0;
    }
    if (frameTimerId != 0) {
        KillTimer(frameTimerId);
        frameTimerId = 0;
    }
    frameTimerPeriod = 0;
}

// The preview is one scene over its whole window. The full-screen window has one per
// monitor it covers, in virtual-screen coordinates, the primary's first.
std::vector<SceneArea> CSceneWnd::LayOutAreas()
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(&client);
    m_monitors.clear();
    if (IsChildWindow()) {
        m_windowRect = ScreenRect{0, 0, client.right - client.left, client.bottom - client.top};
        return LayOutScenes(m_monitors, m_windowRect, true);
    }
    POINT origin = {0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    m_windowRect = ScreenRect{origin.x, origin.y, origin.x + client.right - client.left,
                              origin.y + client.bottom - client.top};
    m_monitors = ListMonitors();
    return LayOutScenes(m_monitors, m_windowRect, settings.allMonitors != 0);
}

void CSceneWnd::InitScene()
{
    if (!m_hWnd) return;
    SeedRuntimeRandom(static_cast<uint32_t>(std::time(nullptr)));

    const std::vector<SceneArea> areas = LayOutAreas();
    if (!LoadBackground()) {
        m_picture.Release();
        m_snapshot.Release();
        return;
    }
    m_loadedSettings = settings;
    if (!IsChildWindow()) m_bBatterySaver = BatterySaverIsOn();
    BuildScenes(areas, nullptr);
    if (!IsChildWindow()) RegisterPowerNotifications(m_hWnd, &m_power);
}

SceneState CSceneWnd::SetUpArea(WaterScene* scene, const SceneArea& area, Surface* picture,
                                bool firstSetup)
{
    // Each monitor is a screen of its own, so no monitor counts as a preview for being
    // lower than another.
    if (!IsChildWindow() && !m_monitors.empty()) {
        scene->screenWidth = RectWidth(area.monitor);
        scene->screenHeight = RectHeight(area.monitor);
    }
    scene->picture.Release();
    scene->picture = *picture;
    *picture = Surface();
    if (!scene->picture.bits) {
        ReleaseScene(scene);
        scene->frameWidth = 0;
        scene->frameHeight = 0;
        return SCENE_EMPTY;
    }
    const int32_t width = RectWidth(area.client);
    const int32_t height = RectHeight(area.client);
    return firstSetup ? SetUpScene(scene, width, height) : ResizeScene(scene, width, height);
}

void CSceneWnd::BuildScenes(const std::vector<SceneArea>& areas, std::vector<Surface>* pictures)
{
    const bool firstSetup = pictures == nullptr;
    m_otherScenes.clear();
    bool running = false;
    for (size_t i = 0; i < areas.size(); ++i) {
        Surface picture;
        if (pictures)
            std::swap(picture, (*pictures)[i]);
        else if (!PictureForArea(areas[i], &picture))
            picture.Release();

        SceneState state;
        ScreenOutput* output = &screenOutput;
        if (i == 0) {
            m_area = areas[i];
            state = SetUpArea(this, areas[i], &picture, firstSetup);
            // The one process-wide bitmap description held the snapshot's size until now;
            // from here on it describes the frame, which the 16-bit way relies on.
            SetFrameBitmapSize(frameWidth, frameHeight);
            // Only the full-screen window follows a change of the screens, so only it
            // keeps the picture at its own size.
            if (IsChildWindow()) this->picture.Release();
        } else {
            std::unique_ptr<MonitorScene> other(new MonitorScene);
            other->area = areas[i];
            other->water.settings = m_loadedSettings;
            state = SetUpArea(&other->water, areas[i], &picture, true);
            output = &other->output;
            m_otherScenes.push_back(std::move(other));
        }
        picture.Release();
        output->Release();
        if (state != SCENE_EMPTY) output->Prepare(FrameWidthFor(RectWidth(areas[i].client)),
                                                 RectHeight(areas[i].client));
        running = running || state == SCENE_RUNNING;
    }
    if (areas.empty()) {
        ReleaseScene(this);
        frameWidth = 0;
        frameHeight = 0;
        screenOutput.Release();
    }
    FindDarkParts();
    // Without water anywhere there is nothing to tick, and no sound over a still picture.
    m_bWaterRuns = running;
    if (running)
        StartTimers();
    else
        StopTimers();
}

void CSceneWnd::ReleaseScenes()
{
    m_otherScenes.clear();
    m_picture.Release();
    m_snapshot.Release();
    m_strPictureOfSource.clear();
    m_source = SOURCE_NONE;
}

void CSceneWnd::Draw(CDC* pDC)
{
    if (!m_bDisplayOn) return;
    bool anyFrame = SceneHasFrame(*this);
    for (const auto& other : m_otherScenes) anyFrame = anyFrame || SceneHasFrame(other->water);
    // Setup stopped before any picture was in place: there is nothing to show.
    if (!anyFrame) return;
    SetAutoBlack(FALSE);
    const HDC dc = pDC->GetSafeHdc();
    PaintBackdrop(dc);
    if (SceneHasFrame(*this)) {
        StepScene(this);
        screenOutput.Show(dc, m_area.client.left, m_area.client.top, RectWidth(m_area.client),
                          RectHeight(m_area.client), frameSurface);
    }
    for (const auto& other : m_otherScenes) {
        if (!SceneHasFrame(other->water)) continue;
        StepScene(&other->water);
        const ScreenRect& at = other->area.client;
        other->output.Show(dc, at.left, at.top, RectWidth(at), RectHeight(at),
                           other->water.frameSurface);
    }
}

// What no scene shows (monitors left dark, corners of the virtual screen that no monitor
// shows) is black. The frame tick asks only for the scenes, so this paints only where the
// system asked for more, and costs a frame nothing otherwise.
void CSceneWnd::PaintBackdrop(HDC dc)
{
    const HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    for (const RECT& dark : m_darkParts)
        if (::RectVisible(dc, &dark)) ::FillRect(dc, &dark, black);
}

// The parts of the client area outside every scene that has a frame, as a few rectangles.
void CSceneWnd::FindDarkParts()
{
    m_darkParts.clear();
    RECT client = {0, 0, 0, 0};
    GetClientRect(&client);
    HRGN dark = ::CreateRectRgnIndirect(&client);
    if (!dark) return;
    auto subtract = [dark](const ScreenRect& shown) {
        HRGN scene = ::CreateRectRgn(shown.left, shown.top, shown.right, shown.bottom);
        if (scene) ::CombineRgn(dark, dark, scene, RGN_DIFF);
        if (scene) ::DeleteObject(scene);
    };
    if (SceneHasFrame(*this)) subtract(m_area.client);
    for (const auto& other : m_otherScenes)
        if (SceneHasFrame(other->water)) subtract(other->area.client);
    const DWORD size = ::GetRegionData(dark, 0, nullptr);
    std::vector<char> data(size);
    if (size >= sizeof(RGNDATAHEADER) &&
        ::GetRegionData(dark, size, reinterpret_cast<RGNDATA*>(data.data())) == size) {
        const RGNDATA* parts = reinterpret_cast<const RGNDATA*>(data.data());
        const RECT* rects = reinterpret_cast<const RECT*>(parts->Buffer);
        m_darkParts.assign(rects, rects + parts->rdh.nCount);
    }
    ::DeleteObject(dark);
}

void CSceneWnd::PlayClip(int resourceId) const
{
    ::PlaySoundA(MAKEINTRESOURCEA(resourceId), GetModuleHandleA(nullptr),
               SND_RESOURCE | SND_ASYNC | SND_NOWAIT);
}

// One set of sounds for the whole saver, chosen by the window's own scene; the rain that a
// rain clip makes heavier falls as heavily on every monitor.
void CSceneWnd::OnTimer(UINT_PTR nIDEvent)
{
    Default();
    // Ids that no longer match (both 0 after destruction) are late messages: ignored.
    if (nIDEvent == 0) return;
    if (nIDEvent == effectTimerId) {
        RunDropTicks(1);
    } else if (nIDEvent == frameTimerId) {
        if (m_bBatterySaver) RunDropTicks(FRAME_PERIOD_MS / EFFECT_PERIOD_MS);
        const FrameSounds sounds = ChooseFrameSounds(this);
        if (sounds.rainClip != NO_SOUND) {
            PlayClip(sounds.rainClip);
            for (const auto& other : m_otherScenes) other->water.effects.rainCount = effects.rainCount;
        }
        if (sounds.dropClip != NO_SOUND) PlayClip(sounds.dropClip);
        RECT own = ToRect(m_area.client);
        InvalidateRect(&own, FALSE);
        for (const auto& other : m_otherScenes) {
            RECT r = ToRect(other->area.client);
            InvalidateRect(&r, FALSE);
        }
    }
}

// After a display change the snapshot cannot be taken again, since the screen now shows
// the saver itself. A monitor that kept its place keeps its picture; a single screen that
// changed lays its old picture out again, as it always did; any other monitor takes the
// part of the first snapshot under it, or, where that snapshot never saw it, the
// wallpaper or the lakebed. Files are laid out anew.
std::vector<Surface> CSceneWnd::PicturesAfterDisplayChange(const std::vector<SceneArea>& areas)
{
    std::vector<Surface> pictures(areas.size());
    const size_t oldCount = (SceneHasFrame(*this) || picture.bits ? 1 : 0) + m_otherScenes.size();
    for (size_t i = 0; i < areas.size(); ++i) {
        Surface& shown = pictures[i];
        if (m_source != SOURCE_SNAPSHOT) {
            if (!PictureForArea(areas[i], &shown)) shown.Release();
            continue;
        }
        const Surface* kept = nullptr;
        if (picture.bits && SameRect(m_area.covered, areas[i].covered)) kept = &picture;
        for (const auto& other : m_otherScenes)
            if (other->water.picture.bits && SameRect(other->area.covered, areas[i].covered))
                kept = &other->water.picture;
        if (!kept && oldCount == 1 && areas.size() == 1 && picture.bits) kept = &picture;
        if (kept ? CopyWholePicture(*kept, &shown)
                 : CutPicture(m_snapshot, m_snapshotRect, areas[i].covered, &shown) &&
                       !PictureIsOneColour(shown))
            continue;
        if (!ReplaceBlankSnapshot(areas[i], &shown)) shown.Release();
    }
    return pictures;
}

// A monitor plugged in or out, a dock or a new resolution: the full-screen window covers
// the new virtual screen and lays its scenes out again for the new monitors, each with
// calm water. The change is no reason to close. The preview stays as it is.
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
    if (m_source == SOURCE_NONE) return 0;

    const std::vector<SceneArea> areas = LayOutAreas();
    std::vector<Surface> pictures = PicturesAfterDisplayChange(areas);
    BuildScenes(areas, &pictures);
    for (Surface& unused : pictures) unused.Release();
    InvalidateRect(nullptr, FALSE);
    return 0;
}

// The display's state and battery saver's come as power messages the window asked for;
// every other power message is left to the closing rules.
LRESULT CSceneWnd::OnPowerBroadcast(WPARAM wParam, LPARAM lParam)
{
    bool on = false;
    const PowerSetting setting =
        wParam == PBT_POWERSETTINGCHANGE ? ReadPowerSetting(lParam, &on) : POWER_SETTING_OTHER;
    if (setting == POWER_SETTING_OTHER) return Default();
    bool& state = setting == POWER_SETTING_DISPLAY ? m_bDisplayOn : m_bBatterySaver;
    if (state != on) {
        state = on;
        StopTimers();
        if (m_bWaterRuns) StartTimers();
    }
    return TRUE;
}

void CSceneWnd::OnDestroy()
{
    Default();
    UnregisterPowerNotifications(&m_power);
    StopTimers();
    ReleaseScene(this);
    screenOutput.Release();
    ReleaseScenes();
}
