// SPDX-License-Identifier: Apache-2.0
// Double-pass band encoding: even band rows in the first pass, odd rows in
// the second after a one-row move, both with the same white areas; pairs
// whose band height does not split into two whole-byte passes fall back to
// the single pass.
#include <gtest/gtest.h>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::AsBytes;
using escptest::Bytes;
using escptest::Cat;
using escptest::EncodePage;
using escptest::Fill;
using escptest::Hex;
using escptest::Image;
using escptest::Move360;
using escptest::OneBitPage;

namespace {

// Encodes one band holding the given dots (x, band row) by the double pass.
Bytes EncodeDoubleBand(int pins, int dpiX, int dpiY, std::uint64_t width,
                       const std::vector<std::pair<int, int>>& dots)
{
    OrvESCP encoder(pins, dpiX, dpiY);
    const std::uint64_t bytesPerLine = (width + 7) / 8;
    OneBitPage band(bytesPerLine, encoder.LinesPerRow());
    for (const auto& [x, row] : dots) {
        band.Ink(x, row);
    }
    EXPECT_EQ(encoder.OneLineToBytesDouble(band.Data(), bytesPerLine, width), 1);
    return AsBytes(encoder.PrinterData());
}

struct PlacementCase {
    int pins, dpiX, dpiY, row;
    Bytes firstPass, secondPass;
};

TEST(DoublePass, RowsAlternateBetweenThePasses)
{
    const PlacementCase cases[] = {
        {24, 360, 360, 0, {0x80, 0, 0}, {0, 0, 0}},  {24, 360, 360, 1, {0, 0, 0}, {0x80, 0, 0}},
        {24, 360, 360, 16, {0, 0x80, 0}, {0, 0, 0}}, {24, 360, 360, 46, {0, 0, 0x01}, {0, 0, 0}},
        {24, 360, 360, 47, {0, 0, 0}, {0, 0, 0x01}}, {18, 360, 360, 31, {0, 0, 0}, {0, 0x01, 0}},
        {9, 160, 144, 14, {0x01}, {0x00}},           {9, 160, 144, 15, {0x00}, {0x01}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.pins << " pins at " << c.dpiX << " x " << c.dpiY << ", row " << c.row);
        const bool at360 = c.dpiX == 360;
        const unsigned char mode = at360 ? 0x28 : 0x01;
        const Bytes move = at360 ? Move360(1) : Bytes{0x0D, 0x1B, 0x4A, 0x01};
        const Bytes expected =
            Cat({Image(mode, 1, c.firstPass), move, Image(mode, 1, c.secondPass)});
        EXPECT_EQ(Hex(EncodeDoubleBand(c.pins, c.dpiX, c.dpiY, 8, {{0, c.row}})), Hex(expected));
    }
}

TEST(DoublePass, InkedColumnsOfEitherPassPrintInBoth)
{
    // 24 pins at 360 x 360, width 2880, every row of columns 0 to 99 inked.
    std::vector<std::pair<int, int>> block;
    for (int x = 0; x < 100; ++x) {
        for (int row = 0; row < 48; ++row) {
            block.push_back({x, row});
        }
    }
    const Bytes solid = Image(0x28, 100, Fill(300, 0xFF));
    EXPECT_EQ(Hex(EncodeDoubleBand(24, 360, 360, 2880, block)),
              Hex(Cat({solid, Move360(1), solid})));

    // Row 0 of column 0 (first pass) and row 1 of column 400 (second pass):
    // both passes print column 0, skip to 396 and print 396 to 400.
    const Bytes none = Fill(3, 0);
    const Bytes top = {0x80, 0, 0};
    const Bytes skip = {0x1B, 0x24, 0x42, 0x00};
    const Bytes expected =
        Cat({Image(0x28, 1, top), skip, Image(0x28, 5, Fill(15, 0)), Move360(1),
             Image(0x28, 1, none), skip, Image(0x28, 5, Cat({Fill(12, 0), top}))});
    EXPECT_EQ(Hex(EncodeDoubleBand(24, 360, 360, 401, {{0, 0}, {400, 1}})), Hex(expected));

    // A gap of 299 columns stays in the image of both passes.
    const Bytes gapImage = Cat({Fill(299 * 3, 0), top});
    EXPECT_EQ(Hex(EncodeDoubleBand(24, 360, 360, 301, {{0, 1}, {300, 0}})),
              Hex(Cat({Image(0x28, 301, Cat({none, gapImage})), Move360(1),
                       Image(0x28, 301, Cat({top, Fill(300 * 3, 0)}))})));
}

TEST(DoublePass, BandHeightNotSplittingIntoTwoPassesIsRefused)
{
    // 24 pins at 160 x 144: 24-row bands in a 180 dpi mode, which would
    // print the page 9/8 too wide and 4/5 too short; nothing is encoded.
    OneBitPage page(1, 48);
    page.InkRect(0, 0, 0, 47);
    EXPECT_EQ(Hex(EncodePage(24, 160, 144, page, 8)), "");

    OrvESCP encoder(24, 160, 144);
    EXPECT_EQ(encoder.OneLineToBytesDouble(page.Data(), 1, 8), -1);
    EXPECT_TRUE(encoder.PrinterData().empty());
}

TEST(DoublePass, NullBandAppendsNothing)
{
    OrvESCP encoder(24, 360, 360);
    EXPECT_EQ(encoder.OneLineToBytesDouble(nullptr, 1, 8), -1);
    EXPECT_TRUE(encoder.PrinterData().empty());
}

}  // namespace
