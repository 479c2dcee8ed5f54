// The scene's setup order and its two clocks, written once for every host: the frame from
// the picture, the surfaces, the calm field, the effects; then drop ticks, sound choices
// and steps. Nothing here reaches a window or a screen.
#include "ripple/water_scene.h"

#include <new>

#include "ripple/picture_placing.h"
#include "ripple/pixel_convert.h"

namespace {

// One background sound in 200 frame ticks (one every 10 s on average); one rain sound in
// 500 (every 25 s) while it rains.
const int32_t DROP_SOUND_CHANCE = 200;
const int32_t RAIN_SOUND_CHANCE = 500;
const int32_t CHANCE_HIT = 100;

EffectContext MakeEffectContext(const WaterScene& scene)
{
    return EffectContext{scene.frameWidth, scene.frameHeight, scene.settings.dropSize,
                         scene.settings.dropWeight, scene.random};
}

void ReleaseFrame(WaterScene* scene)
{
    ReleaseField(&scene->field);
    scene->frameSurface.Release();
    scene->backgroundSurface.Release();
    scene->backgroundPixels.reset();
    scene->heightMapA.Release();
    scene->heightMapB.Release();
}

// Everything after the picture: surfaces at the frame's size, the picture on them, the
// water calm and the effects reset.
SceneState BuildFrame(WaterScene* scene, int32_t clientWidth, int32_t clientHeight)
{
    ReleaseFrame(scene);
    // A client without pixels has no frame to show, not even a still one.
    if (clientWidth <= 0 || clientHeight <= 0) {
        scene->frameWidth = 0;
        scene->frameHeight = 0;
        return SCENE_EMPTY;
    }
    scene->frameHeight = clientHeight;
    scene->frameWidth = FrameWidthFor(clientWidth);
    const bool surfacesMade = scene->backgroundSurface.Create(scene->frameWidth, scene->frameHeight) &&
                              scene->frameSurface.Create(scene->frameWidth, scene->frameHeight);
    // A picture without pixels cannot be stretched over the frame (it would divide by 0).
    if (!surfacesMade ||
        !PlacePicture(scene->picture, &scene->backgroundSurface, &scene->frameSurface)) {
        ReleaseFrame(scene);
        return SCENE_EMPTY;
    }

    // Without the maps, or on a frame too small for water, the still picture is all there is.
    if (!scene->heightMapA.Create(scene->frameWidth, scene->frameHeight) ||
        !scene->heightMapB.Create(scene->frameWidth, scene->frameHeight))
        return SCENE_STILL;
    if (Init(&scene->field, &scene->heightMapA, &scene->heightMapB, scene->settings.rippleSize,
             scene->settings.rippleDepth) != 0)
        return SCENE_STILL;
    ResetEffects(&scene->effects, MakeEffectContext(*scene));
    return SCENE_RUNNING;
}

}  // namespace

WaterScene::WaterScene()
    : settings(DefaultSaverSettings()),
      screenWidth(0),
      screenHeight(0),
      frameWidth(0),
      frameHeight(0),
      field(),
      random(RuntimeRandom())
{
}

WaterScene::~WaterScene()
{
    ReleaseScene(this);
}

int32_t FrameWidthFor(int32_t clientWidth)
{
    return (clientWidth + 3) & ~3;
}

SceneState SetUpScene(WaterScene* scene, int32_t clientWidth, int32_t clientHeight)
{
    const SceneState state = BuildFrame(scene, clientWidth, clientHeight);
    // A window lower than the display is the preview: only the Fancy effect fits there.
    if (state == SCENE_RUNNING && scene->screenHeight > scene->frameHeight)
        scene->settings.effectMask = EFFECT_FANCY;
    return state;
}

SceneState ResizeScene(WaterScene* scene, int32_t clientWidth, int32_t clientHeight)
{
    return BuildFrame(scene, clientWidth, clientHeight);
}

bool SceneHasFrame(const WaterScene& scene)
{
    return scene.frameWidth > 0 && scene.frameHeight > 0 && scene.frameSurface.bits &&
           scene.backgroundSurface.bits;
}

bool SceneIsRunning(const WaterScene& scene)
{
    return scene.field.current != nullptr;
}

void RunSceneTick(WaterScene* scene)
{
    if (!SceneIsRunning(*scene)) return;
    RunEffectTick(&scene->effects, MakeEffectContext(*scene), scene->settings.effectMask,
                  &scene->field);
}

FrameSounds ChooseFrameSounds(WaterScene* scene)
{
    FrameSounds sounds{NO_SOUND, NO_SOUND};
    const SaverSettings& settings = scene->settings;
    if ((settings.effectMask & EFFECT_RAIN) && settings.soundEffects &&
        RandomBelow(scene->random, RAIN_SOUND_CHANCE) == CHANCE_HIT) {
        sounds.rainClip = FIRST_RAIN_SOUND + RandomBelow(scene->random, RAIN_SOUND_COUNT);
        scene->effects.rainCount = RandomBelow(scene->random, 3) + 2;
    }
    if (settings.soundEffects && RandomBelow(scene->random, DROP_SOUND_CHANCE) == CHANCE_HIT)
        sounds.dropClip = FIRST_DROP_SOUND + RandomBelow(scene->random, DROP_SOUND_COUNT);
    return sounds;
}

void StepScene(WaterScene* scene)
{
    if (!SceneHasFrame(*scene) || !SceneIsRunning(*scene)) return;
    StepAndRender(&scene->field, reinterpret_cast<const uint16_t*>(scene->backgroundSurface.bits),
                  0, 0, scene->frameWidth, scene->frameHeight,
                  reinterpret_cast<uint16_t*>(scene->frameSurface.bits), 0, 0,
                  scene->frameSurface.pitch);
}

void ReleaseScene(WaterScene* scene)
{
    ReleaseFrame(scene);
    scene->picture.Release();
}

namespace {

// The picture in 32-bit pixels, made once per frame built; null where there is no memory.
const uint32_t* BackgroundPixels(WaterScene* scene)
{
    if (scene->backgroundPixels) return scene->backgroundPixels.get();
    const int32_t width = scene->frameWidth;
    scene->backgroundPixels.reset(new (std::nothrow) uint32_t[size_t(width) * scene->frameHeight]);
    if (!scene->backgroundPixels) return nullptr;
    for (int32_t y = 0; y < scene->frameHeight; ++y)
        ExpandRgb565Row(scene->backgroundSurface.Row(y), scene->backgroundPixels.get() + size_t(y) * width,
                        size_t(width));
    return scene->backgroundPixels.get();
}

}  // namespace

void StepSceneToPixels(WaterScene* scene, uint32_t* pixels, int32_t pixelPitch)
{
    if (!SceneHasFrame(*scene) || !pixels || pixelPitch % 4 != 0 ||
        pixelPitch < 4 * int64_t(scene->frameWidth))
        return;
    const uint32_t* background = SceneIsRunning(*scene) ? BackgroundPixels(scene) : nullptr;
    if (background) {
        StepAndRender32(&scene->field, background, 0, 0, scene->frameWidth, scene->frameHeight,
                        pixels, 0, 0, pixelPitch);
        return;
    }
    // Still water, or no memory for the 32-bit picture: the frame, then its expansion.
    StepScene(scene);
    for (int32_t y = 0; y < scene->frameHeight; ++y)
        ExpandRgb565Row(scene->frameSurface.Row(y), FrameRow(pixels, pixelPitch, y),
                        size_t(scene->frameWidth));
}
