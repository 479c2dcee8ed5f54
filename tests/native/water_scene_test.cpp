// The portable scene and its lakebed: the frame made from a picture, the preview's single
// effect, a new size followed from the kept picture with calm water, the frame tick's
// sounds and the rain count, and the picture drawn when nothing else can be shown.
#include "ripple/water_scene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "ripple/lakebed.h"
#include "ripple/picture_placing.h"

namespace {

// A picture whose every pixel differs from its neighbours, so a misplaced row shows.
void MakePicture(Surface* picture, int32_t width, int32_t height)
{
    ASSERT_TRUE(picture->Create(width, height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) picture->Row(y)[x] = uint16_t(x * 37 + y * 1009);
}

void ExpectPlaced(const WaterScene& scene)
{
    Surface expectedBackground, expectedFrame;
    ASSERT_TRUE(expectedBackground.Create(scene.frameWidth, scene.frameHeight));
    ASSERT_TRUE(expectedFrame.Create(scene.frameWidth, scene.frameHeight));
    ASSERT_TRUE(PlacePicture(scene.picture, &expectedBackground, &expectedFrame));
    for (int32_t y = 0; y < scene.frameHeight; ++y) {
        ASSERT_EQ(0, std::memcmp(expectedBackground.Row(y), scene.backgroundSurface.Row(y),
                                 2 * size_t(scene.frameWidth))) << "row " << y;
        ASSERT_EQ(0, std::memcmp(expectedFrame.Row(y), scene.frameSurface.Row(y),
                                 2 * size_t(scene.frameWidth))) << "row " << y;
    }
    expectedBackground.Release();
    expectedFrame.Release();
}

bool WaterIsCalm(const WaterScene& scene)
{
    for (const Surface* map : {&scene.heightMapA, &scene.heightMapB})
        for (int32_t y = 0; y < map->height; ++y)
            for (int32_t x = 0; x < map->width; ++x)
                if (map->Row(y)[x] != 0) return false;
    return true;
}

struct Script {
    std::vector<int32_t> values;
    size_t next = 0;
    static int32_t Next(void* self)
    {
        Script* s = static_cast<Script*>(self);
        return s->next < s->values.size() ? s->values[s->next++] : 0;
    }
};

TEST(WaterScene, FrameIsTheClientRoundedToFourColumnsWithThePicturePlaced)
{
    WaterScene scene;
    scene.screenWidth = 1366;
    scene.screenHeight = 768;
    MakePicture(&scene.picture, 1366, 768);
    ASSERT_EQ(SCENE_RUNNING, SetUpScene(&scene, 1366, 768));
    EXPECT_EQ(1368, scene.frameWidth);
    EXPECT_EQ(768, scene.frameHeight);
    EXPECT_EQ(EFFECT_RAIN | EFFECT_REBOUND | EFFECT_FANCY, scene.settings.effectMask);
    ExpectPlaced(scene);
    EXPECT_EQ(1368, FrameWidthFor(1365));
    EXPECT_EQ(1368, FrameWidthFor(1368));
    EXPECT_EQ(0, FrameWidthFor(0));
}

TEST(WaterScene, ALowerClientIsThePreviewWithFancyAloneAndATinyOneStaysStill)
{
    WaterScene preview;
    preview.screenWidth = 1024;
    preview.screenHeight = 768;
    MakePicture(&preview.picture, 1024, 768);
    ASSERT_EQ(SCENE_RUNNING, SetUpScene(&preview, 152, 112));
    EXPECT_EQ(uint32_t(EFFECT_FANCY), preview.settings.effectMask);

    // Too low for water: the picture is shown still, and ticks and steps change nothing.
    WaterScene tiny;
    tiny.screenHeight = 768;
    MakePicture(&tiny.picture, 64, 64);
    ASSERT_EQ(SCENE_STILL, SetUpScene(&tiny, 8, 2));
    EXPECT_TRUE(SceneHasFrame(tiny));
    EXPECT_FALSE(SceneIsRunning(tiny));
    RunSceneTick(&tiny);
    StepScene(&tiny);
    ExpectPlaced(tiny);

    WaterScene empty;
    EXPECT_EQ(SCENE_EMPTY, SetUpScene(&empty, 640, 480));
    EXPECT_FALSE(SceneHasFrame(empty));

    // A client without pixels in either direction has no frame, even with a picture.
    for (const auto& size : {std::pair<int, int>{0, 480}, {640, 0}, {0, 0}}) {
        WaterScene none;
        MakePicture(&none.picture, 64, 64);
        EXPECT_EQ(SCENE_EMPTY, SetUpScene(&none, size.first, size.second));
        EXPECT_EQ(0, none.frameWidth);
        EXPECT_FALSE(SceneHasFrame(none));
    }
}

TEST(WaterScene, ANewSizeReplacesThePictureWithCalmWater)
{
    WaterScene scene;
    scene.screenWidth = 1024;
    scene.screenHeight = 768;
    MakePicture(&scene.picture, 1024, 768);
    ASSERT_EQ(SCENE_RUNNING, SetUpScene(&scene, 1024, 768));
    for (int frame = 0; frame < 20; ++frame) {
        for (int tick = 0; tick < 5; ++tick) RunSceneTick(&scene);
        StepScene(&scene);
    }
    ASSERT_FALSE(WaterIsCalm(scene));

    scene.screenWidth = 1366;
    ASSERT_EQ(SCENE_RUNNING, ResizeScene(&scene, 1366, 768));
    EXPECT_EQ(1368, scene.frameWidth);
    EXPECT_EQ(1368, scene.field.width);
    EXPECT_TRUE(WaterIsCalm(scene));
    ExpectPlaced(scene);
    // The next step renders water over the new frame, from the new background.
    RunSceneTick(&scene);
    StepScene(&scene);
    EXPECT_FALSE(WaterIsCalm(scene));

    ReleaseScene(&scene);
    EXPECT_FALSE(SceneHasFrame(scene));
    EXPECT_EQ(nullptr, scene.picture.bits);
}

TEST(WaterScene, ARainClipChangesTheRainCountAndSoundOffDrawsNothing)
{
    WaterScene scene;
    Script script;
    scene.random = RandomSource{&Script::Next, &script};
    scene.effects.rainCount = 9;
    // Rain chance hit, clip 1, count 2 + 2; drop chance hit, clip 4.
    script.values = {100, 1, 2, 100, 4};
    FrameSounds sounds = ChooseFrameSounds(&scene);
    EXPECT_EQ(FIRST_RAIN_SOUND + 1, sounds.rainClip);
    EXPECT_EQ(FIRST_DROP_SOUND + 4, sounds.dropClip);
    EXPECT_EQ(4, scene.effects.rainCount);

    script = Script{{99, 101}, 0};
    sounds = ChooseFrameSounds(&scene);
    EXPECT_EQ(NO_SOUND, sounds.rainClip);
    EXPECT_EQ(NO_SOUND, sounds.dropClip);

    scene.settings.soundEffects = 0;
    script = Script{{100, 1, 2, 100, 4}, 0};
    sounds = ChooseFrameSounds(&scene);
    EXPECT_EQ(NO_SOUND, sounds.rainClip);
    EXPECT_EQ(NO_SOUND, sounds.dropClip);
    EXPECT_EQ(4, scene.effects.rainCount);
    EXPECT_EQ(0u, script.next);
}

TEST(WaterScene, TicksStampTheSettingsDropAndALowerNewSizeKeepsTheEffects)
{
    WaterScene scene;
    scene.screenWidth = 1024;
    scene.screenHeight = 768;
    scene.settings.effectMask = EFFECT_RAIN;
    scene.settings.dropSize = 1;
    scene.settings.dropWeight = 1234;
    MakePicture(&scene.picture, 64, 32);
    ASSERT_EQ(SCENE_RUNNING, SetUpScene(&scene, 1024, 768));
    ASSERT_EQ(SCENE_RUNNING, ResizeScene(&scene, 64, 32));
    EXPECT_EQ(uint32_t(EFFECT_RAIN), scene.settings.effectMask);

    // One drop at (10, 5), then no reset: a drop of size 1 is its centre alone.
    Script script;
    script.values = {10, 5, 0};
    scene.random = RandomSource{&Script::Next, &script};
    scene.effects.rainCount = 1;
    RunSceneTick(&scene);
    EXPECT_EQ(1234, scene.field.current[5 * scene.field.width + 10]);
}

TEST(Lakebed, DetailedRepeatableAndAtAnySize)
{
    const int32_t sizes[][2] = {{152, 112}, {1368, 768}, {4, 3}};
    for (const auto& size : sizes) {
        Surface first, second;
        ASSERT_TRUE(DrawLakebed(&first, size[0], size[1]));
        ASSERT_TRUE(DrawLakebed(&second, size[0], size[1]));
        EXPECT_EQ(size[0], first.width);
        std::set<uint16_t> colours;
        for (int32_t y = 0; y < size[1]; ++y) {
            ASSERT_EQ(0, std::memcmp(first.Row(y), second.Row(y), 2 * size_t(size[0])));
            colours.insert(first.Row(y), first.Row(y) + size[0]);
        }
        EXPECT_FALSE(PictureIsOneColour(first));
        if (size[0] > 100) {
            EXPECT_GT(colours.size(), 200u) << size[0];
        }
        first.Release();
        second.Release();
    }
    Surface none;
    EXPECT_FALSE(DrawLakebed(&none, -1, 10));
    EXPECT_EQ(nullptr, none.bits);
}

TEST(Lakebed, OneColourMeansEveryPixelUpToTheLast)
{
    Surface picture;
    ASSERT_TRUE(picture.Create(33, 17));
    FillSurface(&picture, 0x1234);
    EXPECT_TRUE(PictureIsOneColour(picture));
    picture.Row(16)[32] = 0x1235;
    EXPECT_FALSE(PictureIsOneColour(picture));
    picture.Row(16)[32] = 0x1234;
    picture.Row(0)[1] = 0;
    EXPECT_FALSE(PictureIsOneColour(picture));
    picture.Release();
    EXPECT_TRUE(PictureIsOneColour(picture));
}

}  // namespace
