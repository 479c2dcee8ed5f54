// Reading a picture file whole. The length comes from the open file's own status, in 64
// bits on both builds, so that a file of 2 GiB or more on the 32-bit build is refused
// rather than measured wrongly.
#include "gfx/file_read.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <utility>

#include "gfx/error.h"

namespace {

struct CloseFile {
    void operator()(FILE* file) const { std::fclose(file); }
};

// The length of an open file, or -1 when it is not a regular file: a directory opens on
// some systems, and a device has no length worth trusting.
int64_t RegularFileLength(FILE* file)
{
#ifdef _WIN32
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) != 0) return -1;
    if ((info.st_mode & _S_IFMT) != _S_IFREG) return -1;
#else
    struct stat info;
    if (fstat(fileno(file), &info) != 0) return -1;
    if (!S_ISREG(info.st_mode)) return -1;
#endif
    return static_cast<int64_t>(info.st_size);
}

}  // namespace

bool ReadWholeFile(const char* path, FileContents* contents)
{
    contents->data.reset();
    contents->size = 0;

    std::unique_ptr<FILE, CloseFile> file(std::fopen(path, "rb"));
    if (!file) return GraphicsFail(GFX_CANNOT_OPEN_FILE);

    const int64_t length = RegularFileLength(file.get());
    if (length < 0) return GraphicsFail(GFX_CANNOT_OPEN_FILE);
    if (length == 0) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);
    if (static_cast<uint64_t>(length) > static_cast<uint64_t>(PTRDIFF_MAX))
        return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);

    const size_t size = static_cast<size_t>(length);
    std::unique_ptr<uint8_t[], FreeBytes> data(static_cast<uint8_t*>(std::malloc(size)));
    if (!data) return GraphicsFail(GFX_CANNOT_ALLOCATE_MEMORY);
    if (std::fread(data.get(), 1, size, file.get()) != size) return GraphicsFail(GFX_CANNOT_LOAD_IMAGE);

    contents->data = std::move(data);
    contents->size = size;
    return true;
}
