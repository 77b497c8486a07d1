// SPDX-License-Identifier: Apache-2.0
// Images looked at before the framework decodes them: sizes from the PNG
// and JPEG headers, and PNG files read through so that a cut or damaged
// one is refused.
#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "printerapp/ImageCheck.h"

namespace {

// A file in the test's own temporary folder.
std::string TempFile(const std::string& name)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ridev-images-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

// Writes a grey PNG of `width` x `height`; with `rows` false only its
// header (as a file that declares a size it does not hold).
std::string WritePng(const std::string& name, png_uint_32 width, png_uint_32 height, bool rows)
{
    const std::string path = TempFile(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (rows) {
        std::vector<png_byte> row(width, 0x80);
        for (png_uint_32 y = 0; y < height; ++y)
            png_write_row(png, row.data());
        png_write_end(png, nullptr);
    } else {
        png_write_flush(png);
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return path;
}

// Copies the first `bytes` bytes of a file into a new one.
std::string CutFile(const std::string& from, const std::string& name, std::size_t bytes)
{
    std::ifstream in(from, std::ios::binary);
    std::vector<char> data(bytes);
    in.read(data.data(), static_cast<std::streamsize>(bytes));
    const std::string path = TempFile(name);
    std::ofstream(path, std::ios::binary).write(data.data(), in.gcount());
    return path;
}

// Writes a JPEG's start: start of image, an APP0 segment and a baseline
// frame header of the given size (enough for the size check).
std::string WriteJpegHeader(const std::string& name, unsigned width, unsigned height)
{
    const unsigned char bytes[] = {
        0xff,
        0xd8,  // start of image
        0xff,
        0xe0,
        0x00,
        0x06,
        'J',
        'F',
        'I',
        'F',  // APP0, 4 bytes
        0xff,
        0xc0,
        0x00,
        0x0b,
        0x08,  // SOF0, 8 bits
        static_cast<unsigned char>(height >> 8),
        static_cast<unsigned char>(height),
        static_cast<unsigned char>(width >> 8),
        static_cast<unsigned char>(width),
        0x01,
        0x01,
        0x11,
        0x00,  // one component
    };
    const std::string path = TempFile(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return path;
}

TEST(ImageCheck, PngFilesAreReadThroughAndSized)
{
    const std::string whole = WritePng("whole.png", 300, 200, true);
    struct Case {
        std::string what;
        std::string path;
        const char* problem;  // part of the expected problem, empty: none
    };
    const Case cases[] = {
        {"a whole image", whole, ""},
        {"an image cut short", CutFile(whole, "cut.png", 60), "damaged"},
        {"only a signature", CutFile(whole, "signature.png", 8), "damaged"},
        {"16000 x 16000 pixels", WritePng("huge.png", 16000, 16000, false), "more than a page"},
        {"no file", TempFile("missing.png"), "cannot be read"},
    };
    for (const Case& test : cases) {
        const std::string problem = ImageCheck::PngProblem(test.path.c_str());
        if (*test.problem == '\0')
            EXPECT_EQ(problem, "") << test.what;
        else
            EXPECT_NE(problem.find(test.problem), std::string::npos)
                << test.what << ": " << problem;
    }
}

TEST(ImageCheck, JpegSizeComesFromItsFrameHeader)
{
    EXPECT_EQ(ImageCheck::JpegProblem(WriteJpegHeader("photo.jpg", 4000, 3000).c_str()), "");
    EXPECT_NE(ImageCheck::JpegProblem(WriteJpegHeader("huge.jpg", 16000, 16000).c_str())
                  .find("more than a page"),
              std::string::npos);
    EXPECT_NE(
        ImageCheck::JpegProblem(CutFile(WriteJpegHeader("a.jpg", 10, 10), "cut.jpg", 12).c_str())
            .find("damaged"),
        std::string::npos);
    EXPECT_NE(ImageCheck::SizeProblem(0, 10), "");
    std::filesystem::remove_all(std::filesystem::path(TempFile("x")).parent_path());
}

}  // namespace
