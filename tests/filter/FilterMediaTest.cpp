// The media and finishing options of a job change only the page frame the
// filter writes around each page body; without them the frame is the
// default one.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

TEST(FilterMedia, OptionsShapeThePageFrame)
{
    RasterPage page = MakeBitmapPage(120, 60, 180, 180);
    FillPattern(page, 7);
    const cups_page_header2_t& h = page.header;
    const Bytes body = PrinterPageBody(24, 180, 180, page.pixels.data(), h.cupsBytesPerLine,
                                       h.cupsWidth, h.cupsHeight);
    ASSERT_FALSE(body.empty());

    struct Case {
        const char* options;
        Bytes docStart, pageStart, pageEnd, docEnd;
    };
    const Case cases[] = {
        {"", {0x1B, 0x40}, {0x0D}, {0x0C}, {0x1B, 0x40}},
        {"RidevPaperType=TICKET RidevPrintDirection=PrinterDefault RidevPrintMode=PrinterDefault "
         "RidevCashDrawer=Option1 RidevBlackMark=Option1 RidevCutter=Option1 RidevCutType=Option1",
         {0x1B, 0x40},
         {0x0D},
         {0x0C},
         {0x1B, 0x40}},
        {"RidevPaperType=SHEET", {0x1B, 0x40}, {0x0D}, {0x0C, 0x0C}, {0x1B, 0x40}},
        {"RidevPrintDirection=Unidirectional RidevPrintMode=DOUBLEPRN",
         {0x1B, 0x40, 0x1B, 0x55, 0x01, 0x1B, 0x55, 0x00},
         {0x0D},
         {0x0C},
         {0x1B, 0x40}},
        {"RidevPrintDirection=Bidirectional",
         {0x1B, 0x40, 0x1B, 0x55, 0x00},
         {0x0D},
         {0x0C},
         {0x1B, 0x40}},
        {"RidevCashDrawer=Option3",
         {0x1B, 0x40, 0x1B, 0x70, 0x00, 0x33, 0x00},
         {0x0D},
         {0x0C},
         {0x1B, 0x40}},
        {"RidevCashDrawer=Option2",
         {0x1B, 0x40},
         {0x0D},
         {0x0C},
         {0x1B, 0x70, 0x00, 0x33, 0x00, 0x1B, 0x40}},
        {"RidevBlackMark=Option3", {0x1B, 0x40}, {0x0D, 0x1D, 0x0C}, {0x0C}, {0x1B, 0x40}},
        {"RidevBlackMark=Option2 RidevCutter=Option3 RidevCutType=Option2",
         {0x1B, 0x40},
         {0x0D},
         {0x0C, 0x1D, 0x0C, 0x1D, 0x56, 0x42, 0x01},
         {0x1B, 0x40}},
        {"RidevCutter=Option2", {0x1B, 0x40}, {0x0D}, {0x0C}, {0x1D, 0x56, 0x42, 0x70, 0x1B, 0x40}},
        {"RidevCutter=Option4 RidevCutType=Option3",
         {0x1B, 0x40},
         {0x0D},
         {0x0C, 0x1D, 0x56, 0x01},
         {0x1B, 0x40}},
        // The cash-drawer pulse after the document and a per-document cut
        // share one place: the cut is kept.
        {"RidevCashDrawer=Option2 RidevCutter=Option2",
         {0x1B, 0x40},
         {0x0D},
         {0x0C},
         {0x1D, 0x56, 0x42, 0x70, 0x1B, 0x40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        Bytes expected = c.docStart;
        for (const Bytes* piece : {&c.pageStart, &body, &c.pageEnd, &c.docEnd})
            expected.insert(expected.end(), piece->begin(), piece->end());
        const FilterResult r =
            RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page, page}), c.options));
        ASSERT_EQ(r.exitStatus, 0) << r.Describe();
        Bytes twice = expected;
        twice.insert(twice.end(), expected.begin(), expected.end());
        EXPECT_EQ(r.out, twice);
    }
}

}  // namespace

namespace {

// The printer data of a job with the given options, run with the 24-pin
// printer's shipped PPD.
Bytes PrintedWithModelPpd(const Bytes& raster, const std::string& options)
{
    const FilterResult r = RunFilter(FilterJob(ModelPpdPath(24), raster, options));
    EXPECT_EQ(r.exitStatus, 0) << options << ": " << r.Describe();
    return r.out;
}

}  // namespace

TEST(FilterMedia, ChoicesAreMatchedAsThePpdSpellsThem)
{
    // A grey page, so that the halftone pattern shows as well.
    RasterPage page = MakeGrayPage(120, 60, 180, 180, CUPS_CSPACE_W);
    FillPattern(page, 5);
    const Bytes raster = WriteRaster({page});
    struct Case {
        const char* options;
        const char* sameAs;  // the canonical spelling, or "" for the defaults
    };
    const Case cases[] = {
        {"RidevPaperType=ticket", ""},
        {"RidevPaperType=Bogus", ""},
        {"RidevCutter=NoSuchChoice", ""},
        {"RidevPaperType=sheet", "RidevPaperType=SHEET"},
        {"RidevCutter=option3 RidevCutType=option2", "RidevCutter=Option3 RidevCutType=Option2"},
        {"RidevCashDrawer=OPTION3", "RidevCashDrawer=Option3"},
        {"RidevBlackMark=option2", "RidevBlackMark=Option2"},
        {"RidevPrintDirection=unidirectional RidevPrintMode=doubleprn",
         "RidevPrintDirection=Unidirectional RidevPrintMode=DOUBLEPRN"},
        {"RidevPrintMode=simpleprn", "RidevPrintMode=SIMPLEPRN"},
        {"RidevHalftone=ht_patsize_8x8_m", "RidevHalftone=HT_PATSIZE_8x8_M"},
    };
    const Bytes defaults = PrintedWithModelPpd(raster, "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const Bytes expected = PrintedWithModelPpd(raster, c.sameAs);
        if (*c.sameAs != '\0') {
            EXPECT_NE(expected, defaults) << "the canonical choice changes nothing";
        }
        EXPECT_EQ(PrintedWithModelPpd(raster, c.options), expected);
    }
}
