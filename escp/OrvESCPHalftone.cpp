// SPDX-License-Identifier: Apache-2.0
// OrvESCP halftoning: ordered dithering of an 8-bit grey page (0 black,
// 255 white) into a one-bit page with a fixed threshold matrix anchored at
// the page's top-left pixel.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <vector>

#include "escp/ColumnKernels.h"
#include "escp/OrvESCP.h"

namespace {

// A square threshold matrix, stored row by row: a pixel whose grey value is
// below the entry for (row mod size, column mod size) becomes a dot.
struct ThresholdMatrix {
    int size;
    const unsigned char* values;
};

// clang-format off
// 6 x 6 matrix, values 1 to 229, all distinct.
constexpr unsigned char kMatrix6x6[6 * 6] = {
     47,  73, 110,  96,  63,  34,
     15, 126, 214, 188,  29,   1,
     54,  83, 165, 144,  40,  25,
    102,  68,  37,  51,  78, 118,
    201,  32,   7,  24, 135, 229,
    154,  43,  27,  59,  89, 176,
};

// 8 x 8 matrix, values 2 to 248, all distinct.
constexpr unsigned char kMatrix8x8[8 * 8] = {
    248,  99,  76,  47,  51,  65, 106, 209,
    224, 183,  43,  13,   2,  56, 150, 196,
    171, 140,  40,  25,  17,  30, 114, 160,
    131,  85,  60,  36,  33,  71,  92, 122,
     53,  68, 102, 202, 231,  95,  79,  49,
      6,  58, 145, 189, 216, 177,  45,  24,
     29,  31, 110, 155, 166, 135,  41,  26,
     34,  73,  88, 118, 126,  82,  63,  38,
};

// 16 x 16 supercell: a four-by-four cell shape repeated with small changes
// of level from cell to cell, values 1 to 254.
constexpr unsigned char kMatrixSupercell[16 * 16] = {
     47, 143,  35, 195,  52, 134,  32, 182,  48, 146,  36, 199,  53, 132,  31, 181,
     96,   8,  74,  22, 104,   2,  69,  20,  97,  13,  76,  23, 106,   1,  68,  20,
     46, 254,  61, 166,  42, 245,  66, 252,  45, 218,  60, 161,  41, 245,  67, 250,
     95,  28, 121,  17,  87,  30, 128,  19,  93,  27, 119,  16,  85,  31, 131,  19,
     56, 142,  34, 193,  51, 150,  37, 204,  55, 139,  33, 188,  50, 153,  38, 208,
    112,   7,  73,  22, 103,  15,  78,  24, 109,   4,  72,  21, 101,  15,  80,  25,
     40, 245,  64, 172,  44, 210,  57, 155,  39, 239,  63, 169,  43, 214,  59, 158,
     83,  29, 126,  18,  91,  25, 113,  16,  81,  28, 123,  18,  89,  26, 115,  16,
     49, 147,  36, 201,  53, 132,  32, 181,  48, 145,  35, 197,  52, 135,  32, 184,
     99,  14,  77,  23, 107,   1,  69,  20,  96,  10,  75,  22, 105,   2,  70,  21,
     45, 216,  59, 159,  40, 245,  66, 247,  46, 221,  61, 164,  42, 245,  65, 252,
     92,  26, 117,  16,  84,  30, 130,  19,  94,  27, 120,  17,  86,  30, 127,  18,
     54, 136,  33, 186,  49, 152,  38, 206,  55, 140,  34, 189,  50, 149,  37, 203,
    108,   3,  71,  21, 100,  15,  79,  24, 110,   6,  73,  22, 102,  14,  77,  24,
     38, 234,  62, 167,  43, 212,  58, 156,  39, 242,  64, 171,  44, 210,  57, 155,
     81,  28, 122,  17,  88,  26, 114,  16,  83,  29, 125,  18,  90,  25, 113,  15,
};
// clang-format on

// True when every threshold is at least 1, so that each less one is a dot
// level (a threshold of 0 would make no dots at all).
template <std::size_t kSize>
constexpr bool AllAboveZero(const unsigned char (&values)[kSize])
{
    for (const unsigned char value : values) {
        if (value == 0) {
            return false;
        }
    }
    return true;
}
static_assert(AllAboveZero(kMatrix6x6) && AllAboveZero(kMatrix8x8) &&
                  AllAboveZero(kMatrixSupercell),
              "every threshold is a dot level plus one");

// Rows of dot levels are kept in blocks of this many bytes, aligned to it.
constexpr std::size_t kLevelAlignment = 16;
struct alignas(kLevelAlignment) LevelBlock {
    unsigned char bytes[kLevelAlignment];
};
using AlignedLevels = std::vector<LevelBlock>;

// The matrix of a pattern; size 0 for a value that is not a pattern.
ThresholdMatrix MatrixFor(OrvESCP::Halfton pattern)
{
    switch (pattern) {
    case OrvESCP::HalftonAuto:
    case OrvESCP::Halfton6x6:
        return {6, kMatrix6x6};
    case OrvESCP::HalftonSupercell:
        return {16, kMatrixSupercell};
    case OrvESCP::Halfton8x8:
        return {8, kMatrix8x8};
    }
    return {0, nullptr};
}

}  // namespace

