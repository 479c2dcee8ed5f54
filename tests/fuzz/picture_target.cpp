// Picture files as the hosts meet them: the kind told by the first bytes, then the reader
// that kind names (the BMP reader, or the JPEG or PNG screen), on whole files of each kind and
// on signatures alone or cut short.
#include <string>
#include <vector>

#include "gfx/picture_kind.h"
#include "tests/bmp_builder.h"
#include "tests/fuzz/bmp_fuzz_case.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/fuzz/screen_cases.h"

namespace {

const char NAME[] = "picture_sweep";

void RunPicture(const uint8_t* data, size_t size)
{
    const PictureKind kind = DetectPictureKind(data, size);
    const auto startsWith = [&](const Bytes& signature) {
        return size >= signature.size() && Bytes(data, data + signature.size()) == signature;
    };
    const bool bmp = startsWith({'B', 'M'});
    const bool jpeg = startsWith({0xFF, 0xD8, 0xFF});
    const bool png = startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    Check(kind == (bmp ? PICTURE_BMP : jpeg ? PICTURE_JPEG : png ? PICTURE_PNG : PICTURE_UNKNOWN),
          NAME, "the kind is the one the signature names");
    if (kind == PICTURE_BMP) RunBmpCase(data, size, nullptr, 0, StartState::EMPTY);
    if (kind == PICTURE_JPEG) CheckJpegScreen(data, size);
    if (kind == PICTURE_PNG) CheckPngScreen(data, size);
}

Bytes Fixture(const char* name)
{
    return ReadSeedFile(NAME, std::string(LAKEGLASS_TEST_DATA) + "/" + name);
}

std::vector<Seed> Seeds()
{
    bmp_builder::BmpImage image;
    image.width = 2;
    image.height = 2;
    image.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    return {
        {"bmp", {bmp_builder::BuildBmp(image)}},
        {"jpeg", {Fixture("greyscale.jpg")}},
        {"png", {Fixture("blocks.png")}},
        {"gif-signature", {TextPart("GIF89a")}},
    };
}

}  // namespace

const FuzzTarget FUZZ_TARGET = {NAME, RunPicture, Seeds, nullptr, false, 16,
                                 "BMPNG\x89\xD8", 300000};
