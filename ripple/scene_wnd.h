// The water scene: the saver window object that owns the settings, the picture under the
// water, the frame, the ripple field with its two height maps and the drop effects, and
// drives them from two timers. It serves the full-screen window and the preview alike.
#pragma once

#include <cstdint>

#include "framework/afx.h"
#include "gfx/surface.h"
#include "ripple/effects.h"
#include "ripple/field.h"
#include "ripple/screen_output.h"
#include "saver/screen_saver_wnd.h"
#include "settings/settings.h"

const UINT_PTR FRAME_TIMER = 1;   // every 50 ms: sounds and a repaint request
const UINT_PTR EFFECT_TIMER = 2;  // every 10 ms: the drop effects and their stamps
const UINT FRAME_PERIOD_MS = 50;
const UINT EFFECT_PERIOD_MS = 10;

// The sound clips in the program's resources, of type "WAVE".
const int FIRST_DROP_SOUND = 129;  // five water drops, 129..133
const int DROP_SOUND_COUNT = 5;
const int FIRST_RAIN_SOUND = 134;  // two rain clips, 134..135
const int RAIN_SOUND_COUNT = 2;

class CSceneWnd : public CScreenSaverWnd {
public:
    CSceneWnd();
    ~CSceneWnd() override;

    void Draw(CDC* pDC) override;
    void InitScene() override;
    void SaveSettings() override;
    void LoadSettings() override;

    // The still picture at the display's resolution, and the display's resolution;
    // returns false when there is none. The window's rectangle decides what is copied.
    bool CaptureDesktop(Surface* picture);

    Surface frameSurface;
    Surface backgroundSurface;
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t frameWidth;
    int32_t frameHeight;
    Surface heightMapA;
    Surface heightMapB;
    SaverSettings settings;
    UINT_PTR frameTimerId;
    UINT_PTR effectTimerId;
    EffectState effects;
    RippleField field;
    // How frames reach the screen: converted here to 32 bits where that is exact.
    ScreenOutput screenOutput;
    // Where the scene's random draws come from; the runtime's generator unless a test
    // replays a sequence.
    RandomSource random;

protected:
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    // The picture at its own size, from the source the settings choose; also reports the
    // client size the frame is made from.
    bool LoadBackground(Surface* picture, int32_t* clientWidth, int32_t* clientHeight);
    void LookUpWallpaper();
    EffectContext MakeEffectContext() const;
    void PlayClip(int resourceId) const;
    void ReleaseSurfaces();
    bool FieldIsSetUp() const { return field.current != nullptr; }
};