// Dithers the grey page into `out` (bytesPerLine * height zero bytes).
int OrvESCP::Gray2DotMatrix(const unsigned char* gray, int bytesPerLine, int width, int height,
                            std::vector<unsigned char>& out, Halfton pattern)
{
    if (gray == nullptr || out.empty() || bytesPerLine < 0 || width < 0 || height < 0 ||
        out.size() < static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height)) {
        return -1;
    }
    const auto stride = static_cast<std::uint64_t>(bytesPerLine);
    return DitherPage(gray, stride, static_cast<std::uint64_t>(width),
                      static_cast<std::uint64_t>(height), out.data(), stride, pattern);
}

// Dithers row by row against one contiguous row of thresholds.
int OrvESCP::DitherPage(const unsigned char* grey, std::uint64_t greyBytesPerLine,
                        std::uint64_t width, std::uint64_t height, unsigned char* out,
                        std::uint64_t outBytesPerLine, Halfton pattern)
{
    const ThresholdMatrix matrix = MatrixFor(pattern);
    const std::uint64_t dotBytes = (width + 7) / 8;
    if (grey == nullptr || out == nullptr || matrix.size == 0 || width > greyBytesPerLine ||
        dotBytes > outBytesPerLine || width > static_cast<std::uint64_t>(INT_MAX)) {
        return -1;
    }

    // Each matrix row repeated across the page width, so a page row is
    // compared with one contiguous row: the matrix row once, then what is
    // there copied after itself until the row is full. The rows hold dot
    // levels, each threshold less one (the lightest grey that gets a dot), and
    // start on 16-byte boundaries, where the kernels read them fastest.
    const std::size_t rowWidth = static_cast<std::size_t>(width);
    const std::size_t rowPitch =
        (rowWidth + kLevelAlignment - 1) / kLevelAlignment * kLevelAlignment;
    const auto size = static_cast<std::size_t>(matrix.size);
    AlignedLevels levelRows(size * rowPitch / kLevelAlignment);
    unsigned char* const levels = levelRows.empty() ? nullptr : levelRows.front().bytes;
    for (std::size_t r = 0; r < size && rowWidth != 0; ++r) {
        unsigned char* row = levels + r * rowPitch;
        std::size_t filled = std::min(size, rowWidth);
        for (std::size_t x = 0; x < filled; ++x) {
            row[x] = static_cast<unsigned char>(matrix.values[r * size + x] - 1);
        }
        while (filled < rowWidth) {
            const std::size_t copy = std::min(filled, rowWidth - filled);
            std::memcpy(row + filled, row, copy);
            filled += copy;
        }
    }
    const ColumnKernels& kernels = ColumnKernels::Current();
    for (std::uint64_t i = 0; i < height; ++i) {
        unsigned char* row = out + i * outBytesPerLine;
        kernels.ditherRow(grey + i * greyBytesPerLine,
                          levels + (i % static_cast<std::uint64_t>(matrix.size)) * rowPitch,
                          static_cast<int>(width), row);
        if (outBytesPerLine > dotBytes) {
            std::memset(row + dotBytes, 0, outBytesPerLine - dotBytes);
        }
    }
    return 1;
}
