// Decoding picture files on Linux. Each decoder runs only on data our screens accepted,
// and writes rows straight into the surface, truncating each channel to RGB565 as the
// Windows host's 16-bit bitmap does.
#include "x11/picture_file.h"

#include <png.h>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/error.h"
#include "gfx/file_read.h"
#include "gfx/jpeg_screen.h"
#include "gfx/picture_kind.h"
#include "gfx/png_screen.h"

namespace {

inline uint16_t PackRgb565(const uint8_t* rgb)
{
    return static_cast<uint16_t>((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3);
}

void PackRow(const uint8_t* rgb, uint16_t* out, int32_t width)
{
    for (int32_t x = 0; x < width; ++x, rgb += 3) out[x] = PackRgb565(rgb);
}

// libjpeg reports a fatal error by calling error_exit, which must not return.
struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info)
{
    JpegError* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    longjmp(error->jump, 1);
}

void JpegQuiet(j_common_ptr, int) {}

bool DecodeJpeg(const FileContents& file, Surface* picture, std::string* why)
{
    JpegFrame frame;
    if (!ScreenJpeg(file.data.get(), file.size, &frame)) {
        *why = "not a JPEG picture this program can read, or its size is too large";
        return false;
    }
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    error.manager.emit_message = JpegQuiet;
    error.message[0] = '\0';
    std::vector<uint8_t> row;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        picture->Release();
        *why = std::string("the JPEG decoder failed: ") + error.message;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data.get(), static_cast<unsigned long>(file.size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    // The screen checked the frame header; the decoder's own reading must agree with it.
    if (int64_t(info.output_width) != frame.width || int64_t(info.output_height) != frame.height ||
        info.output_components != 3 || !picture->Create(frame.width, frame.height)) {
        jpeg_destroy_decompress(&info);
        picture->Release();
        *why = "the JPEG picture cannot be held in memory";
        return false;
    }
    row.resize(size_t(frame.width) * 3);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height) {
        const int32_t y = static_cast<int32_t>(info.output_scanline);
        jpeg_read_scanlines(&info, rows, 1);
        PackRow(row.data(), picture->Row(y), frame.width);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void PngRead(png_structp png, png_bytep out, png_size_t length)
{
    PngReader* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) png_error(png, "the file ends early");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

void PngWarning(png_structp, png_const_charp) {}

bool DecodePng(const FileContents& file, Surface* picture, std::string* why)
{
    PngHeader header;
    if (!ScreenPng(file.data.get(), file.size, &header)) {
        *why = "not a PNG picture this program can read, or its size is too large";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *why = "the PNG decoder could not start";
        return false;
    }
    PngReader reader{file.data.get(), file.size, 0};
    std::vector<uint8_t> row;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        picture->Release();
        *why = "the PNG decoder failed on damaged data";
        return false;
    }
    png_set_read_fn(png, &reader, PngRead);
    png_set_user_limits(png, PICTURE_MAX_SIDE, PICTURE_MAX_SIDE);
    png_read_info(png, info);
    // Every kind of PNG becomes 8-bit RGB; transparency is dropped, as the desktop shows
    // no background through the picture.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (int64_t(width) != header.width || int64_t(height) != header.height ||
        png_get_rowbytes(png, info) != size_t(width) * 3 || !picture->Create(width, height)) {
        png_destroy_read_struct(&png, &info, nullptr);
        picture->Release();
        *why = "the PNG picture cannot be held in memory";
        return false;
    }
    // An interlaced picture is read in several passes over the same rows, so the rows are
    // kept as RGB until the last pass; a plain one needs a single row at a time.
    row.resize(size_t(width) * 3 * (passes > 1 ? height : 1));
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            uint8_t* rgb = row.data() + (passes > 1 ? size_t(y) * width * 3 : 0);
            png_read_row(png, rgb, nullptr);
            if (pass == passes - 1) PackRow(rgb, picture->Row(y), width);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool LoadPictureFile(const char* path, Surface* picture, std::string* why)
{
    picture->Release();
    FileContents file;
    errno = 0;
    if (!ReadWholeFile(path, &file)) {
        const int systemError = errno;
        *why = GraphicsErrorMessage(g_graphicsError);
        if (systemError != 0) *why += std::string(" (") + std::strerror(systemError) + ")";
        return false;
    }
    bool loaded = false;
    switch (DetectPictureKind(file.data.get(), file.size)) {
    case PICTURE_JPEG: loaded = DecodeJpeg(file, picture, why); break;
    case PICTURE_PNG: loaded = DecodePng(file, picture, why); break;
    case PICTURE_BMP:
        loaded = ReadBmp(picture, file.data.get(), file.size, nullptr, 0);
        if (!loaded) *why = std::string("not a BMP picture this program can read: ") +
                            GraphicsErrorMessage(g_graphicsError);
        break;
    default: *why = "not a JPEG, PNG or BMP picture"; break;
    }
    if (!loaded) picture->Release();
    return loaded;
}
