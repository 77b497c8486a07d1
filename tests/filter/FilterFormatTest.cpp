// SPDX-License-Identifier: Apache-2.0
// The raster formats the filter takes besides 1-bit black: 8-bit grey pages
// (luminance W/SW and ink K) dithered with the chosen halftone pattern,
// white-is-one bitmaps, and the formats it refuses.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

// A 24-pin 180 x 180 dpi luminance page whose rows are wider than its
// pixels: a gradient with noise, white stretches, and black (0) padding
// bytes that must never print.
RasterPage LuminancePage()
{
    const unsigned width = 77, height = 130, bytesPerLine = 80;
    RasterPage page = MakeGrayPage(width, height, 180, 180, CUPS_CSPACE_W);
    page.header.cupsBytesPerLine = bytesPerLine;
    page.pixels.assign(page.PromisedBytes(), 0);
    unsigned noise = 12345;
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const bool white = y % 50 >= 30;
            page.pixels[y * bytesPerLine + x] =
                white ? 255 : static_cast<unsigned char>((x * 3 + y * 2 + (noise >> 28)) % 256);
        }
    }
    return page;
}

// The 24-pin test PPD with the halftone default replaced by `pattern`.
std::string PpdWithHalftoneDefault(const TempDir& dir, const std::string& pattern)
{
    std::ifstream in(TestPpdPath(24));
    std::stringstream text;
    text << in.rdbuf();
    std::string ppd = text.str();
    const std::string line = "*DefaultRidevHalftone: HT_PATSIZE_AUTO\n";
    const std::size_t at = ppd.find(line);
    if (at != std::string::npos)
        ppd.replace(at, line.size(), "*DefaultRidevHalftone: " + pattern + "\n");
    return dir.WriteFile("halftone.ppd", ppd);
}

// What the library prints for the luminance page with the pattern.
Bytes GrayExpected(const RasterPage& luminance, const std::string& pattern)
{
    const cups_page_header2_t& h = luminance.header;
    return PrinterGrayPageBytes(24, 180, 180, luminance.pixels.data(), h.cupsBytesPerLine,
                                h.cupsWidth, h.cupsHeight, pattern);
}

TEST(FilterFormat, GreyPagesAreDitheredWithTheChosenPattern)
{
    const RasterPage luminance = LuminancePage();
    ASSERT_NE(GrayExpected(luminance, "HT_PATSIZE_8x8_M"),
              GrayExpected(luminance, "HT_PATSIZE_AUTO"));
    ASSERT_NE(GrayExpected(luminance, "HT_PATSIZE_SUPERCELL_M"),
              GrayExpected(luminance, "HT_PATSIZE_AUTO"));

    // The same picture as 8-bit ink levels: 255 is black.
    RasterPage inkLevels = luminance;
    inkLevels.header.cupsColorSpace = CUPS_CSPACE_K;
    for (unsigned char& v : inkLevels.pixels)
        v = static_cast<unsigned char>(255 - v);
    RasterPage srgbGrey = luminance;
    srgbGrey.header.cupsColorSpace = CUPS_CSPACE_SW;

    struct Case {
        const char* name;
        const RasterPage& page;
        std::string jobOptions;
        std::string ppdDefault;  // empty: the test PPD as it is
        std::string expectedPattern;
    };
    const std::vector<Case> cases = {
        {"W, no option", luminance, "", "", "HT_PATSIZE_AUTO"},
        {"SW, job option", srgbGrey, "RidevHalftone=HT_PATSIZE_8x8_M", "", "HT_PATSIZE_8x8_M"},
        {"K, job option", inkLevels, "RidevHalftone=HT_PATSIZE_SUPERCELL_M", "",
         "HT_PATSIZE_SUPERCELL_M"},
        {"W, PPD default", luminance, "", "HT_PATSIZE_8x8_M", "HT_PATSIZE_8x8_M"},
        {"W, job option over PPD default", luminance, "RidevHalftone=HT_PATSIZE_SUPERCELL_M",
         "HT_PATSIZE_8x8_M", "HT_PATSIZE_SUPERCELL_M"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string ppd =
            c.ppdDefault.empty() ? TestPpdPath(24) : PpdWithHalftoneDefault(dir, c.ppdDefault);
        const FilterResult r = RunFilter(FilterJob(ppd, WriteRaster({c.page}), c.jobOptions));
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, GrayExpected(luminance, c.expectedPattern));
    }
}

