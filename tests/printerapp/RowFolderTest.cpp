// SPDX-License-Identifier: Apache-2.0
// Square pages (Apple raster) on a head with fewer rows per inch: which
// pages are folded, onto how many rows, and that a folded row keeps the
// darkest of the rows that fall on it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "printerapp/RowFolder.h"

namespace {

// A page header: 8-bit luminance unless given 1-bit ink.
cups_page_header2_t Page(unsigned dpiX, unsigned dpiY, unsigned rows, bool inkBits = false)
{
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    header.HWResolution[0] = dpiX;
    header.HWResolution[1] = dpiY;
    header.cupsWidth = 16;
    header.cupsHeight = rows;
    header.cupsBitsPerColor = header.cupsBitsPerPixel = inkBits ? 1 : 8;
    header.cupsBytesPerLine = inkBits ? 2 : 16;
    header.cupsColorSpace = inkBits ? CUPS_CSPACE_K : CUPS_CSPACE_SW;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsNumColors = 1;
    return header;
}

struct FoldCase {
    const char* name;
    int pins;
    unsigned dpiX, dpiY, rows;
    unsigned printedDpiY, printedRows;
};

const FoldCase kFolds[] = {
    {"9 pins, 160 dpi onto 144 rows per inch", 9, 160, 160, 1600, 144, 1440},
    {"9 pins, 80 dpi onto 72 rows per inch", 9, 80, 80, 800, 72, 720},
    {"9 pins, a row short of an inch", 9, 160, 160, 159, 144, 143},
    {"9 pins, one row", 9, 160, 160, 1, 144, 1},
    {"9 pins, its own resolution", 9, 160, 144, 1440, 144, 1440},
    {"9 pins, no resolution with 300 columns", 9, 300, 300, 3000, 300, 3000},
    {"24 pins, 180 dpi is its own", 24, 180, 180, 1800, 180, 1800},
    {"24 pins, 120 dpi would need more rows", 24, 120, 120, 1200, 120, 1200},
};

TEST(RowFolder, FoldsSquarePagesOntoTheHeadsRows)
{
    for (const FoldCase& test : kFolds) {
        SCOPED_TRACE(test.name);
        const RowFolder folder(Page(test.dpiX, test.dpiY, test.rows), test.pins);
        EXPECT_EQ(folder.PageRows(), test.rows);
        EXPECT_EQ(folder.Printed().HWResolution[0], test.dpiX);
        EXPECT_EQ(folder.Printed().HWResolution[1], test.printedDpiY);
        EXPECT_EQ(folder.Printed().cupsHeight, test.printedRows);
        // Every page row falls on a printed row, the last on the last.
        EXPECT_EQ(folder.RowOf(0), 0u);
        EXPECT_EQ(folder.RowOf(test.rows - 1), test.printedRows - 1);
    }
}

TEST(RowFolder, TenRowsOfAPageFallOnNineAndOneTakesTwo)
{
    const RowFolder folder(Page(160, 160, 10), 9);
    const std::vector<unsigned> expected = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (unsigned y = 0; y < 10; ++y)
        EXPECT_EQ(folder.RowOf(y), expected[y]) << y;
}

TEST(RowFolder, AFoldedRowKeepsTheDarkestPixels)
{
    // 8-bit luminance: 0 is black.
    const RowFolder grey(Page(160, 160, 10), 9);
    std::vector<unsigned char> target(16, 255), first(16, 200), second(16, 50);
    first[3] = 0;
    second[3] = 120;
    grey.Merge(target.data(), first.data(), true);
    grey.Merge(target.data(), second.data(), false);
    EXPECT_EQ(target[0], 50);
    EXPECT_EQ(target[3], 0);

    // 1-bit ink: a set bit is a dot.
    const RowFolder ink(Page(160, 160, 10, true), 9);
    unsigned char bits[2] = {0x00, 0x00};
    const unsigned char a[2] = {0x81, 0x00}, b[2] = {0x10, 0x01};
    ink.Merge(bits, a, true);
    ink.Merge(bits, b, false);
    EXPECT_EQ(bits[0], 0x91);
    EXPECT_EQ(bits[1], 0x01);
}

}  // namespace
