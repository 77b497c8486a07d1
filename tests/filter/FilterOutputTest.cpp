// SPDX-License-Identifier: Apache-2.0
// The filter's printer output for good jobs: page framing, every pin
// profile of the test PPDs, raster compression, input from a file, copies.
#include <gtest/gtest.h>

#include <optional>

#include "escp/ColumnKernels.h"
#include "page/PageEncoder.h"
#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

// A page with ink and blank stretches, different for every seed.
RasterPage PatternPage(unsigned width, unsigned height, unsigned dpiX, unsigned dpiY, unsigned seed)
{
    RasterPage page = MakeBitmapPage(width, height, dpiX, dpiY);
    FillPattern(page, seed);
    return page;
}

// The body DotMatrixPrinter makes for a page of the 24-pin test printer.
Bytes Body24(const RasterPage& page)
{
    const cups_page_header2_t& h = page.header;
    return PrinterPageBody(24, static_cast<int>(h.HWResolution[0]),
                           static_cast<int>(h.HWResolution[1]), page.pixels.data(),
                           h.cupsBytesPerLine, h.cupsWidth, h.cupsHeight);
}

// ESC @, CR, body, FF, ESC @: the frame every page is written in.
Bytes Framed(const Bytes& body)
{
    const Bytes docStart{0x1B, 0x40, 0x0D};
    const Bytes docEnd{0x0C, 0x1B, 0x40};
    Bytes out;
    for (const Bytes* piece : {&docStart, &body, &docEnd})
        out.insert(out.end(), piece->begin(), piece->end());
    return out;
}

TEST(FilterOutput, EachPageIsFramedAroundTheLibraryBody)
{
    const RasterPage page1 = PatternPage(200, 150, 180, 180, 1);
    const RasterPage page2 = PatternPage(200, 150, 180, 180, 2);
    const Bytes body1 = Body24(page1);
    const Bytes body2 = Body24(page2);
    ASSERT_FALSE(body1.empty());
    ASSERT_NE(body1, body2);

    struct Case {
        const char* name;
        std::vector<RasterPage> pages;
        Bytes expected;
        std::vector<std::string> pageLines;
    };
    Bytes both = Framed(body1);
    const Bytes second = Framed(body2);
    both.insert(both.end(), second.begin(), second.end());
    const std::vector<Case> cases = {
        {"one page", {page1}, Framed(body1), {"PAGE: 1 1"}},
        {"two pages", {page1, page2}, both, {"PAGE: 1 1", "PAGE: 2 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster(c.pages)));
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.ErrLinesStartingWith("PAGE: "), c.pageLines);
        EXPECT_TRUE(r.ErrLinesStartingWith("ERROR: ").empty()) << r.err;
    }
}

TEST(FilterOutput, EveryResolutionOfTheTestPpdsMatchesTheLibrary)
{
    struct Case {
        int pins;
        unsigned dpiX, dpiY;
    };
    const Case cases[] = {
        {24, 360, 360}, {24, 360, 180}, {24, 180, 180}, {24, 120, 180},
        {18, 180, 180}, {18, 360, 360}, {18, 360, 180}, {18, 120, 180},
        {9, 160, 144},  {9, 160, 72},   {9, 80, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pins) + " pins at " + std::to_string(c.dpiX) + "x" +
                     std::to_string(c.dpiY));
        // A page taller than two bands of the tallest profile (72 rows).
        const RasterPage page = PatternPage(90, 260, c.dpiX, c.dpiY, c.pins + c.dpiX);
        const FilterResult r = RunFilter(FilterJob(TestPpdPath(c.pins), WriteRaster({page})));
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, ExpectedPageBytes(c.pins, page));
        EXPECT_GT(r.out.size(), 6u) << "the page body is empty";
    }
}

// The name of the fastest path this machine takes.
std::string FastestPathName()
{
    for (const ColumnPath path : {ColumnPath::kAvx2, ColumnPath::kSse2}) {
        if (const ColumnKernels* kernels = ColumnKernels::ForPath(path))
            return kernels->name;
    }
    return "portable";
}

TEST(FilterOutput, ColumnPathVariableChoosesThePathNamedInTheLog)
{
    // Wider than one 256-column block, at a double-pass and two
    // single-pass resolutions.
    const std::vector<RasterPage> pages = {PatternPage(700, 130, 360, 360, 11),
                                           PatternPage(700, 130, 360, 180, 12),
                                           PatternPage(700, 130, 180, 180, 13)};
    const Bytes expected = ExpectedJobBytes(24, pages);
    const std::string fastest = FastestPathName();
    struct Case {
        std::optional<std::string> asked;  // RIDEV_COLUMN_PATH, or unset
        std::string line;                  // the path's DEBUG line
    };
    std::vector<Case> cases = {
        {std::nullopt, "DEBUG: Column path: " + fastest + "."},
        {"", "DEBUG: Column path: " + fastest + "."},
        {"neon",
         "DEBUG: Column path: " + fastest + " (RIDEV_COLUMN_PATH=neon is not available here)."},
    };
    for (const ColumnPath path : {ColumnPath::kPortable, ColumnPath::kSse2, ColumnPath::kAvx2}) {
        const char* name = path == ColumnPath::kPortable ? "portable"
                           : path == ColumnPath::kSse2   ? "sse2"
                                                         : "avx2";
        const bool available = ColumnKernels::ForPath(path) != nullptr;
        cases.push_back({name, available ? "DEBUG: Column path: " + std::string(name) + "."
                                         : "DEBUG: Column path: " + fastest +
                                               " (RIDEV_COLUMN_PATH=" + name +
                                               " is not available here)."});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked.value_or("(unset)"));
        FilterRun run = FilterJob(TestPpdPath(24), WriteRaster(pages));
        run.env.push_back({"RIDEV_COLUMN_PATH", c.asked});
        const FilterResult r = RunFilter(run);
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.ErrLinesStartingWith("DEBUG: Column path: "), std::vector<std::string>{c.line});
        EXPECT_TRUE(r.out == expected) << "printer data differs on this path";
    }
}

