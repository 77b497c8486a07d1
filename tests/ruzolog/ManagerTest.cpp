// SPDX-License-Identifier: Apache-2.0
// The manager: life cycle and start-up lines, which records pushLog writes,
// how it finishes them (source suffix, line end, cut), the log files (append,
// month directories, unopenable paths, planted links, old-file clean-up), the
// logger table limit and both forms of log statement.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>

#include "LogTestSupport.h"
#include "ruzolog/ruzolog.h"

namespace {

using ruzolog::LogData;
using ruzolog::LoggerManager;
using ruzolog_test::exists;
using ruzolog_test::isRecordLine;
using ruzolog_test::ManagerTest;
using ruzolog_test::readFile;
using ruzolog_test::writeFile;

TEST_F(ManagerTest, StartAndStopOnlyOnceEach)
{
    EXPECT_FALSE(manager.stop());  // not running yet
    ASSERT_TRUE(manager.start());
    EXPECT_FALSE(manager.start());
    EXPECT_TRUE(manager.stop());
    EXPECT_FALSE(manager.stop());

    // Stopping disabled every logger.
    EXPECT_FALSE(manager.isLoggerEnable(RUZOLOG_MAIN_LOGGER_ID));
    EXPECT_FALSE(manager.isLoggerEnable(outId));
    EXPECT_EQ(manager.getStatusActiveLoggers(), 0u);
    EXPECT_FALSE(push(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_FATAL, "after stop"));

    // A stopped manager starts again.
    EXPECT_TRUE(manager.start());
    EXPECT_TRUE(manager.stop());
}

TEST_F(ManagerTest, StartWritesItsLinesToTheMainLogger)
{
    ASSERT_TRUE(manager.start());
    const std::string log = readFile(mainLog());
    EXPECT_NE(log.find("LOG_ALARM -----------------  ruzolog thread started!   "
                       "----------------------------"),
              std::string::npos);
    EXPECT_NE(log.find("LOG_ALARM logger id=0 key=Main name=main path=" + dir.Path() +
                       "/ level=1 display=true ruzolog:"),
              std::string::npos);
    EXPECT_NE(log.find("LOG_ALARM logger id=1 key=Out name=out path=" + dir.Path() +
                       "/ level=1 display=true ruzolog:"),
              std::string::npos);
    EXPECT_EQ(manager.getStatusTotalWriteCount(), 3u);
    EXPECT_EQ(manager.getStatusTotalWriteBytes(), log.size());
    EXPECT_FALSE(exists(outLog()));
    EXPECT_EQ(manager.getStatusTotalPushQueue(), 0u);
    EXPECT_EQ(manager.getStatusTotalPopQueue(), 0u);
}

TEST_F(ManagerTest, StartSucceedsWithoutLinesWhenMainLoggerTakesNoAlarms)
{
    ASSERT_TRUE(manager.setLoggerLevel(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_FATAL));
    ASSERT_TRUE(manager.start());
    EXPECT_FALSE(exists(mainLog()));
    EXPECT_EQ(manager.getStatusTotalWriteCount(), 0u);
}

TEST_F(ManagerTest, PrePushLogAcceptsOnlyRegisteredEnabledLoggersAtTheirLevel)
{
    EXPECT_FALSE(manager.prePushLog(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_FATAL));  // not started
    ASSERT_TRUE(manager.start());
    ASSERT_TRUE(manager.enableLogger(outId, false));
    struct Case {
        std::int32_t id, level;
        bool accepted;
    } const cases[] = {
        {-1, ruzolog::LOG_DEBUG, false},
        {2, ruzolog::LOG_DEBUG, false},  // 2 > lastId
        {20, ruzolog::LOG_DEBUG, false},
        {1, ruzolog::LOG_FATAL, false},  // disabled
        {0, ruzolog::LOG_TRACE, false},
        {0, ruzolog::LOG_DEBUG, true},
        {0, ruzolog::LOG_FATAL, true},
        {0, -1, false},
        {0, 7, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(manager.prePushLog(c.id, c.level), c.accepted) << c.id << " " << c.level;
    }
}

TEST_F(ManagerTest, PushLogDropsRecordsThatAreNotToBeWritten)
{
    EXPECT_FALSE(push(outId, ruzolog::LOG_FATAL, "before start"));
    ASSERT_TRUE(manager.start());
    EXPECT_FALSE(push(-1, ruzolog::LOG_FATAL, "bad id"));
    EXPECT_FALSE(push(2, ruzolog::LOG_FATAL, "above lastId"));
    EXPECT_FALSE(push(20, ruzolog::LOG_FATAL, "beyond the table"));
    ASSERT_TRUE(manager.setLoggerLevel(outId, ruzolog::LOG_WARN));
    EXPECT_FALSE(push(outId, ruzolog::LOG_INFO, "below level"));
    EXPECT_TRUE(push(outId, ruzolog::LOG_WARN, "at level"));
    const std::string log = readFile(outLog());
    EXPECT_EQ(log.find("before"), std::string::npos);
    EXPECT_EQ(log.find("below"), std::string::npos);
    EXPECT_NE(log.find("LOG_WARN at level test.cpp:1\r\n"), std::string::npos);
}

TEST_F(ManagerTest, PushLogEndsRecordsWithSourcePositionAndLineEnd)
{
    ASSERT_TRUE(manager.start());
    struct Case {
        const char* source;
        std::int32_t line;
        bool fileline;
        const char* ending;
    } const cases[] = {
        {"src/a/b.cpp", 42, true, "text b.cpp:42\r\n"},
        {"C:\\x\\y.cpp", 7, true, "text y.cpp:7\r\n"},
        {"plain.cpp", 3, true, "text plain.cpp:3\r\n"},
        {"dir/", 5, true, "text :5\r\n"},
        {nullptr, 9, true, "text\r\n"},
        {"src/a/b.cpp", 42, false, "text\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ending);
        ASSERT_TRUE(manager.setLoggerFileLine(outId, c.fileline));
        const std::string before = readFile(outLog());
        ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "text", c.source, c.line));
        const std::string line = readFile(outLog()).substr(before.size());
        EXPECT_TRUE(isRecordLine(line)) << line;
        EXPECT_EQ(line.substr(line.find("LOG_INFO ") + 9), c.ending);
    }
}

TEST_F(ManagerTest, PushLogCutsAFullRecordToFitItsLineEnd)
{
    ASSERT_TRUE(manager.start());
    LogData* record = manager.makeLogData(outId, ruzolog::LOG_INFO);
    const int headerLength = record->textLength;
    std::fill(record->text + headerLength, record->text + RUZOLOG_LOG_BUF_SIZE, 'x');
    record->textLength = RUZOLOG_LOG_BUF_SIZE;
    ASSERT_TRUE(manager.pushLog(record, "full.cpp", 1));  // no room for the suffix

    const std::string log = readFile(outLog());
    ASSERT_EQ(log.size(), 8191u);
    EXPECT_EQ(log.substr(headerLength), std::string(8189 - headerLength, 'x') + "\r\n");
    EXPECT_EQ(manager.getStatusTotalWriteBytes(), 8191u + readFile(mainLog()).size());
}

TEST_F(ManagerTest, RecordsAreAppendedToAnExistingFile)
{
    writeFile(outLog(), "old\n");
    ASSERT_TRUE(manager.start());
    ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "one"));
    ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "two"));
    const std::string log = readFile(outLog());
    EXPECT_EQ(log.substr(0, 4), "old\n");
    EXPECT_NE(log.find("one"), std::string::npos);
    EXPECT_NE(log.find("two"), std::string::npos);
    EXPECT_EQ(info(outId).fileBytes, log.size());
}

