// A deterministic sweep of the BMP reader under the sanitizers: every byte of the headers
// set to edge values, boundary numbers written at every offset, every truncation of a few
// seed files (8-, 16- and 24-bit, with and without masks), then random mutations from a
// fixed seed. Bounded, so that it can run with every test pass.
//   bmp_sweep [--random N]        run the sweep and N random cases (default 1000000)
//   bmp_sweep --write-seeds DIR   write the seeds in the fuzzer's input layout and stop
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/bmp_builder.h"
#include "tests/fuzz/bmp_fuzz_case.h"

namespace {

using namespace bmp_builder;
typedef std::vector<uint8_t> Bytes;

struct Seed {
    const char* name;
    Bytes picture;
    bool hasMask;
    Bytes mask;
};

std::vector<uint8_t> Ramp(size_t count, uint8_t first)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + 37 * i);
    return bytes;
}

Bytes Picture(int32_t width, int32_t height, uint16_t bitCount, uint32_t colourCount,
              size_t paletteEntries)
{
    BmpImage image;
    image.width = width;
    image.height = height;
    image.bitCount = bitCount;
    image.colourCount = colourCount;
    for (size_t i = 0; i < paletteEntries; ++i)
        image.palette.push_back(static_cast<uint32_t>(0x010203 * (i + 1)));
    for (int32_t row = 0; row < height; ++row) {
        std::vector<uint8_t> bytes = Ramp(static_cast<size_t>(width) * bitCount / 8, uint8_t(row));
        if (bitCount == 8)
            for (uint8_t& index : bytes) index = static_cast<uint8_t>(index % (paletteEntries + 2));
        image.rows.push_back(bytes);
    }
    return BuildBmp(image);
}

std::vector<Seed> Seeds()
{
    return {
        {"24-bit", Picture(3, 2, 24, 0, 0), false, {}},
        {"8-bit-full-table", Picture(2, 2, 8, 0, 256), false, {}},
        {"8-bit-with-8-bit-mask", Picture(3, 2, 8, 4, 4), true, Picture(3, 2, 8, 3, 3)},
        {"16-bit-with-24-bit-mask", Picture(2, 2, 16, 0, 0), true, Picture(2, 2, 24, 0, 0)},
        {"24-bit-with-16-bit-mask", Picture(5, 3, 24, 0, 0), true, Picture(5, 3, 16, 0, 0)},
    };
}

struct Sweep {
    unsigned long cases = 0;

    void Run(const Bytes& picture, const Bytes* mask)
    {
        // Exact-length copies: a read one byte past either is a sanitizer report.
        const Bytes pictureCopy(picture);
        Bytes maskCopy;
        if (mask) maskCopy = *mask;
        static const uint8_t nothing = 0;
        const uint8_t* maskData = nullptr;
        if (mask) maskData = maskCopy.empty() ? &nothing : maskCopy.data();
        RunBmpCase(pictureCopy.data(), pictureCopy.size(), maskData, maskCopy.size(),
                   StartState::EMPTY);
        RunBmpCase(pictureCopy.data(), pictureCopy.size(), maskData, maskCopy.size(),
                   StartState::CREATED_WITH_ALPHA);
        ++cases;
    }
};

