// SPDX-License-Identifier: Apache-2.0
// Records: the header written for a known time, thread and level, the
// per-thread day cache across midnight and clock changes, and the fields
// makeLogData fills from the real clock.
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "ruzolog/ruzolog.h"

namespace {

using ruzolog::LogData;

// Runs body in a new thread (so its day cache starts empty) with the local
// time zone set to tz, and restores the zone afterwards.
void inTimeZone(const char* tz, const std::function<void()>& body)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    setenv("TZ", tz, 1);
    tzset();
    std::thread(body).join();
    if (old != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

// The header stampLogData writes for the given time, thread and level.
std::string header(std::int64_t seconds, int milliseconds, int threadId, int level)
{
    auto record = std::make_unique<LogData>();
    record->level = level;
    ruzolog::stampLogData(record.get(), seconds, milliseconds, threadId);
    return std::string(record->text, static_cast<size_t>(record->textLength));
}

// Seconds since the epoch by the clock records are stamped with.
std::int64_t preciseSeconds()
{
    struct timeval now {};
    gettimeofday(&now, nullptr);
    return now.tv_sec;
}

const std::int64_t kMorning = 1767603903;      // 2026-01-05 09:05:03 UTC
const std::int64_t kLateEvening = 1767652200;  // 2026-01-05 22:30:00 UTC
const std::int64_t kLastSecond = 1767657599;   // 2026-01-05 23:59:59 UTC

struct HeaderCase {
    const char* tz;
    std::int64_t seconds;
    int milliseconds;
    int threadId;
    int level;
    const char* expected;
};

TEST(RecordHeaderTest, ShowsLocalDateTimeThreadAndLevelName)
{
    const HeaderCase cases[] = {
        {"UTC0", kMorning, 7, 42, ruzolog::LOG_INFO, "2026-01-05 09:05:03.007 [0042] LOG_INFO "},
        {"UTC0", kMorning, 999, 123456, ruzolog::LOG_WARN,
         "2026-01-05 09:05:03.999 [123456] LOG_WARN "},
        {"UTC0", kMorning, 0, 0, ruzolog::LOG_TRACE, "2026-01-05 09:05:03.000 [0000] LOG_TRACE "},
        {"UTC0", kMorning, 1, 1, ruzolog::LOG_FATAL, "2026-01-05 09:05:03.001 [0001] LOG_FATAL "},
        // Three hours east of UTC the evening is already the next day.
        {"<+03>-3", kLateEvening, 0, 1, ruzolog::LOG_DEBUG,
         "2026-01-06 01:30:00.000 [0001] LOG_DEBUG "},
        {"<-05>5", kMorning, 5, 7, ruzolog::LOG_ERROR, "2026-01-05 04:05:03.005 [0007] LOG_ERROR "},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.expected);
        inTimeZone(c.tz, [&] {
            EXPECT_EQ(header(c.seconds, c.milliseconds, c.threadId, c.level), c.expected);
        });
    }
}

TEST(RecordHeaderTest, DayCacheFollowsMidnightAndClockSteps)
{
    inTimeZone("UTC0", [] {
        EXPECT_EQ(header(kLastSecond, 999, 1, 1), "2026-01-05 23:59:59.999 [0001] LOG_DEBUG ");
        // One second later is the next day: the cached midnight is refreshed.
        EXPECT_EQ(header(kLastSecond + 1, 0, 1, 1), "2026-01-06 00:00:00.000 [0001] LOG_DEBUG ");
        EXPECT_EQ(header(kLastSecond + 1 + 3600, 0, 1, 1),
                  "2026-01-06 01:00:00.000 [0001] LOG_DEBUG ");
        // The clock stepping back before the cached midnight refreshes it too.
        EXPECT_EQ(header(kMorning - 3 * 86400, 0, 1, 1),
                  "2026-01-02 09:05:03.000 [0001] LOG_DEBUG ");
    });
}

TEST(RecordHeaderTest, MakeLogDataStampsNowAndTheCallingThread)
{
    ruzolog::LoggerManager manager;
    // The record's clock is gettimeofday; time() reads the kernel's coarse
    // clock, which may still show the last second just after a second turns.
    const std::int64_t before = preciseSeconds();
    LogData* record = manager.makeLogData(3, ruzolog::LOG_DEBUG);
    const std::int64_t after = preciseSeconds();

    EXPECT_EQ(record->loggerId, 3);
    EXPECT_EQ(record->level, ruzolog::LOG_DEBUG);
    EXPECT_EQ(record->type, ruzolog::TEXT);
    EXPECT_EQ(record->typeValue, 0);
    EXPECT_EQ(record->threadId, static_cast<std::int32_t>(syscall(SYS_gettid)));
    EXPECT_GE(record->time, before);
    EXPECT_LE(record->time, after);
    EXPECT_GE(record->milliseconds, 0);
    EXPECT_LE(record->milliseconds, 999);
    const std::string expected =
        header(record->time, record->milliseconds, record->threadId, record->level);
    EXPECT_EQ(std::string(record->text, static_cast<size_t>(record->textLength)), expected);
    manager.freeLogData(record);

    // A recycled record starts over: same storage, fresh header.
    LogData* again = manager.makeLogData(0, ruzolog::LOG_ALARM);
    EXPECT_EQ(again, record);
    EXPECT_EQ(again->loggerId, 0);
    EXPECT_EQ(std::string(again->text + again->textLength - 10, 10), "LOG_ALARM ");
    manager.freeLogData(again);
}

}  // namespace
