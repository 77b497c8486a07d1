// SPDX-License-Identifier: Apache-2.0
// The filter's debug log, /tmp/vorirazavavi.log: emptied at the start of a
// job, then the logging thread's start lines, the page header fields under
// their fixed line numbers, and the encoder's profile and band lines; the
// printer output carries printer bytes only. The administrator's logging
// configuration (<CUPS_SERVERROOT>/ridevedudaruzo/logging.conf) can turn
// the log down, move it or switch it off; an untrusted or broken one is
// ignored with one DEBUG line. These tests use the real log path, so they
// run one at a time.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>
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

// Every test starts without a log file. A log left by a real print job
// belongs to the print user; unless this runs as root it cannot be removed,
// and the tests skip.
class FilterLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (unlink(kLogPath) != 0 && errno != ENOENT)
            GTEST_SKIP() << kLogPath << " belongs to another user and cannot be removed";
    }
    void TearDown() override { unlink(kLogPath); }
};

// The filter trusts a logging configuration only when root owns it, so the
// tests whose configuration must take effect run as root only.
#define SKIP_UNLESS_ROOT_CAN_OWN_THE_CONFIGURATION()                                               \
    do {                                                                                           \
        if (geteuid() != 0)                                                                        \
            GTEST_SKIP() << "needs root: the filter ignores a configuration root does not own";    \
    } while (0)

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

// The text of every record (header cut off, source suffix kept), in order.
std::vector<std::string> RecordTexts(const std::string& log)
{
    std::vector<std::string> texts;
    for (const Record& record : ParseLog(log))
        texts.push_back(record.level + " " + record.text);
    return texts;
}

// Number of records of a level.
int CountLevel(const std::string& log, const std::string& level)
{
    int count = 0;
    for (const Record& record : ParseLog(log))
        count += record.level == level ? 1 : 0;
    return count;
}

// The administrator's configuration in a private server root.
class LogConfig {
public:
    LogConfig() { std::filesystem::create_directory(Dir()); }

    const std::string& Root() const { return root.Path(); }
    std::string Dir() const { return root.File("ridevedudaruzo"); }
    std::string File() const { return Dir() + "/logging.conf"; }
    std::string Scratch(const std::string& name) const { return root.File(name); }

    // Writes the configuration file, mode 0644.
    void Write(const std::string& text) const
    {
        std::ofstream(File(), std::ios::binary) << text;
        chmod(File().c_str(), 0644);
    }

    // A job of one page with this server root.
    FilterResult Run(const RasterPage& page) const
    {
        FilterRun run = FilterJob(TestPpdPath(24), WriteRaster({page}));
        run.env.push_back({"CUPS_SERVERROOT", Root()});
        return RunFilter(run);
    }

private:
    TempDir root;
};

// Where a case expects the records.
enum class LogPlace { Default, Moved, Nowhere };

struct ConfigCase {
    const char* name;
    std::function<void(const LogConfig&)> setUp;
    bool ignoredWithDebugLine;  // one "DEBUG: Ignoring ..." line on stderr
    LogPlace place;
    bool debugRecords;  // the page and encoder records are written
    int loggedLevel;    // level in the start line of the main logger
};

const char* const kIgnoredLine = "DEBUG: Ignoring the logging configuration ";

