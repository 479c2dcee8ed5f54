// The water scene: the saver window object that owns the settings, the picture under the
// water, the frame, the ripple field with its two height maps and the drop effects, and
// drives them from two timers. It serves the full-screen window and the preview alike.
#pragma once

#include <cstdint>

#include "framework/afx.h"
#include "gfx/surface.h"
#include "ripple/screen_output.h"
#include "ripple/water_scene.h"
#include "saver/screen_saver_wnd.h"

const UINT_PTR FRAME_TIMER = 1;   // every 50 ms: sounds and a repaint request
const UINT_PTR EFFECT_TIMER = 2;  // every 10 ms: the drop effects and their stamps

// The window half of the scene: the water itself, its surfaces, field, effects and
// settings, is the portable WaterScene this window also is.
class CSceneWnd : public CScreenSaverWnd, public WaterScene {
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

    UINT_PTR frameTimerId;
    UINT_PTR effectTimerId;
    // How frames reach the screen: converted here to 32 bits where that is exact.
    ScreenOutput screenOutput;

protected:
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // The picture at its own size, from the source the settings choose; also reports the
    // client size the frame is made from.
    bool LoadBackground(Surface* picture, int32_t* clientWidth, int32_t* clientHeight);
    // Writes the system's wallpaper path into the settings; false when no source answers.
    bool LookUpWallpaper();
    // What a snapshot that saw nothing is replaced by: the wallpaper, else the lakebed at
    // the frame's size. False only when neither can be had.
    bool ReplaceBlankSnapshot(Surface* picture, int32_t clientWidth, int32_t clientHeight);
    // The preview is a child of the display settings; the full-screen window is not.
    bool IsChildWindow() const;
    void StartTimers();
    void PlayClip(int resourceId) const;
};