// Clears the bits beyond the page width in every row of a one-bit page.
void ClearPadding(RasterPage& page)
{
    const unsigned width = page.header.cupsWidth;
    const unsigned bytesPerLine = page.header.cupsBytesPerLine;
    for (unsigned y = 0; y < page.header.cupsHeight; ++y)
        for (unsigned x = width; x < bytesPerLine * 8; ++x)
            page.pixels[y * bytesPerLine + x / 8] &=
                static_cast<unsigned char>(~(0x80u >> (x % 8)));
}

TEST(FilterFormat, WhiteIsOneBitmapsPrintAsTheInkPageTheyComplement)
{
    struct Case {
        const char* name;
        cups_cspace_t space;
        unsigned width;
        bool paddingSet;  // padding bits of the white-is-one raster
    };
    const Case cases[] = {
        {"W, whole bytes", CUPS_CSPACE_W, 96, false},
        {"W, padding clear", CUPS_CSPACE_W, 77, false},
        {"W, padding set", CUPS_CSPACE_W, 77, true},
        {"SW, padding set", CUPS_CSPACE_SW, 77, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterPage ink = MakeBitmapPage(c.width, 130, 180, 180);
        FillPattern(ink, c.width);
        // Extra bytes at the end of each row are padding as well.
        ink.header.cupsBytesPerLine += 1;
        ink.pixels.assign(ink.PromisedBytes(), 0);
        FillPattern(ink, c.width);
        ClearPadding(ink);

        RasterPage white = ink;
        white.header.cupsColorSpace = c.space;
        for (unsigned char& b : white.pixels)
            b = static_cast<unsigned char>(~b);
        if (!c.paddingSet)
            ClearPadding(white);

        const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({white})));
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, ExpectedPageBytes(24, ink));
    }
}

TEST(FilterFormat, AllWhitePagePrintsNothingButTheFrame)
{
    // Every pixel is white (set) and every padding bit clear: inverted
    // without care, the padding would become ink and start bands.
    RasterPage white = MakeBitmapPage(77, 100, 180, 180);
    white.header.cupsColorSpace = CUPS_CSPACE_W;
    white.header.cupsBytesPerLine += 1;
    white.pixels.assign(white.PromisedBytes(), 0);
    for (unsigned y = 0; y < 100; ++y)
        for (unsigned x = 0; x < 77; ++x)
            white.SetBit(x, y);
    const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({white})));
    EXPECT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_EQ(r.out, (Bytes{0x1B, 0x40, 0x0D, 0x0C, 0x1B, 0x40}));
}

