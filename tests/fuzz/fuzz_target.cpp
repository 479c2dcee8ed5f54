// What every target shares: the end of the program on a broken promise, the exact-length
// copies that make a read past the end visible, and seeds read from files or text.
#include "tests/fuzz/fuzz_target.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void Broken(const char* target, const char* promise)
{
    std::fprintf(stderr, "%s: broken promise: %s\n", target, promise);
    std::abort();
}

ExactCopy::ExactCopy(const uint8_t* data, size_t count, size_t zeros)
    : bytes(new uint8_t[count + zeros]), size(count + zeros)
{
    if (count) std::memcpy(bytes, data, count);
    if (zeros) std::memset(bytes + count, 0, zeros);
}

namespace {

size_t TextLength(const uint8_t* data, size_t size)
{
    const void* zero = size ? std::memchr(data, 0, size) : nullptr;
    return zero ? static_cast<const uint8_t*>(zero) - data : size;
}

}  // namespace

ExactText::ExactText(const uint8_t* data, size_t size)
    : ExactCopy(data, TextLength(data, size), 1)
{
}

Bytes ReadSeedFile(const char* target, const std::string& path)
{
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "%s: cannot read the seed %s\n", target, path.c_str());
        std::exit(2);
    }
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

Bytes TextPart(const std::string& text) { return Bytes(text.begin(), text.end()); }
