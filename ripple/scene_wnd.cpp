// The scene's life: built once on creation, a drop tick every 10 ms, a frame every 50 ms,
// everything freed on destruction. Nothing that fails here is reported; the window stays
// up, still.
#include "ripple/scene_wnd.h"

#include <mmsystem.h>

#include <ctime>

#include "ripple/frame_bitmap.h"
#include "ripple/picture_placing.h"
#include "settings/store.h"

BEGIN_MESSAGE_MAP(CSceneWnd, CScreenSaverWnd)
    ON_WM_TIMER()     // void OnTimer(UINT_PTR nIDEvent)
    ON_WM_DESTROY()   // void OnDestroy()
END_MESSAGE_MAP()     // anything else: CScreenSaverWnd's map, then CWnd's, then DefWindowProc

namespace {

// One background sound in 200 frame ticks (one every 10 s on average); one rain sound in
// 500 (every 25 s) while it rains.
const int32_t DROP_SOUND_CHANCE = 200;
const int32_t RAIN_SOUND_CHANCE = 500;
const int32_t CHANCE_HIT = 100;

}  // namespace

CSceneWnd::CSceneWnd()
    : screenWidth(0),
      screenHeight(0),
      frameWidth(0),
      frameHeight(0),
      settings(DefaultSaverSettings()),
      frameTimerId(0),
      effectTimerId(0),
      field(),
      random(RuntimeRandom())
{
}

CSceneWnd::~CSceneWnd()
{
    ReleaseField(&field);
    ReleaseSurfaces();
}

void CSceneWnd::LoadSettings()
{
    LoadSaverSettings(&settings);
}

void CSceneWnd::SaveSettings()
{
    SaveSaverSettings(settings);
}

EffectContext CSceneWnd::MakeEffectContext() const
{
    return EffectContext{frameWidth, frameHeight, settings.dropSize, settings.dropWeight, random};
}

void CSceneWnd::ReleaseSurfaces()
{
    frameSurface.Release();
    backgroundSurface.Release();
    heightMapA.Release();
    heightMapB.Release();
}

void CSceneWnd::InitScene()
{
    if (!m_hWnd) return;
    SeedRuntimeRandom(static_cast<uint32_t>(std::time(nullptr)));

    Surface picture;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    if (!LoadBackground(&picture, &clientWidth, &clientHeight)) {
        picture.Release();
        return;
    }

    frameHeight = clientHeight;
    frameWidth = (clientWidth + 3) & ~3;
    const bool surfacesMade = backgroundSurface.Create(frameWidth, frameHeight) &&
                              frameSurface.Create(frameWidth, frameHeight);
    SetFrameBitmapSize(frameWidth, frameHeight);
    // A picture without pixels cannot be stretched over the frame (it would divide by 0).
    const bool placed = surfacesMade && PlacePicture(picture, &backgroundSurface, &frameSurface);
    picture.Release();
    if (!placed) {
        ReleaseSurfaces();
        return;
    }
    screenOutput.Prepare(frameWidth, frameHeight);

    // Without the maps, or on a frame too small for water, the still picture is all there is.
    if (!heightMapA.Create(frameWidth, frameHeight) || !heightMapB.Create(frameWidth, frameHeight))
        return;
    if (Init(&field, &heightMapA, &heightMapB, settings.rippleSize, settings.rippleDepth) != 0)
        return;

    const EffectContext context = MakeEffectContext();
    ResetRain(&effects, context);
    ResetRebound(&effects, context);
    ResetFancy(&effects, context);

    frameTimerId = SetTimer(FRAME_TIMER, FRAME_PERIOD_MS, nullptr);
    effectTimerId = SetTimer(EFFECT_TIMER, EFFECT_PERIOD_MS, nullptr);

    // A window lower than the display is the preview: only the Fancy effect fits there.
    // The change lasts for this run and is never saved.
    if (screenHeight > frameHeight) settings.effectMask = EFFECT_FANCY;
}

void CSceneWnd::Draw(CDC* pDC)
{
    if (frameWidth <= 0 || frameHeight <= 0) return;
    // Setup stopped before the picture was in place: there is nothing to show.
    if (!frameSurface.bits || !backgroundSurface.bits) return;
    SetAutoBlack(FALSE);
    if (FieldIsSetUp()) {
        StepAndRender(&field, reinterpret_cast<const uint16_t*>(backgroundSurface.bits), 0, 0,
                      frameWidth, frameHeight, reinterpret_cast<uint16_t*>(frameSurface.bits),
                      0, 0, frameSurface.pitch);
    }
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
        RunEffectTick(&effects, MakeEffectContext(), settings.effectMask, &field);
    } else if (nIDEvent == frameTimerId) {
        if ((settings.effectMask & EFFECT_RAIN) && settings.soundEffects &&
            RandomBelow(random, RAIN_SOUND_CHANCE) == CHANCE_HIT) {
            PlayClip(FIRST_RAIN_SOUND + RandomBelow(random, RAIN_SOUND_COUNT));
            effects.rainCount = RandomBelow(random, 3) + 2;
        }
        if (settings.soundEffects && RandomBelow(random, DROP_SOUND_CHANCE) == CHANCE_HIT)
            PlayClip(FIRST_DROP_SOUND + RandomBelow(random, DROP_SOUND_COUNT));
        InvalidateRect(nullptr, FALSE);
    }
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
    ReleaseField(&field);
    screenOutput.Release();
    ReleaseSurfaces();
}
