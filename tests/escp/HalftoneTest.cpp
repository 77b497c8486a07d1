// SPDX-License-Identifier: Apache-2.0
// Ordered dithering of grey pages: the threshold matrices (recovered from
// the dithered output), the dot rule grey < threshold anchored at the
// top-left pixel, the one-bit packing and the rejected inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;
using escptest::Hex;

namespace {

bool IsDot(const Bytes& bits, int bytesPerLine, int row, int x)
{
    return (bits[row * bytesPerLine + x / 8] & (0x80 >> (x % 8))) != 0;
}

// Dithers a grey page of one value.
Bytes DitherUniform(unsigned char grey, int width, int height, OrvESCP::Halfton pattern)
{
    const Bytes page(width * height, grey);
    Bytes bits(width * height, 0);
    EXPECT_EQ(OrvESCP::Gray2DotMatrix(page.data(), width, width, height, bits, pattern), 1);
    return bits;
}

// The n x n thresholds a pattern uses: column block g of the page has grey
// g, and a position is a dot for exactly the greys below its threshold.
std::vector<int> RecoverMatrix(OrvESCP::Halfton pattern, int n)
{
    const int width = n * 256;
    Bytes page(width * n);
    for (int row = 0; row < n; ++row) {
        for (int x = 0; x < width; ++x) {
            page[row * width + x] = static_cast<unsigned char>(x / n);
        }
    }
    Bytes bits(width * n, 0);
    OrvESCP::Gray2DotMatrix(page.data(), width, width, n, bits, pattern);
    std::vector<int> matrix(n * n, 0);
    for (int row = 0; row < n; ++row) {
        for (int x = 0; x < width; ++x) {
            matrix[row * n + x % n] += IsDot(bits, width, row, x);
        }
    }
    return matrix;
}

struct MatrixCase {
    OrvESCP::Halfton pattern;
    int n, minValue, maxValue, distinct;
    std::vector<std::array<int, 3>> spots;  // row, column, threshold
};

TEST(Halftone, MatricesHaveTheirStatedValues)
{
    const MatrixCase cases[] = {
        {OrvESCP::HalftonAuto, 6, 1, 229, 36, {{1, 1, 126}, {0, 0, 47}, {4, 5, 229}}},
        {OrvESCP::Halfton6x6, 6, 1, 229, 36, {{1, 1, 126}, {1, 5, 1}, {5, 5, 176}}},
        {OrvESCP::Halfton8x8, 8, 2, 248, 64, {{7, 5, 82}, {0, 0, 248}, {1, 4, 2}}},
        {OrvESCP::HalftonSupercell, 16, 1, 254, 175, {{7, 13, 26}, {2, 1, 254}, {15, 15, 15}}},
    };
    for (const MatrixCase& c : cases) {
        SCOPED_TRACE(c.pattern);
        const std::vector<int> m = RecoverMatrix(c.pattern, c.n);
        EXPECT_EQ(*std::min_element(m.begin(), m.end()), c.minValue);
        EXPECT_EQ(*std::max_element(m.begin(), m.end()), c.maxValue);
        EXPECT_EQ(std::set<int>(m.begin(), m.end()).size(), static_cast<std::size_t>(c.distinct));
        for (const auto& [row, col, value] : c.spots) {
            EXPECT_EQ(m[row * c.n + col], value) << "entry (" << row << ", " << col << ")";
        }
    }
}

TEST(Halftone, UniformGrey100With6x6)
{
    const Bytes bits = DitherUniform(100, 12, 12, OrvESCP::Halfton6x6);
    int dotsInFirstTile = 0;
    for (int row = 0; row < 12; ++row) {
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(IsDot(bits, 12, row, x), IsDot(bits, 12, row % 6, x % 6));
            dotsInFirstTile += row < 6 && x < 6 && IsDot(bits, 12, row, x);
        }
    }
    EXPECT_EQ(dotsInFirstTile, 13);
    EXPECT_TRUE(IsDot(bits, 12, 0, 2));   // threshold 110
    EXPECT_FALSE(IsDot(bits, 12, 0, 3));  // threshold 96
    EXPECT_TRUE(IsDot(bits, 12, 3, 0));   // threshold 102
}

TEST(Halftone, PixelAtRow7Column13)
{
    const std::pair<OrvESCP::Halfton, unsigned char> cases[] = {
        {OrvESCP::Halfton6x6, 126}, {OrvESCP::Halfton8x8, 82}, {OrvESCP::HalftonSupercell, 26}};
    for (const auto& [pattern, threshold] : cases) {
        SCOPED_TRACE(pattern);
        EXPECT_TRUE(IsDot(DitherUniform(threshold - 1, 16, 8, pattern), 16, 7, 13));
        EXPECT_FALSE(IsDot(DitherUniform(threshold, 16, 8, pattern), 16, 7, 13));
    }
}

TEST(Halftone, BlackIsAllDotsAndWhiteIsNone)
{
    // 48 pixels per row of 48 bytes: six bytes of dots, then zero bytes.
    Bytes allDots(48 * 48, 0);
    for (int row = 0; row < 48; ++row) {
        std::fill_n(allDots.begin() + row * 48, 6, 0xFF);
    }
    for (auto pattern : {OrvESCP::HalftonAuto, OrvESCP::HalftonSupercell, OrvESCP::Halfton6x6,
                         OrvESCP::Halfton8x8}) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(DitherUniform(0, 48, 48, pattern), allDots);
        EXPECT_EQ(DitherUniform(255, 48, 48, pattern), Bytes(48 * 48, 0));
    }
}

TEST(Halftone, PixelsArePackedMostSignificantBitFirst)
{
    // Width 9: byte 0 holds pixels 0-7, bit 7 of byte 1 pixel 8.
    EXPECT_EQ(Hex(DitherUniform(0, 9, 1, OrvESCP::Halfton6x6)), "FF 80 00 00 00 00 00 00 00");

    // Width 10 in rows of 16 bytes: grey bytes past the width are black but
    // never read, and the rest of each output row stays zero.
    const Bytes page(16 * 2, 0);
    Bytes bits(16 * 2, 0);
    EXPECT_EQ(OrvESCP::Gray2DotMatrix(page.data(), 16, 10, 2, bits, OrvESCP::Halfton8x8), 1);
    EXPECT_EQ(Hex(bits), Hex(Bytes{0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Halftone, RejectedInputsWriteNothing)
{
    const Bytes page(64, 0);
    struct RejectCase {
        const char* name;
        const unsigned char* grey;
        int bytesPerLine, width, height;
        std::size_t outSize;
        int pattern;
    };
    const RejectCase cases[] = {
        {"null page", nullptr, 8, 8, 8, 64, 0},
        {"empty output", page.data(), 8, 8, 8, 0, 0},
        {"pattern 4", page.data(), 8, 8, 8, 64, 4},
        {"pattern -1", page.data(), 8, 8, 8, 64, -1},
        {"width above bytes per line", page.data(), 8, 9, 7, 64, 0},
        {"output too small", page.data(), 8, 8, 8, 63, 0},
        {"negative height", page.data(), 8, 8, -1, 64, 0},
    };
    for (const RejectCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out(c.outSize, 0x5A);
        EXPECT_EQ(OrvESCP::Gray2DotMatrix(c.grey, c.bytesPerLine, c.width, c.height, out,
                                          static_cast<OrvESCP::Halfton>(c.pattern)),
                  -1);
        EXPECT_EQ(out, Bytes(c.outSize, 0x5A));
    }
}

}  // namespace
