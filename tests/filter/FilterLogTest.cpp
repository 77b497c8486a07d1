// The filter's debug log, /tmp/vorirazavavi.log: emptied at the start of a
// job, then the logging thread's start lines, the page header fields under
// their fixed line numbers, and the encoder's profile and band lines; the
// printer output carries printer bytes only. These tests use the real log
// path, so they run one at a time.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

constexpr const char* kLogPath = "/tmp/vorirazavavi.log";

// The whole content of a file, or "" when it cannot be read.
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One log record: the time-stamped header split off from the text.
struct Record {
    std::string level;  // LOG_DEBUG, LOG_ALARM, ...
    std::string text;   // the statement's text and the source suffix
};

// Splits the log into records (each ends in CR LF) and checks every header:
// "YYYY-MM-DD hh:mm:ss.mmm [tid] LEVEL ".
std::vector<Record> ParseLog(const std::string& log)
{
    static const std::regex header(
        R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[\d{4,}\] (LOG_[A-Z]+) )");
    std::vector<Record> records;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t end = log.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "record without CR LF at byte " << start;
        if (end == std::string::npos)
            break;
        const std::string line = log.substr(start, end - start);
        std::smatch match;
        EXPECT_TRUE(std::regex_search(line, match, header)) << line;
        if (!match.empty())
            records.push_back({match[1], match.suffix()});
        start = end + 2;
    }
    return records;
}

// A small 24-pin page with a few inked stretches.
RasterPage LoggedPage()
{
    RasterPage page = MakeBitmapPage(300, 50, 180, 180);
    FillPattern(page, 3);
    page.header.NumCopies = 2;
    return page;
}

class FilterLog : public ::testing::Test {
protected:
    void SetUp() override { unlink(kLogPath); }
    void TearDown() override { unlink(kLogPath); }
};

TEST_F(FilterLog, RecordsTheStartLinesThePageHeaderAndTheEncoder)
{
    const RasterPage page = LoggedPage();
    const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page})));
    ASSERT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_EQ(r.out, ExpectedPageBytes(24, page));

    const std::vector<Record> records = ParseLog(ReadFile(kLogPath));
    ASSERT_GE(records.size(), 2u + 19u + 6u);

    const std::regex threadSuffix(R"( ruzolog:\d+$)");
    EXPECT_EQ(records[0].level, "LOG_ALARM");
    EXPECT_EQ(std::regex_replace(records[0].text, threadSuffix, ""),
              "-----------------  ruzolog thread started!   ----------------------------");
    EXPECT_EQ(records[1].level, "LOG_ALARM");
    EXPECT_EQ(std::regex_replace(records[1].text, threadSuffix, ""),
              "logger id=0 key=Main name=vorirazavavi path=/tmp/ level=1 display=true");

    const cups_page_header2_t& h = page.header;
    const std::string expectedHeader[19] = {
        "DEBUG: StartPage...",
        "DEBUG: Duplex = 0",
        "DEBUG: HWResolution = [ 180 180 ]",
        "DEBUG: ImagingBoundingBox = [ " + std::to_string(h.ImagingBoundingBox[0]) + " " +
            std::to_string(h.ImagingBoundingBox[1]) + " " +
            std::to_string(h.ImagingBoundingBox[2]) + " " +
            std::to_string(h.ImagingBoundingBox[3]) + " ]",
        "DEBUG: Margins = [ 0 0 ]",
        "DEBUG: ManualFeed = 0",
        "DEBUG: MediaPosition = 0",
        "DEBUG: NumCopies = 2",
        "DEBUG: Orientation = 0",
        "DEBUG: PageSize = [ " + std::to_string(h.PageSize[0]) + " " +
            std::to_string(h.PageSize[1]) + " ]",
        "DEBUG: cupsWidth = 300",
        "DEBUG: cupsHeight = 50",
        "DEBUG: cupsMediaType = 0",
        "DEBUG: cupsBitsPerColor = 1",
        "DEBUG: cupsBitsPerPixel = 1",
        "DEBUG: cupsBytesPerLine = 38",
        "DEBUG: cupsColorOrder = 0",
        "DEBUG: cupsColorSpace = 3",
        "DEBUG: cupsCompression = 0",
    };
    for (int i = 0; i < 19; ++i) {
        const Record& rec = records[2 + i];
        EXPECT_EQ(rec.level, "LOG_DEBUG");
        EXPECT_EQ(rec.text, expectedHeader[i] + "\n ridevedudaruzo:" + std::to_string(110 + i));
    }

    const std::regex encoderSuffix(R"( OrvESCP:\d+$)");
    const char* expectedProfile[6] = {"pinType: 24",     "dpiX: 180",         "dpiY: 180",
                                      "linesPerRow: 24", "verticalUnit: 180", "bitmapM: 39"};
    for (int i = 0; i < 6; ++i) {
        const Record& rec = records[21 + i];
        EXPECT_TRUE(std::regex_search(rec.text, encoderSuffix)) << rec.text;
        EXPECT_EQ(std::regex_replace(rec.text, encoderSuffix, ""), expectedProfile[i]);
    }

    // The bands: each starts with the single-pass entry line, then its
    // column count, its white areas and at least one bit image.
    std::vector<std::string> bandLines;
    for (std::size_t i = 27; i < records.size(); ++i)
        bandLines.push_back(std::regex_replace(records[i].text, encoderSuffix, ""));
    ASSERT_FALSE(bandLines.empty());
    EXPECT_EQ(bandLines.front(), "OneLineToBytesSingle in");
    EXPECT_TRUE(std::regex_match(bandLines[1], std::regex(R"(len: \d+, colBytes: 3)")))
        << bandLines[1];
    EXPECT_TRUE(std::regex_match(bandLines[2], std::regex(R"(whiteArea\.size\(\): \d+)")))
        << bandLines[2];
    EXPECT_EQ(bandLines[3], "AddGraphic in");
}

TEST_F(FilterLog, EmptiesTheLogOfAnEarlierJob)
{
    {
        std::ofstream stale(kLogPath);
        stale << "left over from an earlier job\r\n";
    }
    const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({LoggedPage()})));
    ASSERT_EQ(r.exitStatus, 0) << r.Describe();
    const std::string log = ReadFile(kLogPath);
    EXPECT_EQ(log.find("left over"), std::string::npos);
    EXPECT_NE(log.find("DEBUG: StartPage..."), std::string::npos);
}

TEST_F(FilterLog, LeavesAFileBehindAPlantedLinkUntouchedAndStillPrints)
{
    // A symbolic or a hard link at the log's path: the file it leads to is
    // neither emptied at start-up nor written, and the job prints.
    struct Case {
        const char* name;
        int (*makeLink)(const char* target, const char* path);
        bool isSymlink;
    };
    const Case cases[] = {{"symbolic link", symlink, true}, {"hard link", link, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(kLogPath);
        TempDir dir;
        const std::string victim = dir.WriteFile("victim", "precious\n");
        ASSERT_EQ(c.makeLink(victim.c_str(), kLogPath), 0);

        const RasterPage page = LoggedPage();
        const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page})));
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, ExpectedPageBytes(24, page));
        EXPECT_EQ(ReadFile(victim), "precious\n");

        struct stat st;
        ASSERT_EQ(lstat(kLogPath, &st), 0);
        EXPECT_EQ(S_ISLNK(st.st_mode), c.isSymlink);
    }
}

}  // namespace
