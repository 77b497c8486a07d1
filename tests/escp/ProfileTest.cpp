// SPDX-License-Identifier: Apache-2.0
// Pin profiles: band height, feed unit and bit-image mode for every head and
// resolution, the accessors, and the encoders that have no complete profile
// and so refuse to encode.
#include <gtest/gtest.h>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;
using escptest::Hex;
using escptest::OneBitPage;

namespace {

// The m byte that the encoder puts into its ESC * commands.
int ModeByte(int pins, int dpiX, int dpiY)
{
    OrvESCP encoder(pins, dpiX, dpiY);
    const unsigned char column = 0;
    encoder.AddGraphic(&column, 1, 1);
    return encoder.PrinterData().at(2);
}

struct ProfileCase {
    int pins, dpiX, dpiY;
    int linesPerRow, verticalUnit, modeByte;
    bool hasProfile;
};

TEST(Profile, FollowsPinCountAndResolution)
{
    const ProfileCase cases[] = {
        {24, 360, 360, 48, 360, 40, true},
        {24, 360, 180, 24, 180, 40, true},
        {24, 180, 180, 24, 180, 39, true},
        {24, 120, 180, 24, 180, 33, true},
        // 48-row bands in a 24-dot mode: refused rather than sent.
        {24, 180, 360, 48, 360, 39, false},
        {18, 120, 360, 48, 360, 39, false},
        // A mode whose columns or pins do not match the page's dots per inch:
        // refused rather than printed at the wrong size.
        {24, 160, 144, 24, 180, 39, false},
        {24, 100, 100, 24, 180, 39, false},
        {24, 300, 300, 24, 180, 39, false},
        {24, 720, 720, 24, 180, 39, false},
        {24, 180, 1, 24, 180, 39, false},
        {24, 30, 180, 24, 180, 39, false},
        {24, 180, 90, 24, 180, 39, false},
        {24, 360, 720, 24, 180, 39, false},
        {18, 360, 180, 24, 180, 40, true},
        {18, 180, 360, 48, 360, 39, false},
        {18, 180, 180, 72, 180, 41, true},
        {18, 120, 180, 24, 180, 33, true},
        {18, 360, 360, 48, 360, 40, true},
        {9, 160, 144, 16, 144, 1, true},
        {9, 160, 72, 8, 144, 1, true},
        {9, 80, 72, 8, 144, 0, true},
        // No density mode: bitmapM stays -1 (sent as FF if ever sent).
        {9, 360, 360, 8, 144, 0xFF, false},
        {9, 80, 144, 16, 144, 0xFF, false},
        {9, 120, 72, 8, 144, 0xFF, false},
        // No profile at all.
        {12, 180, 180, 0, 0, 0xFF, false},
        {0, 360, 360, 0, 0, 0xFF, false},
    };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pins << " pins at " << c.dpiX << " x " << c.dpiY);
        OrvESCP encoder(c.pins, c.dpiX, c.dpiY);
        EXPECT_EQ(encoder.LinesPerRow(), c.linesPerRow);
        EXPECT_EQ(encoder.VerticalUnit(), c.verticalUnit);
        EXPECT_EQ(encoder.DpiX(), c.dpiX);
        EXPECT_EQ(encoder.DpiY(), c.dpiY);
        EXPECT_EQ(ModeByte(c.pins, c.dpiX, c.dpiY), c.modeByte);
        EXPECT_EQ(encoder.HasProfile(), c.hasProfile);
    }
}

TEST(Profile, SettersChangeOnlyTheirField)
{
    OrvESCP encoder(24, 180, 180);
    encoder.SetDpiX(360);
    EXPECT_EQ(encoder.DpiX(), 360);
    EXPECT_EQ(encoder.DpiY(), 180);
    EXPECT_EQ(encoder.LinesPerRow(), 24);
    EXPECT_EQ(encoder.VerticalUnit(), 180);
    EXPECT_EQ(ModeByte(24, 180, 180), 39);

    encoder.SetDpiY(72);
    encoder.SetVerticalUnit(144);
    encoder.SetLinesPerRow(8);
    EXPECT_EQ(encoder.DpiY(), 72);
    EXPECT_EQ(encoder.VerticalUnit(), 144);
    EXPECT_EQ(encoder.LinesPerRow(), 8);
}

TEST(Profile, BandHeightMustFillTheModesColumn)
{
    OrvESCP encoder(24, 180, 180);
    for (const int rows : {12, 0, 16, 48}) {
        encoder.SetLinesPerRow(static_cast<std::uint8_t>(rows));
        EXPECT_FALSE(encoder.HasProfile()) << rows << " rows";
    }
    encoder.SetLinesPerRow(24);
    EXPECT_TRUE(encoder.HasProfile());
}

TEST(Profile, EncoderWithoutProfileRefusesToEncode)
{
    const int refused[][3] = {{12, 180, 180}, {9, 360, 360}, {9, 80, 144}, {24, 180, 180}};
    OneBitPage page(2, 48);
    page.InkRect(0, 0, 15, 47);
    for (const auto& r : refused) {
        SCOPED_TRACE(testing::Message() << r[0] << " pins at " << r[1] << " x " << r[2]);
        OrvESCP encoder(r[0], r[1], r[2]);
        if (r[0] == 24) {
            encoder.SetLinesPerRow(20);  // broken after construction
        }
        encoder.AddVertical(0);  // leftover bytes are dropped by the refusal
        EXPECT_EQ(encoder.DotMatrix2Page(page.Data(), 2, 16, 48), -1);
        EXPECT_TRUE(encoder.PrinterData().empty());
        EXPECT_EQ(encoder.OneLineToBytesSingle(page.Data(), 2, 16), -1);
        EXPECT_EQ(encoder.OneLineToBytesDouble(page.Data(), 2, 16), -1);
        EXPECT_TRUE(encoder.PrinterData().empty());
    }
}

TEST(Profile, NullPageLeavesPrinterDataAsItWas)
{
    OrvESCP encoder(24, 180, 180);
    encoder.AddVertical(0);
    EXPECT_EQ(encoder.DotMatrix2Page(nullptr, 1, 8, 24), -1);
    EXPECT_EQ(Hex(encoder.PrinterData()), "0D");
    EXPECT_EQ(encoder.PrinterDataByte(), encoder.PrinterData().data());
}

}  // namespace
