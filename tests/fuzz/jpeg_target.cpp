// The JPEG screen as a fuzz target, fed whole files: the committed baseline, progressive and
// greyscale pictures, and built marker streams at the edges the screen decides on (sizes at
// the limits, scan data one bit per block short, fill bytes, hierarchical sizes, lengths
// that run short or past the end).
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_target.h"
#include "tests/fuzz/screen_cases.h"

namespace {

void Segment(Bytes* bytes, uint8_t marker, const Bytes& body)
{
    const size_t length = body.size() + 2;
    bytes->insert(bytes->end(), {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
    bytes->insert(bytes->end(), body.begin(), body.end());
}

// Three components sampled 2x2, 1x1, 1x1 unless told otherwise.
Bytes FrameBody(uint16_t width, uint16_t height, uint8_t firstSampling = 0x22)
{
    return {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 3,
            1, firstSampling, 0, 2, 0x11, 1, 3, 0x11, 1};
}

// Start of image, `before` (fill bytes, standalone markers), an application segment, the
// frame, a table, the start of a scan and `payload` bytes of scan data.
Bytes Jpeg(uint8_t frameMarker, const Bytes& frame, size_t payload, const Bytes& before = {})
{
    Bytes jpeg = {0xFF, 0xD8};
    jpeg.insert(jpeg.end(), before.begin(), before.end());
    Segment(&jpeg, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    Segment(&jpeg, frameMarker, frame);
    Segment(&jpeg, 0xC4, Bytes(20, 0));
    Segment(&jpeg, 0xDA, {1, 1, 0, 0, 63, 0});
    jpeg.insert(jpeg.end(), payload, 0x55);
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

Bytes Fixture(const char* name)
{
    return ReadSeedFile("jpeg_sweep", std::string(LAKEGLASS_TEST_DATA) + "/" + name);
}

void RunJpeg(const uint8_t* data, size_t size) { CheckJpegScreen(data, size); }

std::vector<Seed> Seeds()
{
    Bytes hierarchy = {0xFF, 0xD8};
    Segment(&hierarchy, 0xDE, FrameBody(1024, 768));
    const Bytes rest = Jpeg(0xC2, FrameBody(40, 30), 16);
    hierarchy.insert(hierarchy.end(), rest.begin() + 2, rest.end());
    // 4:2:0 at 4096 x 4096 has 256 x 256 chroma blocks: a file of 8192 bytes holds a bit
    // for each, and every truncation holds too few.
    const size_t overhead = Jpeg(0xC0, FrameBody(4096, 4096), 0).size();
    const Bytes bitPerBlock = Jpeg(0xC0, FrameBody(4096, 4096), 8192 - overhead);
    Bytes shortLength = Jpeg(0xC0, FrameBody(32, 8), 8);
    shortLength[22] = 0;
    shortLength[23] = 1;  // a frame length smaller than its own two bytes
    return {
        {"baseline", {Fixture("baseline.jpg")}},
        {"progressive", {Fixture("progressive.jpg")}},
        {"greyscale", {Fixture("greyscale.jpg")}},
        {"built-baseline", {Jpeg(0xC0, FrameBody(32, 8), 16)}},
        {"one-bit-per-block", {bitPerBlock}},
        {"largest-side", {Jpeg(0xC9, FrameBody(32768, 2048), 8)}},
        {"one-side-too-long", {Jpeg(0xCA, FrameBody(32769, 1), 8)}},
        {"fill-and-standalone-markers",
         {Jpeg(0xC2, FrameBody(40, 30, 0x44), 16,
               {0xFF, 0xFF, 0xFF, 0x01, 0xFF, 0xD0, 0xFF, 0xD7})}},
        {"hierarchical-size", {hierarchy}},
        {"length-short-of-itself", {shortLength}},
    };
}

}  // namespace

// The committed pictures keep their frame header past 150 bytes: all of them is swept.
const FuzzTarget FUZZ_TARGET = {"jpeg_sweep", RunJpeg, Seeds, nullptr, true, 600,
                                 "\xC0\xC4\xD8\xD9\xDA", 300000};
