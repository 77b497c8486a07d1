// SPDX-License-Identifier: Apache-2.0
// The record side of the manager: the singleton, the acceptance check run
// before any formatting, record creation with its time-stamped header, and
// the record pool.
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "ruzolog/AutoLock.h"
#include "ruzolog/LoggerManager.h"
#include "ruzolog/PlatformUtil.h"
#include "ruzolog/RuzologStream.h"

namespace ruzolog {

namespace {

// Records kept for reuse; a record returned to a pool this full is released.
constexpr size_t kPoolCapacity = 200;

constexpr std::int64_t kSecondsPerDay = 86400;

// Per-thread cache of the current local day: its calendar date and its
// midnight in seconds since the epoch (0 before the thread's first record).
thread_local struct tm g_tt;
thread_local std::int64_t g_curDayTime = 0;

// Makes the calling thread's day cache cover the given time.
void refreshDayCache(std::int64_t seconds)
{
    if (seconds >= g_curDayTime && seconds < g_curDayTime + kSecondsPerDay) {
        return;
    }
    g_tt = timeToTm(static_cast<time_t>(seconds));
    g_curDayTime = localMidnight(static_cast<time_t>(seconds), g_tt);
    g_tt.tm_hour = 0;
    g_tt.tm_min = 0;
    g_tt.tm_sec = 0;
}

}  // namespace

IRuzologManager* IRuzologManager::getInstance()
{
    static LoggerManager m;
    return &m;
}

void stampLogData(LogData* data, std::int64_t seconds, std::int32_t milliseconds,
                  std::int32_t threadId)
{
    data->time = seconds;
    data->milliseconds = milliseconds;
    data->threadId = threadId;
    refreshDayCache(seconds);
    const std::int64_t sinceMidnight = seconds - g_curDayTime;

    RuzologStream header(data->text, RUZOLOG_LOG_BUF_SIZE);
    header.writeULongLong(static_cast<unsigned>(g_tt.tm_year + 1900), 4, 10).writeChar('-');
    header.writeULongLong(static_cast<unsigned>(g_tt.tm_mon + 1), 2, 10).writeChar('-');
    header.writeULongLong(static_cast<unsigned>(g_tt.tm_mday), 2, 10).writeChar(' ');
    header.writeULongLong(static_cast<unsigned long long>(sinceMidnight / 3600), 2, 10)
        .writeChar(':');
    header.writeULongLong(static_cast<unsigned long long>(sinceMidnight % 3600 / 60), 2, 10)
        .writeChar(':');
    header.writeULongLong(static_cast<unsigned long long>(sinceMidnight % 60), 2, 10)
        .writeChar('.');
    header.writeULongLong(static_cast<unsigned>(milliseconds), 3, 10).writeString(" [", 2);
    header.writeULongLong(static_cast<unsigned>(threadId), 4, 10).writeString("] ", 2);
    if (isValidLevel(data->level)) {
        header.writeString(LOG_STRING[data->level],
                           static_cast<unsigned int>(LOG_STRING_LEN[data->level]));
    }
    header.writeChar(' ');
    data->textLength = header.getCurrentLen();
}

bool LoggerManager::prePushLog(std::int32_t id, std::int32_t level)
{
    if (!isValidLevel(level) || !isRegistered(id) || !running) {
        return false;
    }
    const LoggerInfo& logger = loggers[id];
    if (!logger.enable || level < logger.level) {
        return false;
    }
    // Throttle: callers are slowed down, never refused, when the pending
    // queue runs over its limit. Nothing queues records in this system.
    std::uint64_t pending = pendingQueue.size();
    if (pending <= RUZOLOG_LOG_QUEUE_LIMIT_SIZE) {
        return true;
    }
    std::uint64_t rate =
        (pending * 100 - RUZOLOG_LOG_QUEUE_LIMIT_SIZE * 100ULL) / RUZOLOG_LOG_QUEUE_LIMIT_SIZE;
    if (rate > 100) {
        rate = 100;
    }
    if (static_cast<std::uint64_t>(rand() % 100) >= rate) {
        return true;
    }
    if (rate > 50) {
        AutoLock lock(logLock);
        pending = pendingQueue.size();
    }
    if (pending > RUZOLOG_LOG_QUEUE_LIMIT_SIZE) {
        sleepMillisecond(static_cast<unsigned int>(rate));
    }
    return true;
}

LogData* LoggerManager::makeLogData(std::int32_t id, std::int32_t level)
{
    LogData* data = nullptr;
    {
        AutoLock lock(poolLock);
        if (!recordPool.empty()) {
            data = recordPool.back();
            recordPool.pop_back();
        }
    }
    if (data == nullptr) {
        data = new LogData();
    }
    data->loggerId = id;
    data->type = TEXT;
    data->typeValue = 0;
    data->level = level;
    data->textLength = 0;

    struct timeval now {};
    gettimeofday(&now, nullptr);
    const auto threadId = static_cast<std::int32_t>(syscall(SYS_gettid));
    stampLogData(data, static_cast<std::int64_t>(now.tv_sec),
                 static_cast<std::int32_t>(now.tv_usec / 1000), threadId);
    return data;
}

void LoggerManager::freeLogData(LogData* data)
{
    if (data == nullptr) {
        return;
    }
    {
        AutoLock lock(poolLock);
        if (recordPool.size() < kPoolCapacity) {
            recordPool.push_back(data);
            return;
        }
    }
    delete data;
}

void LoggerManager::releasePool()
{
    std::vector<LogData*> released;
    {
        AutoLock lock(poolLock);
        released.swap(recordPool);
    }
    for (LogData* data : released) {
        delete data;
    }
}

}  // namespace ruzolog
