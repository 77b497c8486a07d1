// SPDX-License-Identifier: Apache-2.0
// Page scan and vertical moves: blank rows become feeds (ESC J chains, or
// ESC ( v at 360 x 360), each band is moved to and encoded, and the last
// band of the page is printed even when it reaches past the last row.
#include <gtest/gtest.h>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;
using escptest::Cat;
using escptest::EncodePage;
using escptest::Hex;
using escptest::Image;
using escptest::Move360;
using escptest::Move360Chain;
using escptest::OneBitPage;

namespace {

// `count` ESC J 255 commands.
Bytes FeedChain(int count)
{
    Bytes out;
    for (int i = 0; i < count; ++i) {
        out.insert(out.end(), {0x1B, 0x4A, 0xFF});
    }
    return out;
}

struct MoveCase {
    int pins, dpiX, dpiY, rows;
    Bytes expected;
};

TEST(VerticalMove, FeedsInTheProfileUnit)
{
    const MoveCase cases[] = {
        {24, 180, 180, 0, {0x0D}},
        {24, 180, 180, 254, {0x0D, 0x1B, 0x4A, 0xFE}},
        {24, 180, 180, 255, {0x0D, 0x1B, 0x4A, 0xFF}},
        {24, 180, 180, 300, {0x0D, 0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0x2D}},
        {24, 180, 180, 509, {0x0D, 0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0xFE}},
        {24, 180, 180, 510, {0x0D, 0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0xFF}},
        {9, 160, 72, 10, {0x0D, 0x1B, 0x4A, 0x14}},
        {9, 160, 144, 1, {0x0D, 0x1B, 0x4A, 0x01}},
        {24, 180, 360, 10, {0x0D, 0x1B, 0x4A, 0x0A}},  // 1/360 inch through ESC J
        {24, 180, 0, 10, {0x0D}},                      // no vertical resolution
        {24, 360, 360, 1000, Move360(1000)},
        {24, 360, 360, 0, Move360(0)},
        // ESC ( v counts to 32767 (its count is signed); longer feeds are
        // chains of commands.
        {24, 360, 360, 32767, Move360(32767)},
        {24, 360, 360, 32768, Move360Chain({32767, 1})},
        {24, 360, 360, 65535, Move360Chain({32767, 32767, 1})},
        {24, 360, 360, 65536, Move360Chain({32767, 32767, 2})},
        {24, 360, 360, 200000, Move360Chain({32767, 32767, 32767, 32767, 32767, 32767, 3398})},
        // ESC J counts to 255 steps; 65536 rows at 180 dpi are 257 of them.
        {24, 180, 180, 65536, Cat({{0x0D}, FeedChain(257), {0x1B, 0x4A, 0x01}})},
        {9, 360, 360, 1000, {0x0D}},  // 9 pins have no ESC ( U / ESC ( v
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pins << " pins at " << c.dpiX << " x " << c.dpiY
                                        << ", " << c.rows << " rows");
        OrvESCP encoder(c.pins, c.dpiX, c.dpiY);
        encoder.AddVertical(c.rows);
        EXPECT_EQ(Hex(encoder.PrinterData()), Hex(c.expected));
    }
}

TEST(VerticalMove, UnitAndRelativeFeedCommands)
{
    OrvESCP encoder(24, 360, 360);
    encoder.AddSetUnitCmd(10);
    encoder.AddVerticalEx(0x1234);
    EXPECT_EQ(Hex(encoder.PrinterData()), "1B 28 55 01 00 0A 0D 1B 28 76 02 00 34 12");

    OrvESCP nine(9, 160, 144);
    nine.AddSetUnitCmd(10);
    nine.AddVerticalEx(5);
    EXPECT_TRUE(nine.PrinterData().empty());
}

// A column of ink at 24 pins, 180 dpi: mode 39, one column of three bytes.
Bytes Column180(unsigned char b0, unsigned char b1, unsigned char b2)
{
    return Image(0x27, 1, {b0, b1, b2});
}

struct ScanCase {
    const char* name;
    int pins, dpiX, dpiY;
    std::uint64_t bytesPerLine, width, height;
    std::vector<std::pair<int, int>> dots;  // (x, y)
    Bytes expected;
};

// Inks each case's dots on a page of its size and compares the page body.
template <typename Cases>
void ExpectScans(const Cases& cases)
{
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.name);
        OneBitPage page(c.bytesPerLine, c.height);
        for (const auto& [x, y] : c.dots) {
            page.Ink(x, y);
        }
        EXPECT_EQ(Hex(EncodePage(c.pins, c.dpiX, c.dpiY, page, c.width)), Hex(c.expected));
    }
}

