// SPDX-License-Identifier: Apache-2.0
// PngWriter: one-bit PNG output through libpng.
#include "tools/preview/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace preview {
namespace {

// Where libpng's error handler leaves its message.
struct PngFailure {
    char message[256] = {};
};

// libpng error handler: keeps the message and jumps back to EncodeRows.
[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

// libpng warnings carry nothing the preview's user needs.
void OnPngWarning(png_structp, png_const_charp) {}

// Pixels per metre for the pHYs chunk.
png_uint_32 PixelsPerMetre(int dpi)
{
    return static_cast<png_uint_32>((dpi * 10000 + 127) / 254);
}

// Encodes the raster into `file`. libpng reports errors by longjmp back to
// the setjmp below; no object with a destructor is created after it, so
// the jump skips no clean-up. `row` is a buffer of BytesPerLine() bytes.
bool EncodeRows(std::FILE* file, const vprinter::PageRaster& raster, int xDpi, int yDpi,
                unsigned char* row, PngFailure& failure)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnPngError, OnPngWarning);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(raster.Width()),
                 static_cast<png_uint_32>(raster.Height()), 1, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, PixelsPerMetre(xDpi), PixelsPerMetre(yDpi), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    const std::size_t bytesPerLine = raster.BytesPerLine();
    for (int y = 0; y < raster.Height(); ++y) {
        // In a one-bit grey PNG 0 is black: a dot becomes a clear bit.
        const unsigned char* bits =
            raster.Bits().data() + static_cast<std::size_t>(y) * bytesPerLine;
        for (std::size_t i = 0; i < bytesPerLine; ++i)
            row[i] = static_cast<unsigned char>(~bits[i]);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

// Opens the file, encodes, and reports the first failure.
bool WritePng(const vprinter::PageRaster& raster, int xDpi, int yDpi, const std::string& path,
              std::string& error)
{
    std::vector<unsigned char> row(raster.BytesPerLine());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    PngFailure failure;
    bool ok = EncodeRows(file, raster, xDpi, yDpi, row.data(), failure);
    if (!ok) {
        error = path + ": " + (failure.message[0] ? failure.message : "cannot encode PNG");
    }
    if (std::fclose(file) != 0 && ok) {
        error = path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok)
        std::remove(path.c_str());
    return ok;
}

}  // namespace preview
