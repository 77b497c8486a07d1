// SPDX-License-Identifier: Apache-2.0
// Single-pass band encoding: column byte order, white areas wider than one
// inch skipped with ESC $, everything else sent as ESC * bit images.
#include <gtest/gtest.h>

#include <algorithm>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::AsBytes;
using escptest::Bytes;
using escptest::Cat;
using escptest::Fill;
using escptest::Hex;
using escptest::Image;
using escptest::OneBitPage;

namespace {

struct BandCase {
    const char* name;
    int pins, dpiX, dpiY;
    std::uint64_t width;
    std::vector<std::pair<int, int>> dots;  // (x, band row)
    Bytes expected;
};

// Encodes one band of the given dots with the raster form.
Bytes EncodeBand(const BandCase& c)
{
    OrvESCP encoder(c.pins, c.dpiX, c.dpiY);
    const std::uint64_t bytesPerLine = std::max<std::uint64_t>(1, (c.width + 7) / 8);
    OneBitPage band(bytesPerLine, encoder.LinesPerRow());
    for (const auto& [x, row] : c.dots) {
        band.Ink(x, row);
    }
    EXPECT_EQ(encoder.OneLineToBytesSingle(band.Data(), bytesPerLine, c.width), 1);
    return AsBytes(encoder.PrinterData());
}

TEST(SinglePass, BandsBecomeImagesAndSkips)
{
    const Bytes none = Fill(3, 0);
    const Bytes top = {0x80, 0, 0};
    const BandCase cases[] = {
        {"top row, column 0", 24, 180, 180, 8, {{0, 0}}, Image(0x27, 1, top)},
        {"row 23, column 0", 24, 180, 180, 8, {{0, 23}}, Image(0x27, 1, {0, 0, 0x01})},
        {"row 8 starts the second byte", 24, 180, 180, 8, {{0, 8}}, Image(0x27, 1, {0, 0x80, 0})},
        {"18 pins, row 71", 18, 180, 180, 8, {{0, 71}}, Image(0x29, 1, Cat({Fill(8, 0), {0x01}}))},
        {"9 pins, 8-dot column", 9, 80, 72, 8, {{2, 0}, {2, 7}}, Image(0x00, 3, {0, 0, 0x81})},
        {"only column 500 of 1440",
         24,
         180,
         180,
         1440,
         {{500, 5}},
         Cat({{0x1B, 0x24, 0xA6, 0x00}, Image(0x27, 3, Cat({none, none, {0x04, 0, 0}}))})},
        {"only column 0 of 1440", 24, 180, 180, 1440, {{0, 0}}, Image(0x27, 1, top)},
        {"white area at the start",
         24,
         180,
         180,
         402,
         {{401, 0}},
         Cat({{0x1B, 0x24, 0x85, 0x00}, Image(0x27, 3, Cat({none, none, top}))})},
        {"gap of dpiX columns is printed",
         24,
         180,
         180,
         182,
         {{0, 0}, {181, 0}},
         Image(0x27, 182, Cat({top, Fill(180 * 3, 0), top}))},
        {"gap of dpiX + 1 columns is skipped",
         24,
         180,
         180,
         183,
         {{0, 0}, {182, 0}},
         Cat({Image(0x27, 1, top),
              {0x1B, 0x24, 0x3C, 0x00},
              Image(0x27, 3, Cat({none, none, top}))})},
        {"two skips",
         24,
         180,
         180,
         800,
         {{0, 0}, {300, 0}, {700, 0}},
         Cat({Image(0x27, 1, top),
              {0x1B, 0x24, 0x63, 0x00},
              Image(0x27, 4, Cat({none, none, none, top})),
              {0x1B, 0x24, 0xE9, 0x00},
              Image(0x27, 2, Cat({none, top}))})},
        {"width 0", 24, 180, 180, 0, {}, {}},
    };
    for (const BandCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Hex(EncodeBand(c)), Hex(c.expected));
    }
}

TEST(SinglePass, BandWithoutInkedColumns)
{
    // Only padding bits set: nothing at widths above dpiX, one blank column
    // at dpiX or less.
    for (std::uint64_t width : {181u, 180u}) {
        SCOPED_TRACE(width);
        OrvESCP encoder(24, 180, 180);
        OneBitPage band(23, 24);
        band.SetByte(22, 0, static_cast<unsigned char>(0xFF >> (width % 8)));
        encoder.OneLineToBytesSingle(band.Data(), 23, width);
        const Bytes expected = width > 180 ? Bytes{} : Image(0x27, 1, {0, 0, 0});
        EXPECT_EQ(Hex(encoder.PrinterData()), Hex(expected));
    }
}

TEST(SinglePass, NullBandAppendsNothing)
{
    OrvESCP encoder(24, 180, 180);
    EXPECT_EQ(encoder.OneLineToBytesSingle(nullptr, 1, 8), -1);
    encoder.OneLineToBytesSingle(nullptr, std::vector<int>{}, 3, 0);
    EXPECT_TRUE(encoder.PrinterData().empty());
}

TEST(SinglePass, WhiteAreasOfAColumnSequence)
{
    // Column 500 inked in 1440 columns at 180 dpi.
    OrvESCP encoder(24, 180, 180);
    std::vector<int> whiteArea;
    int start = -1;
    int end = -1;
    int len = 0;
    for (int x = 0; x < 1440; ++x) {
        len = std::max(len, encoder.CalcWhiteArea(x != 500, x, 1440, start, end, whiteArea));
    }
    EXPECT_EQ(whiteArea, (std::vector<int>{0, 498, 501, 1437}));
    EXPECT_EQ(len, 500);
}

TEST(SinglePass, GraphicAndHorizontalCommands)
{
    OrvESCP encoder(24, 180, 180);
    const Bytes data = Fill(900, 0xAB);
    encoder.AddGraphic(data.data(), 0, 3);
    EXPECT_TRUE(encoder.PrinterData().empty());
    encoder.AddGraphic(data.data(), 300, 3);
    EXPECT_EQ(AsBytes(encoder.PrinterData()), Image(0x27, 300, data));
    EXPECT_EQ(encoder.PrinterData()[3], 0x2C);
    EXPECT_EQ(encoder.PrinterData()[4], 0x01);

    encoder.PrinterData().clear();
    encoder.AddHorizontal(0x1234);
    EXPECT_EQ(Hex(encoder.PrinterData()), "1B 24 34 12");
}

}  // namespace