TEST_F(ManagerTest, WithOutfileOffNothingIsWrittenOrCounted)
{
    ASSERT_TRUE(manager.start());
    const std::uint64_t count = manager.getStatusTotalWriteCount();
    ASSERT_TRUE(manager.setLoggerOutFile(outId, false));
    EXPECT_TRUE(push(outId, ruzolog::LOG_INFO, "unwritten"));
    EXPECT_FALSE(exists(outLog()));
    EXPECT_EQ(manager.getStatusTotalWriteCount(), count);
}

TEST_F(ManagerTest, AFileThatCannotBeOpenedSwitchesOutfileOff)
{
    writeFile(dir.File("blocker"), "");  // a plain file where a directory should be
    ASSERT_TRUE(manager.setLoggerPath(outId, dir.File("blocker/sub").c_str()));
    ASSERT_TRUE(manager.start());
    const std::uint64_t count = manager.getStatusTotalWriteCount();
    EXPECT_TRUE(push(outId, ruzolog::LOG_INFO, "lost"));
    EXPECT_FALSE(info(outId).outfile);
    EXPECT_EQ(manager.getStatusTotalWriteCount(), count);

    // Setting outfile again makes the logger try again, here successfully.
    ASSERT_TRUE(manager.setLoggerPath(outId, dir.Path().c_str()));
    ASSERT_TRUE(manager.setLoggerOutFile(outId, true));
    EXPECT_TRUE(push(outId, ruzolog::LOG_INFO, "found"));
    EXPECT_NE(readFile(outLog()).find("found"), std::string::npos);
}

