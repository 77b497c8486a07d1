// SPDX-License-Identifier: Apache-2.0
// The encoder against a plain reference on random pages at every pin
// profile. The reference builds each band's columns dot by dot and finds
// the blank columns and white areas one column at a time, exactly as the
// printer's column order and the skip rule read; only the printing of the
// finished column data (the column-data form of OneLineToBytesSingle) and
// the paper moves come from the encoder. Pages are dense, sparse, striped
// with gaps around the skip threshold, and inked in their last rows and
// last columns, with widths that are not a multiple of 8 and padding bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "escp/OrvESCP.h"
#include "page/OptionTable.h"
#include "tests/escp/ColumnPaths.h"
#include "tests/escp/EscpTestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A one-bit page and its geometry.
struct Page {
    std::size_t bytesPerLine;
    std::size_t width;
    std::size_t height;
    Bytes bits;

    // Pixel x of row y; rows beyond the page are blank.
    bool Dot(std::size_t x, std::size_t y) const
    {
        return y < height && (bits[y * bytesPerLine + x / 8] & (0x80 >> (x % 8))) != 0;
    }
    void Ink(std::size_t x, std::size_t y)
    {
        bits[y * bytesPerLine + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    bool BlankRow(std::size_t y) const
    {
        for (std::size_t i = 0; i < bytesPerLine; ++i) {
            if (bits[y * bytesPerLine + i] != 0) {
                return false;
            }
        }
        return true;
    }
};

struct Profile {
    int pins, dpiX, dpiY;
};

// Every pin profile of the heads of the option table.
std::vector<Profile> AllProfiles()
{
    std::vector<Profile> profiles;
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const options::HeadSpec& head = options::AllHeads()[h];
        for (std::size_t r = 0; r < head.numResolutions; ++r)
            profiles.push_back({head.pins, head.resolutions[r].x, head.resolutions[r].y});
    }
    return profiles;
}

// The reference band encoder: columns dot by dot, blank test and white
// areas column by column, then the encoder's column-data printing.
class ReferenceEncoder {
public:
    ReferenceEncoder(const Profile& p)
        : profile(p),
          printer(p.pins, p.dpiX, p.dpiY),
          rows(printer.LinesPerRow()),
          doublePass((p.dpiX == 360 && p.dpiY == 360) || (p.dpiX == 160 && p.dpiY == 144))
    {
    }

    // The page body: blank rows become feed, each band is encoded.
    Bytes EncodePage(const Page& page)
    {
        printer.PrinterData().clear();
        const std::size_t width = std::min(page.width, page.bytesPerLine * 8);
        std::size_t pending = 0;
        std::size_t y = 0;
        while (y < page.height) {
            if (page.BlankRow(y)) {
                ++pending;
                ++y;
                continue;
            }
            printer.AddVertical(static_cast<int>(pending));
            EncodeBand(page, y, width);
            pending = doublePass ? rows - 1 : rows;
            y += rows;
        }
        return escptest::AsBytes(printer.PrinterData());
    }

private:
    // Column data of one pass: dot k of column x is band row
    // firstRow + step * k, bit 7 - k % 8 of byte k / 8.
    Bytes Columns(const Page& page, std::size_t top, std::size_t width, int firstRow, int step,
                  int dots) const
    {
        const int colBytes = dots / 8;
        Bytes columns(width * colBytes, 0);
        for (std::size_t x = 0; x < width; ++x) {
            for (int k = 0; k < dots; ++k) {
                if (page.Dot(x, top + firstRow + step * k)) {
                    columns[x * colBytes + k / 8] |= static_cast<unsigned char>(0x80 >> (k % 8));
                }
            }
        }
        return columns;
    }

    // True when every byte of column x is zero.
    static bool BlankColumn(const Bytes& columns, std::size_t x, int colBytes)
    {
        for (int i = 0; i < colBytes; ++i) {
            if (columns[x * colBytes + i] != 0) {
                return false;
            }
        }
        return true;
    }

    void EncodeBand(const Page& page, std::size_t top, std::size_t width)
    {
        const int dots = doublePass ? rows / 2 : rows;
        const int colBytes = dots / 8;
        const Bytes first = Columns(page, top, width, 0, doublePass ? 2 : 1, dots);
        const Bytes second = doublePass ? Columns(page, top, width, 1, 2, dots) : Bytes();

        // Blank runs: a run of more than dpiX blank columns, closed by ink
        // or by the last column, is a white area (first column, last column
        // rounded down to the 1/60-inch grid).
        const int step = profile.dpiX / 60;
        std::vector<int> whiteArea;
        int len = 0;
        int start = -1;
        for (std::size_t x = 0; x <= width; ++x) {
            const bool atEnd = x == width;
            const bool blank = !atEnd && BlankColumn(first, x, colBytes) &&
                               (!doublePass || BlankColumn(second, x, colBytes));
            if (blank) {
                if (start < 0) {
                    start = static_cast<int>(x);
                }
                continue;
            }
            if (start >= 0 && static_cast<int>(x) - 1 - start >= profile.dpiX) {
                whiteArea.push_back(start);
                whiteArea.push_back((static_cast<int>(x) - 1) / step * step);
            }
            start = -1;
            if (!atEnd) {
                len = static_cast<int>(x);
            }
        }

        printer.OneLineToBytesSingle(first.empty() ? nullptr : first.data(), whiteArea, colBytes,
                                     len);
        if (doublePass) {
            printer.AddVertical(1);
            printer.OneLineToBytesSingle(second.empty() ? nullptr : second.data(), whiteArea,
                                         colBytes, len);
        }
    }