TEST_F(FilterLog, AdministratorsConfigurationTurnsTheLogDownMovesItOrIsIgnored)
{
    SKIP_UNLESS_ROOT_CAN_OWN_THE_CONFIGURATION();
    const ConfigCase cases[] = {
        {"no file", [](const LogConfig&) {}, false, LogPlace::Default, true, 1},
        {"enable=false", [](const LogConfig& c) { c.Write("[Main]\nenable = false\n"); }, false,
         LogPlace::Nowhere, false, 0},
        {"outfile=false", [](const LogConfig& c) { c.Write("[main]\noutfile=false\n"); }, false,
         LogPlace::Nowhere, false, 0},
        {"level=info only",
         [](const LogConfig& c) { c.Write("# quieter\n[Main]\nlevel = info\n"); }, false,
         LogPlace::Default, false, 2},
        {"moved path and name",
         [](const LogConfig& c) {
             c.Write("[Main]\npath = " + c.Scratch("logs/filter") + "\nname = job\n");
         },
         false, LogPlace::Moved, true, 1},
        {"malformed text",
         [](const LogConfig& c) { c.Write("[Main]\nenable = false\nthis is not an option\n"); },
         true, LogPlace::Default, true, 1},
        {"unknown level", [](const LogConfig& c) { c.Write("[Main]\nlevel = loud\n"); }, true,
         LogPlace::Default, true, 1},
        {"option outside [Main]", [](const LogConfig& c) { c.Write("enable = false\n"); }, true,
         LogPlace::Default, true, 1},
        {"symbolic link",
         [](const LogConfig& c) {
             std::ofstream(c.Scratch("real.conf")) << "[Main]\nenable = false\n";
             chmod(c.Scratch("real.conf").c_str(), 0644);
             ASSERT_EQ(symlink(c.Scratch("real.conf").c_str(), c.File().c_str()), 0);
         },
         true, LogPlace::Default, true, 1},
        {"world-writable",
         [](const LogConfig& c) {
             c.Write("[Main]\nenable = false\n");
             chmod(c.File().c_str(), 0666);
         },
         true, LogPlace::Default, true, 1},
        {"group-writable",
         [](const LogConfig& c) {
             c.Write("[Main]\nenable = false\n");
             chmod(c.File().c_str(), 0664);
         },
         true, LogPlace::Default, true, 1},
        {"a folder", [](const LogConfig& c) { std::filesystem::create_directory(c.File()); }, true,
         LogPlace::Default, true, 1},
        // The configuration's reader ends a line at CR as well as at LF.
        {"bad level behind a CR",
         [](const LogConfig& c) { c.Write("[Main]\npath = /x\rlevel = bogus\rmonthdir = yes\n"); },
         true, LogPlace::Default, true, 1},
        {"section behind a CR",
         [](const LogConfig& c) { c.Write("[Main]\nname = job\r[Second]\nlevel = info\n"); }, true,
         LogPlace::Default, true, 1},
        {"CRLF line ends", [](const LogConfig& c) { c.Write("[Main]\r\nlevel = info\r\n"); }, false,
         LogPlace::Default, false, 2},
        {"relative path", [](const LogConfig& c) { c.Write("[Main]\npath = logs\n"); }, true,
         LogPlace::Default, true, 1},
    };
    const RasterPage page = LoggedPage();
    const std::vector<unsigned char> expected = ExpectedPageBytes(24, page);
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(kLogPath);
        LogConfig config;
        c.setUp(config);
        const FilterResult r = config.Run(page);
        ASSERT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, expected);

        const std::vector<std::string> ignored = r.ErrLinesStartingWith(kIgnoredLine);
        EXPECT_EQ(ignored.size(), c.ignoredWithDebugLine ? 1u : 0u) << r.err;

        const std::string moved = config.Scratch("logs/filter/job.log");
        const std::string logPath = c.place == LogPlace::Moved ? moved : kLogPath;
        struct stat st;
        EXPECT_EQ(lstat(kLogPath, &st) == 0, c.place == LogPlace::Default);
        EXPECT_EQ(lstat(moved.c_str(), &st) == 0, c.place == LogPlace::Moved);
        if (c.place == LogPlace::Nowhere)
            continue;
        const std::string log = ReadFile(logPath);
        EXPECT_EQ(CountLevel(log, "LOG_ALARM"), 2) << log;
        EXPECT_EQ(CountLevel(log, "LOG_DEBUG") > 0, c.debugRecords);
        const std::string startLine =
            "logger id=0 key=Main name=" +
            std::string(c.place == LogPlace::Moved ? "job" : "vorirazavavi") + " path=" +
            (c.place == LogPlace::Moved ? config.Scratch("logs/filter") + "/" : "/tmp/") +
            " level=" + std::to_string(c.loggedLevel) + " display=true";
        EXPECT_NE(log.find(startLine), std::string::npos) << log.substr(0, 400);
    }
    unlink(kLogPath);
}

TEST_F(FilterLog, NotOwnedByRootIsIgnored)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the file to another user";
    LogConfig config;
    config.Write("[Main]\nenable = false\n");
    ASSERT_EQ(chown(config.File().c_str(), 65534, 65534), 0);
    const RasterPage page = LoggedPage();
    const FilterResult r = config.Run(page);
    ASSERT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_EQ(r.out, ExpectedPageBytes(24, page));
    const std::vector<std::string> ignored = r.ErrLinesStartingWith(kIgnoredLine);
    ASSERT_EQ(ignored.size(), 1u) << r.err;
    EXPECT_NE(ignored[0].find("not owned by root"), std::string::npos) << ignored[0];
    EXPECT_NE(CountLevel(ReadFile(kLogPath), "LOG_DEBUG"), 0);
}

TEST_F(FilterLog, InstalledExampleChangesNothingInTheLog)
{
    SKIP_UNLESS_ROOT_CAN_OWN_THE_CONFIGURATION();
    const RasterPage page = LoggedPage();
    LogConfig withoutFile;
    ASSERT_EQ(withoutFile.Run(page).exitStatus, 0);
    const std::vector<std::string> plain = RecordTexts(ReadFile(kLogPath));

    LogConfig withExample;
    std::filesystem::copy_file(RIDEV_EXAMPLE_LOGGING_CONF, withExample.File());
    chmod(withExample.File().c_str(), 0644);
    const FilterResult r = withExample.Run(page);
    ASSERT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_TRUE(r.ErrLinesStartingWith(kIgnoredLine).empty()) << r.err;
    const std::vector<std::string> configured = RecordTexts(ReadFile(kLogPath));

    // Same records, levels and texts; only time stamps and thread ids vary.
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(configured, plain);
}

}  // namespace