TEST_F(ManagerTest, APlantedLinkAtTheLogPathIsNeverWrittenThrough)
{
    writeFile(dir.File("victim"), "keep");
    ASSERT_EQ(symlink(dir.File("victim").c_str(), outLog().c_str()), 0);
    ASSERT_TRUE(manager.start());
    EXPECT_TRUE(push(outId, ruzolog::LOG_INFO, "attack"));
    EXPECT_EQ(readFile(dir.File("victim")), "keep");
    EXPECT_FALSE(info(outId).outfile);

    // A hard link instead: refused the same way.
    ASSERT_EQ(unlink(outLog().c_str()), 0);
    ASSERT_EQ(link(dir.File("victim").c_str(), outLog().c_str()), 0);
    ASSERT_TRUE(manager.setLoggerOutFile(outId, true));
    EXPECT_TRUE(push(outId, ruzolog::LOG_INFO, "attack"));
    EXPECT_EQ(readFile(dir.File("victim")), "keep");
    EXPECT_FALSE(info(outId).outfile);
}

TEST_F(ManagerTest, MonthdirFollowsEachRecordsOwnTime)
{
    ASSERT_TRUE(manager.setLoggerMonthdir(outId, true));
    ASSERT_TRUE(manager.start());
    const std::pair<std::int64_t, const char*> months[] = {
        {1710504000, "2024_03"},  // 15 March 2024, noon UTC
        {1713182400, "2024_04"},  // 15 April 2024
    };
    for (const auto& [stamp, month] : months) {
        LogData* record = manager.makeLogData(outId, ruzolog::LOG_INFO);
        record->time = stamp;
        ASSERT_TRUE(manager.pushLog(record, "m.cpp", 1));
        EXPECT_TRUE(ruzolog::isDirectory(dir.File(month))) << month;
        EXPECT_TRUE(isRecordLine(readFile(dir.File(std::string(month) + "/out.log"))));
    }
    EXPECT_FALSE(exists(outLog()));
}

// Waits until the wall clock has passed the given second by more than one
// second, so entries stamped up to then are older than a reserve of 1 s.
void waitUntilOlderThanOneSecond(std::int64_t stamped)
{
    while (static_cast<std::int64_t>(time(nullptr)) < stamped + 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TEST_F(ManagerTest, ReserveDeletesOldFilesButNeverTheOneInUse)
{
    const std::string first = dir.File("first");
    const std::string second = dir.File("second");
    ASSERT_TRUE(manager.setLoggerReserveTime(outId, 1));
    ASSERT_TRUE(manager.start());

    ASSERT_TRUE(manager.setLoggerPath(outId, first.c_str()));
    ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "one"));
    ASSERT_TRUE(manager.setLoggerPath(outId, second.c_str()));
    ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "two"));
    waitUntilOlderThanOneSecond(time(nullptr));

    // Back to the first file: its old history entry is due, but it is the
    // file in use, so it stays; the second file is now the older entry.
    ASSERT_TRUE(manager.setLoggerPath(outId, first.c_str()));
    ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "three"));
    const std::string firstLog = readFile(first + "/out.log");
    EXPECT_NE(firstLog.find("one"), std::string::npos);
    EXPECT_NE(firstLog.find("three"), std::string::npos);
    EXPECT_TRUE(exists(second + "/out.log"));

    // The next opening deletes the old second file; the first stays.
    ASSERT_TRUE(push(outId, ruzolog::LOG_INFO, "four"));
    EXPECT_FALSE(exists(second + "/out.log"));
    EXPECT_NE(readFile(first + "/out.log").find("four"), std::string::npos);
}

TEST_F(ManagerTest, AtMostTwentyLoggers)
{
    for (std::int32_t expected = 2; expected < RUZOLOG_LOGGER_MAX; ++expected) {
        ASSERT_EQ(manager.createLogger(("L" + std::to_string(expected)).c_str()), expected);
    }
    EXPECT_EQ(manager.createLogger("one too many"), RUZOLOG_INVALID_LOGGER_ID);
    EXPECT_EQ(manager.findLogger("one too many"), RUZOLOG_INVALID_LOGGER_ID);
    EXPECT_EQ(manager.createLogger("L19"), 19);  // existing keys still resolve
    EXPECT_EQ(manager.getStatusActiveLoggers(), 20u);
}

// Counts the records asked for, to show which statements get that far.
class CountingManager : public LoggerManager {
public:
    ~CountingManager() override { stop(); }  // before this class's part goes
    LogData* makeLogData(std::int32_t id, std::int32_t level) override
    {
        ++made;
        return LoggerManager::makeLogData(id, level);
    }
    std::atomic<int> made{0};
};