TEST(FilterFormat, OtherFormatsAreRefusedWithWhatTheyAre)
{
    // Sets the pixel format and the line length it needs for the width.
    auto format = [](cups_cspace_t space, unsigned bitsPerColor, unsigned bitsPerPixel,
                     cups_order_t order) {
        return [=](cups_page_header2_t& h) {
            h.cupsColorSpace = space;
            h.cupsBitsPerColor = bitsPerColor;
            h.cupsBitsPerPixel = bitsPerPixel;
            h.cupsColorOrder = order;
            h.cupsBytesPerLine = (h.cupsWidth * bitsPerPixel + 7) / 8;
        };
    };
    struct Case {
        const char* name;
        std::function<void(cups_page_header2_t&)> change;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"RGB", format(CUPS_CSPACE_RGB, 8, 24, CUPS_ORDER_CHUNKED),
         "8 bits per colour in colour space RGB (24 bits per pixel, chunked order) is not "
         "supported"},
        {"CMYK", format(CUPS_CSPACE_CMYK, 8, 32, CUPS_ORDER_CHUNKED), "colour space CMYK"},
        {"CIELab", format(CUPS_CSPACE_CIELab, 8, 24, CUPS_ORDER_CHUNKED), "colour space CIELab"},
        {"16-bit grey", format(CUPS_CSPACE_W, 16, 16, CUPS_ORDER_CHUNKED), "16 bits per colour"},
        {"2-bit black", format(CUPS_CSPACE_K, 2, 2, CUPS_ORDER_CHUNKED), "2 bits per colour"},
        {"4-bit grey", format(CUPS_CSPACE_SW, 4, 4, CUPS_ORDER_CHUNKED), "4 bits per colour"},
        {"banded black", format(CUPS_CSPACE_K, 1, 1, CUPS_ORDER_BANDED), "banded order"},
        {"planar grey", format(CUPS_CSPACE_W, 8, 8, CUPS_ORDER_PLANAR), "planar order"},
        {"white ink", format(CUPS_CSPACE_WHITE, 1, 1, CUPS_ORDER_CHUNKED), "colour space WHITE"},
        {"DeviceN", format(CUPS_CSPACE_DEVICE1, 1, 1, CUPS_ORDER_CHUNKED), "colour space 48"},
        {"grey wider than its line",
         [](cups_page_header2_t& h) {
             h.cupsColorSpace = CUPS_CSPACE_W;
             h.cupsBitsPerColor = h.cupsBitsPerPixel = 8;
             h.cupsBytesPerLine = h.cupsWidth - 1;
         },
         "does not fit"},
    };

    RasterPage page1 = MakeBitmapPage(96, 80, 180, 180);
    FillPattern(page1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterPage page2 = MakeBitmapPage(96, 80, 180, 180);
        c.change(page2.header);
        page2.pixels.assign(page2.PromisedBytes(), 0x5A);
        const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page1, page2})));

        EXPECT_EQ(r.exitStatus, 1) << r.Describe();
        EXPECT_EQ(r.out, ExpectedPageBytes(24, page1));
        const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
        ASSERT_EQ(errors.size(), 1u) << r.err;
        EXPECT_EQ(errors[0].rfind("ERROR: Page 2 ", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(c.reason), std::string::npos) << errors[0];
    }
}

// Numbers in the enumerated header fields beyond every value their enum
// types name, as a damaged or hostile stream carries them (the stream is
// patched after writing, since libcups writes only known values). An
// unknown colour space or order refuses the page with its number; unknown
// yes/no flags and orientations change nothing.
TEST(FilterFormat, HeaderNumbersBeyondTheirNamesAreRefusedOrIgnored)
{
    struct Case {
        const char* name;
        std::size_t field;  // offset of the field in the page header
        std::uint32_t value;
        const char* reason;  // empty: the page prints as usual
    };
    const Case cases[] = {
        {"colour space", offsetof(cups_page_header2_t, cupsColorSpace), 768,
         "1 bits per colour in colour space 768 (1 bits per pixel, chunked order) is not "
         "supported"},
        {"colour order", offsetof(cups_page_header2_t, cupsColorOrder), 0x80000001u,
         "colour space K (1 bits per pixel, 2147483649 order)"},
        {"duplex", offsetof(cups_page_header2_t, Duplex), 2, ""},
        {"manual feed", offsetof(cups_page_header2_t, ManualFeed), 0x100, ""},
        {"orientation", offsetof(cups_page_header2_t, Orientation), 0xFFFFFFFFu, ""},
    };

    RasterPage page1 = MakeBitmapPage(96, 80, 180, 180);
    FillPattern(page1, 1);
    RasterPage page2 = MakeBitmapPage(96, 80, 180, 180);
    FillPattern(page2, 2);
    const std::size_t page2Header = WriteRaster({page1}).size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes raster = WriteRaster({page1, page2});
        std::memcpy(raster.data() + page2Header + c.field, &c.value, sizeof c.value);
        const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), raster));

        const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
        if (*c.reason == '\0') {
            EXPECT_EQ(r.exitStatus, 0) << r.Describe();
            EXPECT_EQ(r.out, ExpectedJobBytes(24, {page1, page2}));
            EXPECT_TRUE(errors.empty()) << r.err;
            continue;
        }
        EXPECT_EQ(r.exitStatus, 1) << r.Describe();
        EXPECT_EQ(r.out, ExpectedPageBytes(24, page1));
        ASSERT_EQ(errors.size(), 1u) << r.err;
        EXPECT_EQ(errors[0].rfind("ERROR: Page 2 ", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(c.reason), std::string::npos) << errors[0];
    }
}

}  // namespace
