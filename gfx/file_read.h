// Reads a whole picture file into one buffer with one read, for both picture loaders.
// Only a regular file that comes back complete is handed on: nothing is ever parsed from
// bytes that were not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct FreeBytes {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};

// The bytes of one file; freed when the record goes out of scope.
struct FileContents {
    std::unique_ptr<uint8_t[], FreeBytes> data;
    size_t size = 0;
};

// Reads the file at `path` whole into `contents`. On failure returns false with
// g_graphicsError set and `contents` left empty:
//   2  the file cannot be opened, or is not a regular file (a directory, a device);
//   1  its length cannot be held in this process's memory;
//   16 it is empty, or fewer bytes come back than its length.
bool ReadWholeFile(const char* path, FileContents* contents);