    Profile profile;
    OrvESCP printer;
    int rows;
    bool doublePass;
};

// Kinds of random page.
enum class Kind { Dense, Sparse, Stripes, LastRowsAndColumns, Padding };

// A random page of the kind, with room for a few bands.
Page RandomPage(Kind kind, std::size_t width, std::size_t extraBytes, int bandRows,
                std::mt19937& random)
{
    Page page;
    page.width = width;
    page.bytesPerLine = (width + 7) / 8 + extraBytes;
    page.height = static_cast<std::size_t>(bandRows) * (1 + random() % 4) + random() % bandRows;
    page.bits.assign(page.bytesPerLine * page.height, 0);
    const auto uniform = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
    switch (kind) {
    case Kind::Dense:
        for (std::size_t y = 0; y < page.height; ++y) {
            for (std::size_t x = 0; x < width; ++x) {
                if (random() % 2) {
                    page.Ink(x, y);
                }
            }
        }
        break;
    case Kind::Sparse:
        for (std::size_t n = uniform(width / 4 + 2); n > 0; --n) {
            page.Ink(uniform(width), uniform(page.height));
        }
        break;
    case Kind::Stripes: {
        // Inked stretches separated by gaps just under, at and over the
        // skip threshold, at random heights.
        std::size_t x = uniform(40);
        while (x < width) {
            const std::size_t inked = 1 + uniform(30);
            const std::size_t y = uniform(page.height);
            for (std::size_t i = x; i < std::min(width, x + inked); ++i) {
                page.Ink(i, y);
            }
            x += inked + uniform(400);
        }
        break;
    }
    case Kind::LastRowsAndColumns:
        for (std::size_t y = page.height - std::min<std::size_t>(page.height, 3); y < page.height;
             ++y) {
            page.Ink(width - 1, y);
            page.Ink(uniform(width), y);
        }
        for (std::size_t y = 0; y < page.height; y += 1 + uniform(bandRows)) {
            page.Ink(width - 1 - uniform(std::min<std::size_t>(width, 9)), y);
        }
        break;
    case Kind::Padding:
        // Ink only in the padding beyond the width, plus a few dots.
        for (std::size_t y = 0; y < page.height; y += 1 + uniform(bandRows)) {
            page.bits[y * page.bytesPerLine + page.bytesPerLine - 1] |= 0x01;
            if (random() % 2) {
                page.Ink(uniform(width), y);
            }
        }
        break;
    }
    return page;
}

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Dense:
        return "dense";
    case Kind::Sparse:
        return "sparse";
    case Kind::Stripes:
        return "stripes";
    case Kind::LastRowsAndColumns:
        return "last rows and columns";
    case Kind::Padding:
        return "padding";
    }
    return "?";
}

// Runs under each column-byte path of the encoder.
class ReferenceEncoderTest : public escptest::ColumnPathTest {};

TEST_P(ReferenceEncoderTest, RandomPagesAtEveryProfileMatchThePlainReference)
{
    const Kind kinds[] = {Kind::Dense, Kind::Sparse, Kind::Stripes, Kind::LastRowsAndColumns,
                          Kind::Padding};
    const std::size_t widths[] = {1, 7, 8, 9, 63, 64, 65, 127, 129, 361, 500, 1001, 1447, 2883};
    std::mt19937 random(2024);
    for (const Profile& profile : AllProfiles()) {
        for (const Kind kind : kinds) {
            for (const std::size_t width : widths) {
                const std::size_t extraBytes = random() % 3;
                OrvESCP encoder(profile.pins, profile.dpiX, profile.dpiY);
                ASSERT_TRUE(encoder.HasProfile());
                const Page page =
                    RandomPage(kind, width, extraBytes, encoder.LinesPerRow(), random);
                SCOPED_TRACE(testing::Message()
                             << profile.pins << " pins at " << profile.dpiX << " x " << profile.dpiY
                             << ", " << KindName(kind) << ", width " << width << ", "
                             << page.bytesPerLine << " bytes per line, height " << page.height);
                ReferenceEncoder reference(profile);
                const Bytes expected = reference.EncodePage(page);
                encoder.DotMatrix2Page(page.bits.data(), page.bytesPerLine, page.width,
                                       page.height);
                const Bytes actual = escptest::AsBytes(encoder.PrinterData());
                ASSERT_EQ(actual.size(), expected.size());
                ASSERT_TRUE(actual == expected);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ReferenceEncoderTest, escptest::AllColumnPaths(),
                         escptest::ColumnPathName);

}  // namespace
