// SPDX-License-Identifier: Apache-2.0
// The inner loops of every processor path against plain references, on
// random rows at every length around the paths' steps (8, 16, 32 and 64
// bytes or pixels), so that the tails of each path are exercised: the grey
// dither, the OR of a band's rows, the word byte order and the column bytes
// of a block at every column size; and the portable path's word versions
// (with their zero scan).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "escp/ColumnKernels.h"
#include "tests/escp/ColumnPaths.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Lengths around every step of the paths, and rows of several of the
// widest steps with an overlapping last one.
const int kLengths[] = {0,  1,  7,  8,  9,   15,  16,  17,  31,  32,  33,  47,  63,  64,
                        65, 95, 96, 97, 127, 128, 129, 191, 200, 255, 257, 300, 520, 600};

Bytes RandomBytes(std::size_t size, std::mt19937& random)
{
    Bytes bytes(size);
    for (unsigned char& b : bytes) {
        b = static_cast<unsigned char>(random());
    }
    return bytes;
}

class ColumnKernelsTest : public escptest::ColumnPathTest {};

// Checks the kernels' dither against the plain one, with the levels on a
// 16-byte boundary of memory and off it.
void ExpectDitherRowPacksDotsWhereGreyIsAtMostTheLevel(const ColumnKernels& kernels)
{
    std::mt19937 random(17);
    // White (which no level makes dots) with marks every `markEvery`
    // pixels; 0: random grey everywhere. Long white stretches with one
    // mark after them catch a white test that skips too much.
    struct Pattern {
        int markEvery;
        const char* name;
    };
    const Pattern patterns[] = {{0, "random"},
                                {150, "a mark every 150"},
                                {1100, "a mark every 1100"},
                                {512, "a mark every 512"}};
    std::vector<int> widths(std::begin(kLengths), std::end(kLengths));
    widths.insert(widths.end(), {1023, 1024, 1099, 1100, 1101, 2300});
    for (const int width : widths) {
        for (const Pattern& pattern : patterns) {
            Bytes grey = RandomBytes(static_cast<std::size_t>(width), random);
            for (int x = 0; pattern.markEvery != 0 && x < width; ++x) {
                grey[x] = x % pattern.markEvery == pattern.markEvery - 1 ? grey[x] : 255;
            }
            Bytes levels = RandomBytes(static_cast<std::size_t>(width), random);
            for (int x = 0; x < width; ++x) {
                levels[x] = std::min<unsigned char>(levels[x], 254);
            }
            // Equal values are dots, a level one below the grey is paper.
            for (int x = 0; x < width; x += 5) {
                levels[x] = std::min<unsigned char>(grey[x], 254);
            }
            for (int x = 3; x < width; x += 7) {
                levels[x] = grey[x] == 0 ? 0 : static_cast<unsigned char>(grey[x] - 1);
            }
            // The marks are dots.
            for (int x = pattern.markEvery - 1; pattern.markEvery != 0 && x < width;
                 x += pattern.markEvery) {
                grey[x] = 0;
                levels[x] = 128;
            }
            Bytes expected((width + 7) / 8 + 1, 0);
            for (int x = 0; x < width; ++x) {
                if (grey[x] <= levels[x]) {
                    expected[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
                }
            }
            expected.back() = 0xA5;  // the byte after the row is not written
            for (const std::size_t place : {0, 16, 5}) {
                Bytes memory(place + levels.size());
                std::copy(levels.begin(), levels.end(), memory.begin() + place);
                Bytes out(expected.size(), 0xA5);
                kernels.ditherRow(grey.data(), memory.data() + place, width, out.data());
                EXPECT_EQ(out, expected)
                    << "width " << width << ", " << pattern.name << ", levels at " << place;
            }
        }
    }
}

// Checks the kernels' OR of rows against the plain one.
void ExpectOrRowsStoresTheOrOfEveryRowsUsedBytes(const ColumnKernels& kernels)
{
    std::mt19937 random(18);
    for (const int used : kLengths) {
        for (const int rows : {8, 18, 24, 36, 48, 72}) {
            const std::uint64_t stride = static_cast<std::uint64_t>(used) + random() % 3;
            // Sparse rows, so that the OR is not all ones.
            Bytes band(stride * rows, 0);
            for (unsigned char& b : band) {
                if (random() % 40 == 0) {
                    b = static_cast<unsigned char>(1u << (random() % 8));
                }
            }
            Bytes expected(used + 1, 0xA5);
            for (int i = 0; i < used; ++i) {
                expected[i] = 0;
                for (int r = 0; r < rows; ++r) {
                    expected[i] |= band[r * stride + i];
                }
            }
            Bytes out(expected.size(), 0xA5);
            kernels.orRows(band.data(), stride, rows, static_cast<std::uint64_t>(used), out.data());
            EXPECT_EQ(out, expected) << used << " bytes, " << rows << " rows";
        }
    }
}

// Checks the kernels' zero scan: every length, with the first set byte at
// every place (or none). (LeadingZeroBytesTest checks the paths' own.)
void ExpectLeadingZeroBytesCountsUpToTheFirstSetByte(const ColumnKernels& kernels)
{
    for (const int size : kLengths) {
        for (int first = 0; first <= size; ++first) {
            Bytes data(static_cast<std::size_t>(size), 0);
            if (first < size) {
                data[first] = static_cast<unsigned char>(1u << (first % 8));
                data.back() |= 0x80;
            }
            EXPECT_EQ(kernels.leadingZeroBytes(data.data(), data.size()),
                      static_cast<std::uint64_t>(first))
                << "size " << size << ", first set byte " << first;
        }
    }
}

TEST_P(ColumnKernelsTest, DitherRowPacksDotsWhereGreyIsAtMostTheLevel)
{
    ExpectDitherRowPacksDotsWhereGreyIsAtMostTheLevel(ColumnKernels::Current());
}

TEST_P(ColumnKernelsTest, DitherRowKeepsTheDotsAroundLongWhiteStretches)
{
    // White rows with one mark (or none) next to the steps of a long white
    // stretch, the row starting at every place within sixteen bytes of
    // memory: where the white is tested depends on where the row lies.
    const ColumnKernels& kernels = ColumnKernels::Current();
    std::mt19937 random(21);
    for (const int width : {256, 263, 300, 520, 777, 1030}) {
        Bytes levels = RandomBytes(static_cast<std::size_t>(width), random);
        for (unsigned char& level : levels) {
            level = std::min<unsigned char>(level, 254);
        }
        for (const int mark : {-1, 0, 15, 16, 255, 256, 262, 271, 511, 512, 519, 770, 1020, 1025}) {
            if (mark >= width) {
                continue;
            }
            for (int offset = 0; offset < 16; ++offset) {
                Bytes memory(static_cast<std::size_t>(offset + width), 255);
                unsigned char* grey = memory.data() + offset;
                Bytes expected((width + 7) / 8 + 1, 0);
                if (mark >= 0) {
                    grey[mark] = 0;
                    expected[mark / 8] = static_cast<unsigned char>(0x80 >> (mark % 8));
                }
                Bytes out(expected.size(), 0xA5);
                expected.back() = 0xA5;
                kernels.ditherRow(grey, levels.data(), width, out.data());
                EXPECT_EQ(out, expected)
                    << "width " << width << ", mark at " << mark << ", offset " << offset;
            }
        }
    }
}

TEST_P(ColumnKernelsTest, OrRowsStoresTheOrOfEveryRowsUsedBytes)
{
    ExpectOrRowsStoresTheOrOfEveryRowsUsedBytes(ColumnKernels::Current());
}

// The word versions a processor without vector registers takes on the
// portable path, tested on every processor.
TEST(PortableWordKernels, MatchThePlainReferences)
{
    ExpectDitherRowPacksDotsWhereGreyIsAtMostTheLevel(kPortableWordKernels);
    ExpectOrRowsStoresTheOrOfEveryRowsUsedBytes(kPortableWordKernels);
    ExpectLeadingZeroBytesCountsUpToTheFirstSetByte(kPortableWordKernels);
}

TEST_P(ColumnKernelsTest, PassColumnsGivesEachColumnsDotsTopDotFirst)
{
    const ColumnKernels& kernels = ColumnKernels::Current();
    std::mt19937 random(20);
    // The pass's rows every other row of a band whose last row ends at the
    // end of its memory (a read beyond it is a fault under
    // AddressSanitizer); the rows between are noise. Blocks from the start
    // and from a later row byte, all their columns wanted or only the first
    // ones, or more than one block's.
    struct Case {
        std::uint64_t usedBytes;
        std::uint64_t byteStart;
        std::uint64_t columns;
    };
    const Case cases[] = {{1, 0, 256},   {5, 0, 256},   {15, 0, 256}, {16, 0, 256},  {17, 0, 256},
                          {31, 0, 256},  {32, 0, 256},  {33, 0, 256}, {40, 32, 256}, {48, 32, 256},
                          {49, 32, 256}, {64, 32, 256}, {32, 0, 128}, {32, 0, 129},  {64, 16, 100},
                          {64, 32, 1},   {64, 0, 512},  {64, 0, 300}, {64, 0, 384},  {64, 0, 257},
                          {80, 8, 520}};
    for (int columnBytes = 1; columnBytes <= 9; ++columnBytes) {
        for (const Case& c : cases) {
            for (const bool sparse : {false, true}) {
                const int passDots = 8 * columnBytes;
                const std::uint64_t rowStep = 2 * c.usedBytes;
                std::vector<Bytes> rows;
                Bytes band = RandomBytes((passDots - 1) * rowStep + c.usedBytes, random);
                for (int d = 0; d < passDots; ++d) {
                    Bytes row = RandomBytes(c.usedBytes, random);
                    // Some all-zero eights of rows, and a few dots elsewhere.
                    for (unsigned char& b : row) {
                        b = sparse && (d / 8 % 2 == 0 || random() % 4 != 0) ? 0 : b;
                    }
                    std::copy(row.begin(), row.end(), band.begin() + d * rowStep);
                    rows.push_back(std::move(row));
                }
                Bytes block((c.columns + ColumnKernels::kBlockColumns) * 9 +
                            ColumnKernels::kBlockSpare);
                kernels.passColumns(band.data(), rowStep, columnBytes, c.byteStart, c.usedBytes,
                                    c.columns, block.data());
                const std::uint64_t firstColumn = 8 * c.byteStart;
                const std::uint64_t endColumn = std::min(firstColumn + c.columns, 8 * c.usedBytes);
                Bytes expected;
                Bytes got;
                for (std::uint64_t x = firstColumn; x < endColumn; ++x) {
                    for (int b = 0; b < columnBytes; ++b) {
                        unsigned dots = 0;
                        for (int d = 0; d < 8; ++d) {
                            const unsigned pixel = (rows[8 * b + d][x / 8] >> (7 - x % 8)) & 1;
                            dots |= pixel << (7 - d);
                        }
                        expected.push_back(static_cast<unsigned char>(dots));
                        got.push_back(block[(x - firstColumn) * columnBytes + b]);
                    }
                }
                EXPECT_EQ(got, expected)
                    << columnBytes << " bytes a column, " << c.usedBytes << " used bytes from "
                    << c.byteStart << (sparse ? ", sparse" : "");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ColumnKernelsTest, escptest::AllColumnPaths(),
                         escptest::ColumnPathName);

}  // namespace
