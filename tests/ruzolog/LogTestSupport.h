// SPDX-License-Identifier: Apache-2.0
// Shared helpers of the logging tests: file reading, and a manager of their
// own writing into a private temporary directory (tests/support/TempDir.h).
#ifndef RUZOLOG_TESTS_LOGTESTSUPPORT_H
#define RUZOLOG_TESTS_LOGTESTSUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "ruzolog/ruzolog.h"
#include "tests/support/TempDir.h"

namespace ruzolog_test {

// Whole content of a file; empty if it cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Creates or replaces a file with the given content.
inline void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// True if something exists at the path (a dangling link counts).
inline bool exists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::symlink_status(path, ignored).type() !=
           std::filesystem::file_type::not_found;
}

// True if line is one finished record: a header (date, time, thread, level
// name), text without a carriage return, and "\r\n".
inline bool isRecordLine(const std::string& line)
{
    static const std::regex header(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d{4,}\] LOG_[A-Z]+ )");
    const std::string head = line.substr(0, 48);
    return std::regex_search(head, header, std::regex_constants::match_continuous) &&
           line.size() >= 2 && line.find('\r') == line.size() - 2 && line.back() == '\n';
}

// A manager of the test's own (the process-wide one stays untouched) whose
// main logger writes dir/main.log; logger "Out" (id 1) writes dir/out.log and
// carries no start-up lines, so its file holds only what a test writes.
class ManagerTest : public ::testing::Test {
protected:
    // Points both loggers into the temporary directory.
    void SetUp() override
    {
        ASSERT_TRUE(manager.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.Path().c_str()));
        ASSERT_TRUE(manager.setLoggerName(RUZOLOG_MAIN_LOGGER_ID, "main"));
        outId = manager.createLogger("Out");
        ASSERT_EQ(outId, 1);
        ASSERT_TRUE(manager.setLoggerPath(outId, dir.Path().c_str()));
        ASSERT_TRUE(manager.setLoggerName(outId, "out"));
    }

    // Makes a record for the logger, appends text and pushes it.
    bool push(std::int32_t id, std::int32_t level, const std::string& text,
              const char* source = "test.cpp", std::int32_t line = 1)
    {
        ruzolog::LogData* record = manager.makeLogData(id, level);
        ruzolog::RuzologStream stream(record->text + record->textLength,
                                      RUZOLOG_LOG_BUF_SIZE - record->textLength);
        stream << text;
        record->textLength += stream.getCurrentLen();
        return manager.pushLog(record, source, line);
    }

    // A copy of the logger's settings and file state.
    ruzolog::LoggerInfo info(std::int32_t id)
    {
        ruzolog::LoggerInfo copy;
        EXPECT_TRUE(manager.getLoggerInfo(id, copy));
        return copy;
    }

    std::string outLog() const { return dir.File("out.log"); }
    std::string mainLog() const { return dir.File("main.log"); }

    testsupport::TempDir dir;
    ruzolog::LoggerManager manager;
    std::int32_t outId = -1;
};

}  // namespace ruzolog_test

#endif