TEST(PageScan, FeedsAndBands)
{
    std::vector<std::pair<int, int>> rows0to47;
    for (int y = 0; y < 48; ++y) {
        rows0to47.push_back({0, y});
    }
    std::vector<std::pair<int, int>> rows0to95 = rows0to47;
    for (int y = 48; y < 96; ++y) {
        rows0to95.push_back({0, y});
    }
    const Bytes fullColumn360 = Image(0x28, 1, {0xFF, 0xFF, 0xFF});
    const ScanCase cases[] = {
        {"blank page", 24, 180, 180, 4, 32, 100, {}, {}},
        {"first row inked", 24, 180, 180, 1, 8, 24, {{0, 0}}, Cat({{0x0D}, Column180(0x80, 0, 0)})},
        {"first row inked at 360",
         24,
         360,
         360,
         1,
         8,
         48,
         {{0, 0}},
         Cat({Move360(0), Image(0x28, 1, {0x80, 0, 0}), Move360(1), Image(0x28, 1, {0, 0, 0})})},
        {"300 blank rows",
         24,
         180,
         180,
         1,
         8,
         324,
         {{0, 300}},
         Cat({{0x0D, 0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0x2D}, Column180(0x80, 0, 0)})},
        {"9 pins, 10 blank rows",
         9,
         160,
         72,
         1,
         8,
         18,
         {{0, 10}},
         Cat({{0x0D, 0x1B, 0x4A, 0x14}, Image(0x01, 1, {0x80})})},
        {"two single-pass bands", 24, 180, 180, 1, 8, 48, rows0to47,
         Cat({{0x0D},
              Column180(0xFF, 0xFF, 0xFF),
              {0x0D, 0x1B, 0x4A, 0x18},
              Column180(0xFF, 0xFF, 0xFF)})},
        {"two double-pass bands", 24, 360, 360, 1, 8, 96, rows0to95,
         Cat({Move360(0), fullColumn360, Move360(1), fullColumn360, Move360(47), fullColumn360,
              Move360(1), fullColumn360})},
        {"blank stretch of 70000 rows at 360",
         24,
         360,
         360,
         1,
         8,
         70096,
         {{0, 0}, {0, 70048}},
         Cat({Move360(0), Image(0x28, 1, {0x80, 0, 0}), Move360(1), Image(0x28, 1, {0, 0, 0}),
              Move360Chain({32767, 32767, 4513}), Image(0x28, 1, {0x80, 0, 0}), Move360(1),
              Image(0x28, 1, {0, 0, 0})})},
        {"band ends on the last row",
         24,
         180,
         180,
         1,
         8,
         48,
         {{0, 24}, {0, 47}},
         Cat({{0x0D, 0x1B, 0x4A, 0x18}, Column180(0x80, 0, 0x01)})},
    };
    ExpectScans(cases);
}

TEST(PageScan, PaddingBitsStartABandThatPrintsNoDots)
{
    // Width 200 at 180 dpi: the blank band is wider than one inch, so only
    // the move to it is sent.
    OneBitPage wide(26, 24);
    wide.SetByte(25, 0, 0xFF);
    EXPECT_EQ(Hex(EncodePage(24, 180, 180, wide, 200)), "0D");

    // Width 4: a band no wider than one inch prints one blank column.
    OneBitPage narrow(1, 24);
    narrow.SetByte(0, 0, 0x0F);
    EXPECT_EQ(Hex(EncodePage(24, 180, 180, narrow, 4)), Hex(Cat({{0x0D}, Column180(0, 0, 0)})));
}

TEST(PageScan, LastBandIsPrintedWithMissingRowsBlank)
{
    // Each page sits in an exactly sized heap buffer: a read past its last
    // row is reported by AddressSanitizer.
    const ScanCase cases[] = {
        {"band from row 80 of 100",
         24,
         180,
         180,
         1,
         8,
         100,
         {{0, 80}, {0, 99}},
         Cat({{0x0D, 0x1B, 0x4A, 0x50}, Column180(0x80, 0x00, 0x10)})},
        {"page shorter than a band",
         24,
         180,
         180,
         1,
         8,
         5,
         {{0, 4}},
         Cat({{0x0D, 0x1B, 0x4A, 0x04}, Column180(0x80, 0, 0)})},
        {"18 pins, one row page",
         18,
         180,
         180,
         1,
         8,
         1,
         {{0, 0}},
         Cat({{0x0D}, Image(0x29, 1, {0x80, 0, 0, 0, 0, 0, 0, 0, 0})})},
        {"double pass, last two rows",
         24,
         360,
         360,
         1,
         8,
         10,
         {{0, 8}, {0, 9}},
         Cat({Move360(8), Image(0x28, 1, {0x80, 0, 0}), Move360(1), Image(0x28, 1, {0x80, 0, 0})})},
        {"9 pins double pass, band after a band",
         9,
         160,
         144,
         1,
         8,
         20,
         {{0, 0}, {0, 16}, {0, 19}},
         Cat({{0x0D},
              Image(0x01, 1, {0x80}),
              {0x0D, 0x1B, 0x4A, 0x01},
              Image(0x01, 1, {0x00}),
              {0x0D, 0x1B, 0x4A, 0x0F},
              Image(0x01, 1, {0x80}),
              {0x0D, 0x1B, 0x4A, 0x01},
              Image(0x01, 1, {0x40})})},
    };
    ExpectScans(cases);
}

TEST(PageScan, WidthBeyondTheRowIsCutToTheRow)
{
    OneBitPage page(1, 24);
    page.Ink(7, 0);
    // Eight columns exist; column 7 is the last inked one.
    const Bytes expected =
        Cat({{0x0D}, Image(0x27, 8, Cat({escptest::Fill(21, 0), {0x80, 0, 0}}))});
    EXPECT_EQ(Hex(EncodePage(24, 180, 180, page, 64)), Hex(expected));
}

TEST(PageScan, ReplacesThePreviousPage)
{
    OrvESCP encoder(24, 180, 180);
    OneBitPage page(1, 24);
    page.Ink(0, 0);
    encoder.DotMatrix2Page(page.Data(), 1, 8, 24);
    EXPECT_EQ(encoder.DotMatrix2Page(page.Data(), 1, 8, 24), 1);
    EXPECT_EQ(Hex(encoder.PrinterData()), Hex(Cat({{0x0D}, Column180(0x80, 0, 0)})));
}

}  // namespace