TEST(FilterOutput, CompressedAndUncompressedRastersGiveTheSameBytes)
{
    const std::vector<RasterPage> pages = {PatternPage(333, 200, 360, 360, 7),
                                           PatternPage(333, 200, 360, 360, 8)};
    const Bytes expected = ExpectedJobBytes(24, pages);
    for (RasterCompression compression : {RasterCompression::None, RasterCompression::Compressed}) {
        SCOPED_TRACE(compression == RasterCompression::None ? "uncompressed" : "compressed");
        const FilterResult r =
            RunFilter(FilterJob(TestPpdPath(24), WriteRaster(pages, compression)));
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, expected);
    }
}

TEST(FilterOutput, ReadsTheRasterFileNamedByTheSeventhArgument)
{
    TempDir dir;
    const std::vector<RasterPage> pages = {PatternPage(120, 100, 180, 180, 3)};
    const std::string file = dir.File("job.ras");
    ASSERT_TRUE(WriteRasterFile(file, pages, RasterCompression::Compressed));

    FilterRun run = FilterJob(TestPpdPath(24), {});
    run.args = FilterArgs("", file);
    const FilterResult r = RunFilter(run);
    EXPECT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_EQ(r.out, ExpectedJobBytes(24, pages));
}

TEST(FilterOutput, CopiesArgumentRepeatsARasterDocumentCollated)
{
    RasterPage page1 = PatternPage(100, 60, 180, 180, 4);
    const RasterPage page2 = PatternPage(100, 60, 180, 180, 6);
    // The header's copy count is only logged: it is not what is printed.
    page1.header.NumCopies = 2147483647;
    Bytes document = ExpectedPageBytes(24, page1);
    const Bytes second = ExpectedPageBytes(24, page2);
    document.insert(document.end(), second.begin(), second.end());
    const Bytes raster = WriteRaster({page1, page2});

    struct Case {
        const char* name;
        const char* copies;
        const char* contentType;  // CONTENT_TYPE, or null for none
        int printed;
    };
    const Case cases[] = {
        {"one copy", "1", nullptr, 1},
        {"three copies of a raster document", "3", "application/vnd.cups-raster", 3},
        {"three copies, run by hand", "3", nullptr, 3},
        // The scheduler's filters made the copies of a PDF document already.
        {"three copies of a PDF document", "3", "application/pdf", 1},
        {"copies argument not a number", "three", nullptr, 1},
        {"copies argument 0", "0", nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run = FilterJob(TestPpdPath(24), raster);
        run.args[3] = c.copies;
        run.env.push_back({"CONTENT_TYPE", c.contentType != nullptr
                                               ? std::optional<std::string>(c.contentType)
                                               : std::nullopt});
        const FilterResult r = RunFilter(run);
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        Bytes expected;
        std::vector<std::string> pageLines;
        for (int copy = 0; copy < c.printed; ++copy) {
            expected.insert(expected.end(), document.begin(), document.end());
            pageLines.insert(pageLines.end(), {"PAGE: 1 1", "PAGE: 2 1"});
        }
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.ErrLinesStartingWith("PAGE: "), pageLines);
    }
}

TEST(FilterOutput, APageBodySentInPartsIsTheWholeBody)
{
    // Bodies above one part go out while the page is encoded: the printer
    // still gets each page whole and in order, and copies repeat them.
    const RasterPage large1 = PatternPage(4000, 4800, 360, 360, 7);
    const RasterPage small = PatternPage(100, 60, 180, 180, 8);
    const RasterPage large2 = PatternPage(4000, 4800, 360, 360, 9);
    ASSERT_GT(Body24(large1).size(), PageEncoder::kBodyPartBytes);

    struct Case {
        const char* name;
        std::vector<RasterPage> pages;
        const char* copies;
        int printed;
    };
    const Case cases[] = {
        {"one large page", {large1}, "1", 1},
        {"large, small, large, two copies", {large1, small, large2}, "2", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run = FilterJob(TestPpdPath(24), WriteRaster(c.pages));
        run.args[3] = c.copies;
        const FilterResult r = RunFilter(run);
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        const Bytes document = ExpectedJobBytes(24, c.pages);
        Bytes expected;
        for (int copy = 0; copy < c.printed; ++copy)
            expected.insert(expected.end(), document.begin(), document.end());
        EXPECT_TRUE(r.out == expected) << r.out.size() << " bytes, expected " << expected.size();
        EXPECT_TRUE(r.ErrLinesStartingWith("ERROR: ").empty()) << r.err;
    }
}

TEST(FilterOutput, JobOptionsDoNotChangeTheOneBitOutput)
{
    const RasterPage page = PatternPage(100, 60, 180, 180, 5);
    const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page}),
                                               "PageSize=Letter Resolution=360x180dpi foo=bar"));
    EXPECT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_EQ(r.out, ExpectedPageBytes(24, page));
}

}  // namespace