TEST(LogStatementTest, StatementsFormatOnlyWhatIsWritten)
{
    testsupport::TempDir dir;
    CountingManager manager;
    ASSERT_TRUE(manager.setLoggerPath(0, dir.Path().c_str()));
    ASSERT_TRUE(manager.setLoggerName(0, "main"));
    ASSERT_TRUE(manager.setLoggerLevel(0, ruzolog::LOG_FATAL));  // no start-up lines
    ASSERT_TRUE(manager.start());
    ASSERT_TRUE(manager.setLoggerLevel(0, ruzolog::LOG_DEBUG));

    struct Case {
        std::int32_t level;
        bool written;
    } const cases[] = {{-1, false},
                       {ruzolog::LOG_TRACE, false},
                       {ruzolog::LOG_DEBUG, true},
                       {ruzolog::LOG_FATAL, true},
                       {7, false},
                       {1000, false}};
    int evaluated = 0;
    int expectedRecords = 0;
    for (const Case& c : cases) {
        const int madeBefore = manager.made;
        RUZOLOG_FORMAT_TO(&manager, 0, c.level, "f.cpp", 10, "fmt %d %s", ++evaluated, "x");
        RUZOLOG_STREAM_TO(&manager, 0, c.level, "s.cpp", 20) << "str " << ++evaluated;
        const int records = c.written ? 2 : 0;
        EXPECT_EQ(manager.made - madeBefore, records) << "level " << c.level;
        expectedRecords += records;
        EXPECT_EQ(evaluated, expectedRecords)
            << "arguments of refused statements are not evaluated";
    }
    const std::string log = readFile(dir.File("main.log"));
    EXPECT_NE(log.find("LOG_DEBUG fmt 1 x f.cpp:10\r\n"), std::string::npos);
    EXPECT_NE(log.find("LOG_DEBUG str 2 s.cpp:20\r\n"), std::string::npos);
    EXPECT_NE(log.find("LOG_FATAL fmt 3 x f.cpp:10\r\n"), std::string::npos);
    EXPECT_NE(log.find("LOG_FATAL str 4 s.cpp:20\r\n"), std::string::npos);
    EXPECT_EQ(manager.getStatusTotalWriteCount(), 4u);
}

TEST(LogStatementTest, FormattedTextIsCutAtTheRecordsRoom)
{
    testsupport::TempDir dir;
    LoggerManager manager;
    ASSERT_TRUE(manager.setLoggerPath(0, dir.Path().c_str()));
    ASSERT_TRUE(manager.setLoggerLevel(0, ruzolog::LOG_FATAL));
    ASSERT_TRUE(manager.start());
    const std::string huge(9000, 'y');
    RUZOLOG_FORMAT_TO(&manager, 0, ruzolog::LOG_FATAL, "cut.cpp", 1, "%s", huge.c_str());
    RUZOLOG_STREAM_TO(&manager, 0, ruzolog::LOG_FATAL, "cut.cpp", 2) << huge;
    const std::string log = readFile(dir.File("Main.log"));
    ASSERT_EQ(log.size(), 2 * 8191u);
    for (const std::string& line : {log.substr(0, 8191), log.substr(8191)}) {
        EXPECT_TRUE(isRecordLine(line));
        EXPECT_EQ(line.substr(8189), "\r\n");
    }
}

TEST(LogStatementTest, ProcessWideManagerServesTheFilterSetUp)
{
    testsupport::TempDir dir;
    ruzolog::IRuzologManager& manager = ruzolog::IRuzologManager::getRef();
    EXPECT_EQ(&manager, ruzolog::IRuzologManager::getPtr());
    EXPECT_EQ(&manager, ruzolog::IRuzologManager::getInstance());

    ASSERT_TRUE(manager.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.Path().c_str()));
    ASSERT_TRUE(manager.setLoggerName(RUZOLOG_MAIN_LOGGER_ID, "vorirazavavi"));
    ASSERT_TRUE(manager.start());
    RUZOLOG_FORMAT(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "ridevedudaruzo", 110,
                   "DEBUG: StartPage...\n");
    RUZOLOG_STREAM(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "OrvESCP", 7) << "pinType: " << 24;
    EXPECT_TRUE(manager.stop());

    const std::string log = readFile(dir.File("vorirazavavi.log"));
    EXPECT_NE(log.find("LOG_DEBUG DEBUG: StartPage...\n ridevedudaruzo:110\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("LOG_DEBUG pinType: 24 OrvESCP:7\r\n"), std::string::npos);
}

}  // namespace
