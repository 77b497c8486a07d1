// SPDX-License-Identifier: Apache-2.0
// ImageCheck: image sizes from their headers, and a PNG read through once.
#include "printerapp/ImageCheck.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "page/PageLimits.h"

namespace {

// Bytes a pixel takes once the framework has decoded an image.
constexpr std::uint64_t kDecodedBytesPerPixel = 3;

// Closes a C file.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What a read through a PNG found. Everything that changes between setjmp
// and a longjmp lives here, reached through a pointer, so that it is
// in memory when libpng's error handler jumps back.
struct PngRead {
    std::jmp_buf jump;
    bool damaged = false;
    std::string damage;       // libpng's error message
    std::string sizeProblem;  // the image's size cannot be printed
    png_bytep row = nullptr;  // one decoded row
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
    read->damaged = true;
    read->damage = message != nullptr ? message : "damaged";
    std::longjmp(read->jump, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Reads every row of the PNG (of every interlace pass) into `read.row`.
void ReadEveryRow(png_structp png, png_infop info, PngRead& read)
{
    png_set_user_limits(png, kMaxPageWidth, kMaxPageWidth);
    png_read_info(png, info);
    read.sizeProblem =
        ImageCheck::SizeProblem(png_get_image_width(png, info), png_get_image_height(png, info));
    if (!read.sizeProblem.empty())
        return;
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    read.row = static_cast<png_bytep>(png_malloc(png, png_get_rowbytes(png, info)));
    const png_uint_32 height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, read.row, nullptr);
    }
    png_read_end(png, nullptr);
}

// Reads the PNG through; the problem, or empty.
std::string ReadPngThrough(std::FILE* file)
{
    PngRead read;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, OnPngError, OnPngWarning);
    if (png == nullptr)
        return "out of memory";
    png_infop info = png_create_info_struct(png);
    if (info != nullptr) {
        png_init_io(png, file);
        if (setjmp(read.jump) == 0)
            ReadEveryRow(png, info, read);
    }
    const bool noInfo = info == nullptr;
    png_free(png, read.row);
    png_destroy_read_struct(&png, noInfo ? nullptr : &info, nullptr);
    if (noInfo)
        return "out of memory";
    if (read.damaged)
        return "the PNG file is damaged (" + read.damage + ")";
    return read.sizeProblem;
}

// The PNG signature, and the bytes up to the end of the header chunk's
// width and height.
constexpr std::size_t kPngSignatureBytes = 8;
constexpr std::size_t kPngHeaderBytes = kPngSignatureBytes + 16;

// Reads a big-endian 32-bit number.
std::uint64_t Read32(const unsigned char* bytes)
{
    return (static_cast<std::uint64_t>(bytes[0]) << 24) |
           (static_cast<std::uint64_t>(bytes[1]) << 16) |
           (static_cast<std::uint64_t>(bytes[2]) << 8) | bytes[3];
}

// Reads a big-endian 16-bit number.
unsigned Read16(const unsigned char* bytes)
{
    return (static_cast<unsigned>(bytes[0]) << 8) | bytes[1];
}

// True for the JPEG markers that start a frame (and give its size).
bool IsFrameMarker(int marker)
{
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

}  // namespace

std::string ImageCheck::SizeProblem(std::uint64_t width, std::uint64_t height)
{
    if (width == 0 || height == 0)
        return "the image has no pixels";
    if (width * height * kDecodedBytesPerPixel > kMaxPageBytes)
        return "the image is " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels, more than a page may hold";
    return std::string();
}

std::string ImageCheck::PngProblem(const char* path)
{
    File file(std::fopen(path, "rb"));
    if (!file)
        return "the document cannot be read";
    // The size first, from the header chunk that follows the signature.
    unsigned char start[kPngHeaderBytes];
    if (std::fread(start, 1, sizeof start, file.get()) != sizeof start ||
        png_sig_cmp(start, 0, kPngSignatureBytes) != 0 ||
        std::memcmp(start + kPngSignatureBytes + 4, "IHDR", 4) != 0)
        return "the PNG file is damaged (no header)";
    const std::string sizeProblem = SizeProblem(Read32(start + kPngSignatureBytes + 8),
                                                Read32(start + kPngSignatureBytes + 12));
    if (!sizeProblem.empty())
        return sizeProblem;
    std::rewind(file.get());
    return ReadPngThrough(file.get());
}

std::string ImageCheck::JpegProblem(const char* path)
{
    File file(std::fopen(path, "rb"));
    if (!file)
        return "the document cannot be read";
    unsigned char start[2];
    if (std::fread(start, 1, 2, file.get()) != 2 || start[0] != 0xff || start[1] != 0xd8)
        return "the JPEG file is damaged (no start of image)";
    // Walk the marker segments up to the first frame header.
    for (;;) {
        int byte = std::fgetc(file.get());
        if (byte != 0xff)
            return "the JPEG file is damaged (no frame header)";
        int marker;
        do {
            marker = std::fgetc(file.get());
        } while (marker == 0xff);
        if (marker == EOF || marker == 0xd9 || marker == 0xda)
            return "the JPEG file is damaged (no frame header)";
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue;
        unsigned char length[2];
        if (std::fread(length, 1, 2, file.get()) != 2 || Read16(length) < 2)
            return "the JPEG file is damaged (bad segment)";
        if (IsFrameMarker(marker)) {
            unsigned char frame[5];
            if (std::fread(frame, 1, 5, file.get()) != 5)
                return "the JPEG file is damaged (short frame header)";
            return SizeProblem(Read16(frame + 3), Read16(frame + 1));
        }
        if (std::fseek(file.get(), static_cast<long>(Read16(length)) - 2, SEEK_CUR) != 0)
            return "the JPEG file is damaged (bad segment)";
    }
}