const uint8_t EDGE_BYTES[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
const uint16_t EDGE_WORDS[] = {0, 1, 4, 8, 15, 16, 24, 32, 0x7FFF, 0x8000, 0xFFFF};
const uint32_t EDGE_DWORDS[] = {0,          1,          2,          3,          4,
                                12,         39,         40,         41,         54,
                                124,        255,        256,        257,        0x7FFF,
                                0x8000,     0x8001,     0xFFFF,     0x10000,    0x1000000,
                                0x3FFFFFFF, 0x40000000, 0x55555556, 0x7FFFFFFF, 0x80000000,
                                0x80000001, 0xFFFFFFFE, 0xFFFFFFFF};
const size_t HEADER_SPAN = 64;

// Every mutation of one file of a pair; `apply` puts the mutated file back in its place.
template <typename Apply>
void MutateFile(const Bytes& file, Apply apply)
{
    const size_t span = file.size() < HEADER_SPAN ? file.size() : HEADER_SPAN;
    for (size_t offset = 0; offset < span; ++offset) {
        for (uint8_t value : EDGE_BYTES) {
            Bytes mutated(file);
            mutated[offset] = value;
            apply(mutated);
        }
    }
    const uint32_t sizes[] = {static_cast<uint32_t>(file.size()),
                              static_cast<uint32_t>(file.size() - 1),
                              static_cast<uint32_t>(file.size() + 1)};
    for (size_t offset = 0; offset + 2 <= span; ++offset) {
        for (uint16_t value : EDGE_WORDS) {
            Bytes mutated(file);
            Put16LE(&mutated, offset, value);
            apply(mutated);
        }
    }
    for (size_t offset = 0; offset + 4 <= span; ++offset) {
        for (uint32_t value : EDGE_DWORDS) {
            Bytes mutated(file);
            Put32LE(&mutated, offset, value);
            apply(mutated);
        }
        for (uint32_t value : sizes) {
            Bytes mutated(file);
            Put32LE(&mutated, offset, value);
            apply(mutated);
        }
    }
    for (size_t length = 0; length <= file.size(); ++length)
        apply(Bytes(file.begin(), file.begin() + length));
}

void SweepSeed(const Seed& seed, Sweep* sweep)
{
    const Bytes* mask = seed.hasMask ? &seed.mask : nullptr;
    MutateFile(seed.picture, [&](const Bytes& picture) { sweep->Run(picture, mask); });
    if (seed.hasMask)
        MutateFile(seed.mask, [&](const Bytes& mutated) { sweep->Run(seed.picture, &mutated); });
}

// A few random edits to a copy of a seed: bytes anywhere (mostly in the headers),
// boundary numbers, truncation or extension.
Bytes RandomMutation(const Bytes& file, std::mt19937* random)
{
    Bytes mutated(file);
    const int edits = 1 + static_cast<int>((*random)() % 4);
    for (int edit = 0; edit < edits && !mutated.empty(); ++edit) {
        const size_t headerSpan = mutated.size() < HEADER_SPAN ? mutated.size() : HEADER_SPAN;
        const size_t offset = ((*random)() % 4 == 0) ? (*random)() % mutated.size()
                                                      : (*random)() % headerSpan;
        switch ((*random)() % 5) {
        case 0:
            mutated[offset] = static_cast<uint8_t>((*random)());
            break;
        case 1:
            mutated[offset] ^= static_cast<uint8_t>(1u << ((*random)() % 8));
            break;
        case 2:
            if (offset + 4 <= mutated.size())
                Put32LE(&mutated, offset,
                        EDGE_DWORDS[(*random)() % (sizeof EDGE_DWORDS / sizeof EDGE_DWORDS[0])]);
            break;
        case 3:
            mutated.resize((*random)() % (mutated.size() + 1));
            break;
        default:
            mutated.resize(mutated.size() + (*random)() % 64, static_cast<uint8_t>((*random)()));
            break;
        }
    }
    return mutated;
}

int WriteSeeds(const std::string& directory)
{
    for (const Seed& seed : Seeds()) {
        const Bytes input = PackFuzzInput(seed.picture, seed.hasMask ? &seed.mask : nullptr);
        const std::string path = directory + "/" + seed.name;
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(input.data(), 1, input.size(), file) != input.size()) {
            std::fprintf(stderr, "bmp_sweep: cannot write %s\n", path.c_str());
            if (file) std::fclose(file);
            return 1;
        }
        std::fclose(file);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned long randomCases = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--write-seeds") == 0 && i + 1 < argc) return WriteSeeds(argv[i + 1]);
        if (std::strcmp(argv[i], "--random") == 0 && i + 1 < argc) {
            randomCases = std::strtoul(argv[++i], nullptr, 10);
            continue;
        }
        std::fprintf(stderr, "usage: bmp_sweep [--random N] | --write-seeds DIR\n");
        return 2;
    }

    Sweep sweep;
    const std::vector<Seed> seeds = Seeds();
    for (const Seed& seed : seeds) SweepSeed(seed, &sweep);

    std::mt19937 random(20240601);
    for (unsigned long i = 0; i < randomCases; ++i) {
        const Seed& seed = seeds[random() % seeds.size()];
        const bool mutateMask = seed.hasMask && random() % 2 == 0;
        if (mutateMask) {
            const Bytes mask = RandomMutation(seed.mask, &random);
            sweep.Run(seed.picture, &mask);
        } else {
            sweep.Run(RandomMutation(seed.picture, &random), seed.hasMask ? &seed.mask : nullptr);
        }
    }
    // Every case that returns has kept its promises; a broken one aborts above.
    std::printf("bmp_sweep: %lu passed, 0 failed\n", sweep.cases);
    return 0;
}
