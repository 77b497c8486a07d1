// SPDX-License-Identifier: Apache-2.0
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

    // The document start and end of the job's first and last page; the
    // pages inside the job have the inner ones (the same when left empty).
    struct Case {
        const char* options;
        Bytes docStart, pageStart, pageEnd, docEnd;
        Bytes innerDocStart = {}, innerDocEnd = {};
    };
    const Bytes kReset = {0x1B, 0x40};
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
        // The drawer opens once, before the first page or after the last.
        {"RidevCashDrawer=Option3",
         {0x1B, 0x40, 0x1B, 0x70, 0x00, 0x33, 0x00},
         {0x0D},
         {0x0C},
         {0x1B, 0x40},
         kReset,
         kReset},
        {"RidevCashDrawer=Option2",
         {0x1B, 0x40},
         {0x0D},
         {0x0C},
         {0x1B, 0x70, 0x00, 0x33, 0x00, 0x1B, 0x40},
         kReset,
         kReset},
        {"RidevBlackMark=Option3", {0x1B, 0x40}, {0x0D, 0x1D, 0x0C}, {0x0C}, {0x1B, 0x40}},
        {"RidevBlackMark=Option2 RidevCutter=Option3 RidevCutType=Option2",
         {0x1B, 0x40},
         {0x0D},
         {0x0C, 0x1D, 0x0C, 0x1D, 0x56, 0x42, 0x01},
         {0x1B, 0x40}},
        // The cut after the document comes after the last page only.
        {"RidevCutter=Option2",
         {0x1B, 0x40},
         {0x0D},
         {0x0C},
         {0x1D, 0x56, 0x42, 0x70, 0x1B, 0x40},
         kReset,
         kReset},
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
         {0x1D, 0x56, 0x42, 0x70, 0x1B, 0x40},
         kReset,
         kReset},
    };
    constexpr int kPages = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const Bytes& innerStart = c.innerDocStart.empty() ? c.docStart : c.innerDocStart;
        const Bytes& innerEnd = c.innerDocEnd.empty() ? c.docEnd : c.innerDocEnd;
        Bytes expected;
        for (int i = 0; i < kPages; ++i) {
            const Bytes& start = i == 0 ? c.docStart : innerStart;
            const Bytes& end = i == kPages - 1 ? c.docEnd : innerEnd;
            for (const Bytes* piece : {&start, &c.pageStart, &body, &c.pageEnd, &end})
                expected.insert(expected.end(), piece->begin(), piece->end());
        }
        const FilterResult r =
            RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page, page, page}), c.options));
        ASSERT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, expected);
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

TEST(FilterMedia, AJobThatStopsEarlyGetsNoDocumentEndCommands)
{
    RasterPage page = MakeBitmapPage(120, 60, 180, 180);
    FillPattern(page, 3);
    const cups_page_header2_t& h = page.header;
    const Bytes body = PrinterPageBody(24, 180, 180, page.pixels.data(), h.cupsBytesPerLine,
                                       h.cupsWidth, h.cupsHeight);
    // Page 1 with the drawer pulse before the document, closed by a plain
    // ESC @: no cut after the document.
    Bytes page1 = {0x1B, 0x40, 0x1B, 0x70, 0x00, 0x33, 0x00, 0x0D};
    page1.insert(page1.end(), body.begin(), body.end());
    page1.insert(page1.end(), {0x0C, 0x1B, 0x40});
    RasterPage cutShort = page;
    cutShort.pixels.resize(cutShort.pixels.size() / 2);

    struct Case {
        const char* name;
        std::vector<InputPiece> input;
        double cancelAfterSeconds;
        int status;
    };
    const Case cases[] = {
        {"page 2 cut short", {InputPiece{WriteRaster({page, cutShort}), ""}}, 0, 1},
        {"cancelled while waiting for page 2",
         {InputPiece{WriteRaster({page}), ""}, InputPiece{{}, "text the filter never writes"}},
         1.0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run =
            FilterJob(TestPpdPath(24), {}, "RidevCashDrawer=Option3 RidevCutter=Option2");
        run.input = c.input;
        run.signalAfterSeconds = c.cancelAfterSeconds;
        run.timeoutSeconds = 10;
        const FilterResult r = RunFilter(run);
        EXPECT_EQ(r.exitStatus, c.status) << r.Describe();
        EXPECT_EQ(r.out, page1);
    }
}
