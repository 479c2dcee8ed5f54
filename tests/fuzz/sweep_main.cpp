// A deterministic sweep of one fuzz target under the sanitizers: every byte near the start of
// each seed's parts set to edge values, boundary numbers written at every offset there, every
// truncation of each part, then random mutations from a fixed seed. Bounded, so that it can
// run with every test pass.
//   <target>_sweep [--random N]        the sweep and N random mutations (default: the target's)
//   <target>_sweep --write-seeds DIR   write the seeds in the target's input layout and stop
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_target.h"

namespace {

const uint8_t EDGE_BYTES[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
const uint16_t EDGE_WORDS[] = {0, 1, 4, 8, 15, 16, 24, 32, 0x7FFF, 0x8000, 0xFFFF};
const uint32_t EDGE_DWORDS[] = {0,          1,          2,          3,          4,
                                12,         39,         40,         41,         54,
                                124,        255,        256,        257,        0x7FFF,
                                0x8000,     0x8001,     0xFFFF,     0x10000,    0x1000000,
                                0x3FFFFFFF, 0x40000000, 0x55555556, 0x7FFFFFFF, 0x80000000,
                                0x80000001, 0xFFFFFFFE, 0xFFFFFFFF};
const size_t EDGE_DWORD_COUNT = sizeof EDGE_DWORDS / sizeof EDGE_DWORDS[0];

void PutNumber(Bytes* bytes, size_t offset, uint32_t value, size_t width, bool bigEndian)
{
    for (size_t i = 0; i < width; ++i) {
        const size_t shift = 8 * (bigEndian ? width - 1 - i : i);
        (*bytes)[offset + i] = static_cast<uint8_t>(value >> shift);
    }
}

Bytes Pack(const FuzzTarget& target, const std::vector<Bytes>& parts)
{
    return target.pack ? target.pack(parts) : parts[0];
}

struct Sweep {
    const FuzzTarget* target;
    unsigned long cases;

    void Run(const std::vector<Bytes>& parts)
    {
        const Bytes input = Pack(*target, parts);
        const ExactCopy copy(input.data(), input.size());
        target->run(copy.bytes, copy.size);
        ++cases;
    }
};

// Every mutation of one part; `apply` puts the mutated part back in its place.
template <typename Apply>
void MutatePart(const FuzzTarget& target, const Bytes& part, Apply apply)
{
    Bytes edgeBytes(EDGE_BYTES, EDGE_BYTES + sizeof EDGE_BYTES);
    if (target.edgeText) edgeBytes.insert(edgeBytes.end(), target.edgeText,
                                          target.edgeText + std::strlen(target.edgeText));
    const size_t span = part.size() < target.headerSpan ? part.size() : target.headerSpan;
    for (size_t offset = 0; offset < span; ++offset) {
        for (uint8_t value : edgeBytes) {
            Bytes mutated(part);
            mutated[offset] = value;
            apply(mutated);
        }
    }
    for (size_t offset = 0; offset + 2 <= span; ++offset) {
        for (uint16_t value : EDGE_WORDS) {
            Bytes mutated(part);
            PutNumber(&mutated, offset, value, 2, target.bigEndian);
            apply(mutated);
        }
    }
    const uint32_t sizes[] = {static_cast<uint32_t>(part.size()),
                              static_cast<uint32_t>(part.size() - 1),
                              static_cast<uint32_t>(part.size() + 1)};
    for (size_t offset = 0; offset + 4 <= span; ++offset) {
        for (uint32_t value : EDGE_DWORDS) {
            Bytes mutated(part);
            PutNumber(&mutated, offset, value, 4, target.bigEndian);
            apply(mutated);
        }
        for (uint32_t value : sizes) {
            Bytes mutated(part);
            PutNumber(&mutated, offset, value, 4, target.bigEndian);
            apply(mutated);
        }
    }
    for (size_t length = 0; length <= part.size(); ++length)
        apply(Bytes(part.begin(), part.begin() + length));
}

void SweepSeed(const Seed& seed, Sweep* sweep)
{
    for (size_t index = 0; index < seed.parts.size(); ++index) {
        MutatePart(*sweep->target, seed.parts[index], [&](const Bytes& mutated) {
            std::vector<Bytes> parts(seed.parts);
            parts[index] = mutated;
            sweep->Run(parts);
        });
    }
}

// A few random edits to a copy of a part: bytes anywhere (mostly near its start), boundary
// numbers, truncation or extension.
Bytes RandomMutation(const FuzzTarget& target, const Bytes& part, std::mt19937* random)
{
    Bytes mutated(part);
    const int edits = 1 + static_cast<int>((*random)() % 4);
    for (int edit = 0; edit < edits; ++edit) {
        if (mutated.empty()) {
            mutated.resize((*random)() % 16, static_cast<uint8_t>((*random)()));
            continue;
        }
        const size_t span = mutated.size() < target.headerSpan ? mutated.size() : target.headerSpan;
        const size_t offset = ((*random)() % 4 == 0) ? (*random)() % mutated.size()
                                                      : (*random)() % span;
        switch ((*random)() % 5) {
        case 0:
            mutated[offset] = static_cast<uint8_t>((*random)());
            break;
        case 1:
            mutated[offset] ^= static_cast<uint8_t>(1u << ((*random)() % 8));
            break;
        case 2:
            if (offset + 4 <= mutated.size())
                PutNumber(&mutated, offset, EDGE_DWORDS[(*random)() % EDGE_DWORD_COUNT], 4,
                          target.bigEndian);
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

int WriteSeeds(const FuzzTarget& target, const std::string& directory)
{
    for (const Seed& seed : target.seeds()) {
        const Bytes input = Pack(target, seed.parts);
        const std::string path = directory + "/" + seed.name;
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(input.data(), 1, input.size(), file) != input.size()) {
            std::fprintf(stderr, "%s: cannot write %s\n", target.name, path.c_str());
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
    const FuzzTarget& target = FUZZ_TARGET;
    unsigned long randomCases = target.randomCases;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--write-seeds") == 0 && i + 1 < argc)
            return WriteSeeds(target, argv[i + 1]);
        if (std::strcmp(argv[i], "--random") == 0 && i + 1 < argc) {
            randomCases = std::strtoul(argv[++i], nullptr, 10);
            continue;
        }
        std::fprintf(stderr, "usage: %s [--random N] | --write-seeds DIR\n", target.name);
        return 2;
    }

    const auto started = std::chrono::steady_clock::now();
    Sweep sweep{&target, 0};
    const std::vector<Seed> seeds = target.seeds();
    for (const Seed& seed : seeds) SweepSeed(seed, &sweep);

    std::mt19937 random(20240601);
    for (unsigned long i = 0; i < randomCases; ++i) {
        const Seed& seed = seeds[random() % seeds.size()];
        std::vector<Bytes> parts(seed.parts);
        Bytes& part = parts[random() % parts.size()];
        part = RandomMutation(target, part, &random);
        sweep.Run(parts);
    }
    // Every case that returns has kept its promises; a broken one aborts above.
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::printf("%s: %lu passed, 0 failed, in %.1f s\n", target.name, sweep.cases, took.count());
    return 0;
}
