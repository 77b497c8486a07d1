// SPDX-License-Identifier: Apache-2.0
// Tests of drawing a printed page onto a pixel grid.
#include <gtest/gtest.h>

#include "tools/vprinter/PageRaster.h"

namespace vprinter {
namespace {

// One step at 360 dpi, in printer units.
constexpr std::int32_t k360th = kUnitsPerInch / 360;

// A page with dots at 360 dpi positions: (0, 0), (4, 2) and (6, 2).
PrintedPage SamplePage()
{
    PrintedPage page;
    page.dots = {{0, 0}, {4 * k360th, 2 * k360th}, {6 * k360th, 2 * k360th}};
    page.rightEdge = 8 * k360th;
    page.length = 10 * k360th;
    return page;
}

TEST(PageRaster, DotsBecomeBitsInThePageBitmapLayout)
{
    PageRaster raster;
    ASSERT_TRUE(PageRaster::Render(SamplePage(), 180, 180, raster));
    EXPECT_EQ(raster.Width(), 4);   // right edge 8/360 inch at 180 dpi
    EXPECT_EQ(raster.Height(), 5);  // length 10/360 inch
    EXPECT_EQ(raster.BytesPerLine(), 1u);
    EXPECT_EQ(raster.Bits(), (std::vector<unsigned char>{0x80, 0x30, 0, 0, 0}));
    EXPECT_TRUE(raster.IsSet(3, 1));
    EXPECT_FALSE(raster.IsSet(1, 1));
    EXPECT_FALSE(raster.IsSet(-1, 0));
    EXPECT_FALSE(raster.IsSet(0, 5));
}

TEST(PageRaster, CoarserGridRoundsDown)
{
    PageRaster raster;
    ASSERT_TRUE(PageRaster::Render(SamplePage(), 60, 72, raster));
    // x 4/360 and 6/360 inch fall on pixel 0 and 1 at 60 dpi; y 2/360 inch is
    // row 0 at 72 dpi.
    EXPECT_EQ(raster.Width(), 2);
    EXPECT_EQ(raster.Height(), 2);
    EXPECT_EQ(raster.Bits(), (std::vector<unsigned char>{0xC0, 0x00}));
}

TEST(PageRaster, DotsBeyondTheRecordedExtentStillFit)
{
    PrintedPage page;
    page.dots = {{kUnitsPerInch - 1, 2 * kUnitsPerInch - 1}};
    PageRaster raster;
    ASSERT_TRUE(PageRaster::Render(page, 360, 360, raster));
    EXPECT_EQ(raster.Width(), 360);
    EXPECT_EQ(raster.Height(), 720);
    EXPECT_TRUE(raster.IsSet(359, 719));
}

TEST(PageRaster, EmptyPageIsOneBlankPixel)
{
    PageRaster raster;
    ASSERT_TRUE(PageRaster::Render(PrintedPage{}, 360, 360, raster));
    EXPECT_EQ(raster.Width(), 1);
    EXPECT_EQ(raster.Height(), 1);
    EXPECT_EQ(raster.Bits(), (std::vector<unsigned char>{0}));
}

TEST(PageRaster, RejectsResolutionsOutsideItsRange)
{
    PageRaster raster;
    ASSERT_TRUE(PageRaster::Render(SamplePage(), 180, 180, raster));
    for (int dpi : {0, -180, PageRaster::kMaxDpi + 1}) {
        EXPECT_FALSE(PageRaster::Render(SamplePage(), dpi, 180, raster)) << dpi;
        EXPECT_FALSE(PageRaster::Render(SamplePage(), 180, dpi, raster)) << dpi;
    }
    EXPECT_EQ(raster.Width(), 4);  // untouched
}

}  // namespace
}  // namespace vprinter
