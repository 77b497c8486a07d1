// SPDX-License-Identifier: Apache-2.0
// How the filter ends for each kind of job set-up: argument count, input
// file, PPD, empty stream, and PPD model numbers that name no print head.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include <sys/stat.h>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

// The text of a test PPD.
std::string ReadPpd(int pins)
{
    std::ifstream in(TestPpdPath(pins));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The 24-pin test PPD with its model-number line replaced by `line`.
std::string PpdWithModelLine(const std::string& line)
{
    std::string text = ReadPpd(24);
    const std::string model = "*cupsModelNumber: 24\n";
    const std::size_t at = text.find(model);
    if (at != std::string::npos)
        text.replace(at, model.size(), line);
    return text;
}

// A small one-page job for the 24-pin printer.
Bytes OnePageRaster()
{
    RasterPage page = MakeBitmapPage(64, 48, 180, 180);
    FillPattern(page, 1);
    return WriteRaster({page});
}

TEST(FilterExit, StatusFollowsTheJobSetUp)
{
    TempDir dir;
    const std::string missing = dir.File("missing.ras");
    const std::string rasterFile = dir.File("job.ras");
    RasterPage page = MakeBitmapPage(64, 48, 180, 180);
    FillPattern(page, 1);
    ASSERT_TRUE(WriteRasterFile(rasterFile, {page}));
    const std::string ppd = TestPpdPath(24);
    const std::regex ppdError("DEBUG: .+ on line [0-9]+\\.");
    const std::string fifo = dir.File("fifo.ppd");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::optional<std::string> ppd;
        Bytes input;
        int status;
        bool writesOutput;
        bool reportsPpdError;
        std::string error = "";  // the one ERROR line, if any
    };
    const std::string noPage = "ERROR: The job's raster stream holds no page.";
    const std::vector<Case> cases = {
        {"one page", FilterArgs(), ppd, OnePageRaster(), 0, true, false},
        {"no page", FilterArgs(), ppd, WriteRaster({}), 1, false, false, noPage},
        {"not a raster stream", FilterArgs(), ppd, Bytes(100, 'x'), 1, false, false,
         "ERROR: The job's input is not a CUPS raster stream."},
        {"empty input", FilterArgs(), ppd, {}, 1, false, false, noPage},
        {"5 arguments", {"1", "user", "title", "1"}, ppd, OnePageRaster(), 1, false, false},
        {"8 arguments",
         {"1", "user", "title", "1", "", missing, "extra"},
         ppd,
         OnePageRaster(),
         1,
         false,
         false},
        {"7 arguments", FilterArgs("", rasterFile), ppd, {}, 0, true, false},
        {"missing raster file", FilterArgs("", missing), ppd, OnePageRaster(), 1, false, false,
         "ERROR: The job's file " + missing + " cannot be opened: No such file or directory."},
        {"PPD unset", FilterArgs(), std::nullopt, OnePageRaster(), 1, false, true},
        {"PPD missing", FilterArgs(), dir.File("missing.ppd"), OnePageRaster(), 1, false, true},
        {"PPD not a PPD", FilterArgs(), dir.WriteFile("bad.ppd", "hello\n"), OnePageRaster(), 1,
         false, true},
        // Not regular files: a FIFO would block the open for ever.
        {"PPD a FIFO", FilterArgs(), fifo, OnePageRaster(), 1, false, true},
        {"PPD a directory", FilterArgs(), dir.Path(), OnePageRaster(), 1, false, true},
        {"PPD a device", FilterArgs(), "/dev/zero", OnePageRaster(), 1, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run;
        run.executable = FilterPath();
        run.args = c.args;
        run.env = {{"PPD", c.ppd}};
        run.input = {InputPiece{c.input, ""}};
        run.timeoutSeconds = 10;
        const FilterResult r = RunFilter(run);

        ASSERT_TRUE(r.exited) << r.Describe();
        EXPECT_EQ(r.exitStatus, c.status) << r.Describe();
        EXPECT_EQ(!r.out.empty(), c.writesOutput) << r.Describe();
        const std::vector<std::string> lines = r.ErrLines();
        if (c.reportsPpdError) {
            ASSERT_EQ(lines.size(), 2u) << r.err;
            EXPECT_TRUE(std::regex_match(lines[0], ppdError)) << lines[0];
            EXPECT_EQ(lines[1], "ERROR: The printer's PPD file cannot be read.");
        } else if (!c.error.empty()) {
            EXPECT_EQ(lines, std::vector<std::string>{c.error});
        } else if (!c.writesOutput) {
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST(FilterExit, ModelNumberWithoutAPrintHeadIsRefusedBeforeAnyPage)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::string modelLine;
        std::string number;
    };
    const Case cases[] = {
        {"unknown pin count", "*cupsModelNumber: 12\n", "12"},
        {"negative", "*cupsModelNumber: -24\n", "-24"},
        {"no model number", "", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string ppd = dir.WriteFile("model.ppd", PpdWithModelLine(c.modelLine));
        const FilterResult r = RunFilter(FilterJob(ppd, OnePageRaster()));
        EXPECT_EQ(r.exitStatus, 1) << r.Describe();
        EXPECT_TRUE(r.out.empty());
        const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
        ASSERT_EQ(errors.size(), 1u) << r.err;
        EXPECT_NE(errors[0].find("model number " + c.number + " "), std::string::npos) << errors[0];
        EXPECT_TRUE(r.ErrLinesStartingWith("PAGE: ").empty()) << r.err;
    }
}

}  // namespace
