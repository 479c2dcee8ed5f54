// The scene stepped straight into the screen's 32-bit pixels: every frame is the expansion
// of the RGB565 frame the same scene would render, from the picture of the latest setup or
// new size, and pixel rows that cannot hold the frame are left alone.
#include "ripple/water_scene.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ripple/pixel_convert.h"

namespace {

const uint32_t UNTOUCHED = 0xDEADBEEF;  // no expansion has a top byte

int32_t NextFromEngine(void* context)
{
    return int32_t((*static_cast<std::mt19937*>(context))() & 0x7FFF);
}

void MakePicture(Surface* picture, int32_t width, int32_t height, int32_t seed)
{
    ASSERT_TRUE(picture->Create(width, height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) picture->Row(y)[x] = uint16_t(x * 37 + y * 1009 + seed);
}

// A scene over a picture of the client's size, with random numbers of its own.
struct TestScene {
    WaterScene scene;
    std::mt19937 engine;

    TestScene(int32_t width, int32_t height) : engine(99)
    {
        scene.screenWidth = width;
        scene.screenHeight = height;
        scene.random = RandomSource{NextFromEngine, &engine};
        MakePicture(&scene.picture, width, height, 0);
        SetUpScene(&scene, width, height);
    }
};

// Pixel rows with `spare` unused pixels at the end of each.
struct Pixels {
    int32_t width;
    int32_t pitch;  // in pixels
    std::vector<uint32_t> data;

    Pixels(const WaterScene& scene, int32_t spare)
        : width(scene.frameWidth), pitch(scene.frameWidth + spare),
          data(size_t(pitch) * scene.frameHeight, UNTOUCHED) {}
    void Step(WaterScene* scene) { StepSceneToPixels(scene, data.data(), 4 * pitch); }
};

// Each row the expansion of the surface's row, and the spare pixels untouched.
void ExpectExpanded(const Surface& surface, const Pixels& pixels, int frame)
{
    for (int32_t y = 0; y < surface.height; ++y)
        for (int32_t x = 0; x < pixels.pitch; ++x) {
            const uint32_t expected = x < pixels.width ? ExpandRgb565(surface.Row(y)[x]) : UNTOUCHED;
            ASSERT_EQ(expected, pixels.data[size_t(y) * pixels.pitch + x])
                << "frame " << frame << " at (" << x << ", " << y << ")";
        }
}

// Busy water on a screen whose width is not a multiple of 4, the preview's few columns, and
// a frame too low for water, which only ever shows the still picture.
TEST(ScenePixels, EveryFrameIsTheExpandedFrameOfTheSameScene)
{
    const int32_t sizes[][2] = {{1366, 768}, {150, 113}, {8, 2}};
    for (const auto& size : sizes) {
        TestScene drawn(size[0], size[1]), reference(size[0], size[1]);
        Pixels pixels(drawn.scene, 3);
        for (int frame = 0; frame < 12; ++frame) {
            for (int tick = 0; tick < 5; ++tick) {
                RunSceneTick(&drawn.scene);
                RunSceneTick(&reference.scene);
            }
            pixels.Step(&drawn.scene);
            StepScene(&reference.scene);
            ExpectExpanded(reference.scene.frameSurface, pixels, frame);
            if (HasFatalFailure()) return;
            const RippleField& a = drawn.scene.field;
            const RippleField& b = reference.scene.field;
            if (SceneIsRunning(reference.scene)) {
                ASSERT_EQ(std::vector<int16_t>(b.current, b.current + b.sampleCount),
                          std::vector<int16_t>(a.current, a.current + a.sampleCount));
            }
        }
    }
}

// Calm water shows the picture as it lies under the water.
TEST(ScenePixels, ANewPictureOrSizeIsShownFromTheFirstFrame)
{
    TestScene test(64, 32);
    WaterScene& scene = test.scene;
    {
        Pixels pixels(scene, 0);
        pixels.Step(&scene);
        ExpectExpanded(scene.backgroundSurface, pixels, 0);
    }
    scene.picture.Release();
    MakePicture(&scene.picture, 64, 32, 5000);
    ASSERT_EQ(SCENE_RUNNING, SetUpScene(&scene, 64, 32));
    {
        Pixels pixels(scene, 0);
        pixels.Step(&scene);
        ExpectExpanded(scene.backgroundSurface, pixels, 1);
    }
    ASSERT_EQ(SCENE_RUNNING, ResizeScene(&scene, 44, 40));
    {
        Pixels pixels(scene, 0);
        pixels.Step(&scene);
        ExpectExpanded(scene.backgroundSurface, pixels, 2);
    }
}

// Running water, and a frame too low for water, which is drawn another way.
TEST(ScenePixels, RowsThatCannotHoldTheFrameChangeNothing)
{
    TestScene test(64, 32), still(64, 2);
    WaterScene& scene = test.scene;
    RunSceneTick(&scene);
    const int16_t* current = scene.field.current;
    std::vector<uint32_t> pixels(size_t(80) * 32, UNTOUCHED);
    for (int32_t pitch : {4 * 64 - 4, 4 * 64 + 2, -4 * 64}) {
        StepSceneToPixels(&scene, pixels.data(), pitch);
        StepSceneToPixels(&still.scene, pixels.data(), pitch);
    }
    StepSceneToPixels(&scene, nullptr, 4 * 64);
    WaterScene empty;
    StepSceneToPixels(&empty, pixels.data(), 4 * 64);
    EXPECT_EQ(current, scene.field.current);
    for (uint32_t pixel : pixels) ASSERT_EQ(UNTOUCHED, pixel);

    StepSceneToPixels(&scene, pixels.data(), 4 * 64 + 4);
    EXPECT_NE(current, scene.field.current);
}

}  // namespace
