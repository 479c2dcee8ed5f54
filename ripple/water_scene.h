// The water scene itself, whatever window it is shown in: the settings it runs with, the
// picture under the water, the frame, the ripple field with its two height maps, the drop
// effects and the random source. A host (the Windows scene window, the X11 program) only
// supplies the picture and the client size, calls the tick and the frame on its clock, and
// takes the finished RGB565 frame to its screen.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/surface.h"
#include "ripple/effects.h"
#include "ripple/field.h"
#include "ripple/random_source.h"
#include "settings/settings.h"

// The scene's clock: a drop tick every 10 ms, a frame every 50 ms (20 frames a second).
const uint32_t FRAME_PERIOD_MS = 50;
const uint32_t EFFECT_PERIOD_MS = 10;
// On battery saver the scene's clock runs this many times slower: every frame shows what
// it always shows, with as many drops, and the water goes on at half the pace for half the
// work.
const uint32_t BATTERY_SAVER_SLOWDOWN = 2;

// The sound clips a host may play, by resource id: five water drops, then two rain clips.
const int FIRST_DROP_SOUND = 129;
const int DROP_SOUND_COUNT = 5;
const int FIRST_RAIN_SOUND = 134;
const int RAIN_SOUND_COUNT = 2;
const int NO_SOUND = 0;

struct WaterScene {
    SaverSettings settings;
    // The picture at its own size, kept while the scene lives so that a new screen size
    // can be followed without taking the picture again.
    Surface picture;
    Surface frameSurface;
    Surface backgroundSurface;
    Surface heightMapA;
    Surface heightMapB;
    int32_t screenWidth;   // the display's resolution, as the host reports it
    int32_t screenHeight;
    int32_t frameWidth;    // the client width rounded up to a multiple of 4
    int32_t frameHeight;
    EffectState effects;
    RippleField field;
    RandomSource random;
    // backgroundSurface in the screen's 32-bit pixels, for StepSceneToPixels: made on its
    // first call after a setup or a resize, null until then and after any change of frame.
    std::unique_ptr<uint32_t[]> backgroundPixels;

    WaterScene();
    ~WaterScene();
    WaterScene(const WaterScene&) = delete;
    WaterScene& operator=(const WaterScene&) = delete;
};

// How far a setup got: nothing to show, a still picture without water, or running water
// that wants the host's two timers.
enum SceneState { SCENE_EMPTY, SCENE_STILL, SCENE_RUNNING };

// The frame is as wide as the client rounded up to a multiple of 4: the field works on
// four samples at a time, and each frame row is then 2 * width bytes, a multiple of 8, which
// is both the surfaces' pitch and the row stride the screen output hands on.
int32_t FrameWidthFor(int32_t clientWidth);

// Builds the frame from `scene->picture` (already loaded by the host) for a client of the
// given size: the surfaces, the picture placed on them, the field calm, the effects reset.
// A client lower than the display is a preview, where only the Fancy effect fits; that
// change lasts for the run and is never saved. The host seeds the random generator before
// it loads the picture.
SceneState SetUpScene(WaterScene* scene, int32_t clientWidth, int32_t clientHeight);

// Follows a new client size: the kept picture placed again on a frame of the new size,
// with the water calm and the effects reset. The preview rule is not applied again.
SceneState ResizeScene(WaterScene* scene, int32_t clientWidth, int32_t clientHeight);

// True when the frame has a picture to show.
bool SceneHasFrame(const WaterScene& scene);
// True when the water moves (the field was set up).
bool SceneIsRunning(const WaterScene& scene);

// One drop tick: the enabled effects' drops, stamped into the water.
void RunSceneTick(WaterScene* scene);

// The sounds of one frame tick, as clip ids or NO_SOUND. A rain clip also changes how
// many drops the rain makes per tick, so a shower sounds as heavy as it looks; a host
// without sound runs with soundEffects off, and the rain then keeps its count.
struct FrameSounds {
    int rainClip;
    int dropClip;
};
FrameSounds ChooseFrameSounds(WaterScene* scene);

// Advances the water one step and renders the refracted picture into the frame; with no
// field the frame keeps the still picture.
void StepScene(WaterScene* scene);

// Frees everything but the settings and the random source; the scene can be set up again.
void ReleaseScene(WaterScene* scene);

// Advances the water one step, as StepScene does, and draws the frame straight into the
// screen's 32-bit 0x00RRGGBB pixels: frameWidth x frameHeight of them, rows pixelPitch
// bytes apart. They are the expansion (ExpandRgb565) of the frame StepScene would render,
// drawn in the same pass as the water, without that frame: frameSurface is not kept up to
// date. With no field the pixels get the still picture. Rows too short for the frame, or
// splitting a pixel, change nothing.
void StepSceneToPixels(WaterScene* scene, uint32_t* pixels, int32_t pixelPitch);
