// One fuzz target as both programs run it: the deterministic sweep of every test run and the
// coverage-guided libFuzzer program. A target is a function over one input, the seeds it
// starts from and the way their parts are packed into that input; the driver does the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// A seed is made of parts (a file, a mask, one stored value, one argument), which the sweep
// mutates one at a time before packing them into the target's input.
struct Seed {
    std::string name;
    std::vector<Bytes> parts;
};

struct FuzzTarget {
    const char* name;
    // Runs one input, checking the target's promises; a broken one ends the program.
    void (*run)(const uint8_t* data, size_t size);
    std::vector<Seed> (*seeds)();
    // Packs a seed's parts into the target's input; null: the one part is the input.
    Bytes (*pack)(const std::vector<Bytes>& parts);
    // Edge numbers are written into a part in this byte order.
    bool bigEndian;
    // The first bytes of each part that get every edge value at every offset.
    size_t headerSpan;
    // Further bytes to try at every offset besides 0x00, 0x01, 0x7F, 0x80 and 0xFF.
    const char* edgeText;
    // Random mutations after the sweep, unless --random says otherwise.
    unsigned long randomCases;
};

// Defined by each target's file; the sweep program and the libFuzzer entry run it.
extern const FuzzTarget FUZZ_TARGET;

// Ends the program with the target's name and the promise that did not hold.
[[noreturn]] void Broken(const char* target, const char* promise);

inline void Check(bool held, const char* target, const char* promise)
{
    if (!held) Broken(target, promise);
}

// An exact-length heap copy, so that a read one byte past its end is a sanitizer report.
// (new uint8_t[0] is a real allocation whose every byte is out of bounds.) `zeros` more
// bytes of 0 may follow the copied ones.
struct ExactCopy {
    ExactCopy(const uint8_t* data, size_t count, size_t zeros = 0);
    ~ExactCopy() { delete[] bytes; }
    ExactCopy(const ExactCopy&) = delete;
    ExactCopy& operator=(const ExactCopy&) = delete;
    uint8_t* bytes;
    size_t size;
};

// The same as a C string: the bytes up to the first zero, with a terminator and nothing after.
struct ExactText : ExactCopy {
    ExactText(const uint8_t* data, size_t size);
    char* text() const { return reinterpret_cast<char*>(bytes); }
    size_t length() const { return size - 1; }
};

// Reads a file whole, for seeds kept as files in tests/data; a missing one ends the program.
Bytes ReadSeedFile(const char* target, const std::string& path);

// Text as a part.
Bytes TextPart(const std::string& text);
