// SPDX-License-Identifier: Apache-2.0
// The manager's life cycle, its writer thread, and the synchronous writing
// of records into each logger's file.
#include "ruzolog/LoggerManager.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "ruzolog/AutoLock.h"
#include "ruzolog/LogStatement.h"
#include "ruzolog/PlatformUtil.h"
#include "ruzolog/RuzologStream.h"

namespace ruzolog {

namespace {

constexpr int kStartTimeoutMs = 3000;
constexpr unsigned int kWriterTickMs = 50;
constexpr std::int64_t kLastSecondOfDay = 86399;

// The part of a source path after its last "/" or "\\".
const char* baseName(const char* path)
{
    const char* base = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '/' || *c == '\\') {
            base = c + 1;
        }
    }
    return base;
}

// Appends " <base name>:<line>" to the record's text, cut by the room left.
void appendSourcePosition(LogData* data, const char* file, std::int32_t line)
{
    RuzologStream suffix(data->text + data->textLength, RUZOLOG_LOG_BUF_SIZE - data->textLength);
    suffix.writeChar(' ').writeString(baseName(file)).writeChar(':');
    suffix.writeLongLong(line, 0, 10);
    data->textLength += suffix.getCurrentLen();
}

// Ends the record's text with "\r\n" and a zero byte (not counted), cutting
// the text if they would not fit.
void terminateRecord(LogData* data)
{
    if (data->textLength + 3 > RUZOLOG_LOG_BUF_SIZE) {
        data->textLength = RUZOLOG_LOG_BUF_SIZE - 3;
    }
    char* end = data->text + data->textLength;
    end[0] = '\r';
    end[1] = '\n';
    end[2] = '\0';
    data->textLength += 2;
}

// The "YYYY_MM/" subdirectory for a calendar time.
std::string monthDirectory(const struct tm& calendar)
{
    char month[32];
    snprintf(month, sizeof(month), "%04d_%02d/", calendar.tm_year + 1900, calendar.tm_mon + 1);
    return month;
}

}  // namespace

LoggerManager::LoggerManager()
{
    LoggerInfo& mainLogger = loggers[RUZOLOG_MAIN_LOGGER_ID];
    mainLogger.key = RUZOLOG_MAIN_LOGGER_KEY;
    mainLogger.name = RUZOLOG_MAIN_LOGGER_KEY;
    mainLogger.enable = true;
    keyIds[RUZOLOG_MAIN_LOGGER_KEY] = RUZOLOG_MAIN_LOGGER_ID;
}

LoggerManager::~LoggerManager()
{
    stop();
    releasePool();
}

void LoggerManager::showColorText(const char* text, std::int32_t level)
{
    (void)text;
    (void)level;
}

bool LoggerManager::start()
{
    AutoLock lifecycle(lifecycleLock);
    if (running) {
        showColorText("ruzolog already start \r\n", LOG_FATAL);
        return false;
    }
    if (!startSignal.create(0) || !ThreadHelper::start()) {
        return false;
    }
    return startSignal.wait(kStartTimeoutMs);
}

bool LoggerManager::stop()
{
    {
        AutoLock lifecycle(lifecycleLock);
        if (!running) {
            return false;
        }
        showColorText("ruzolog stopping \r\n", LOG_FATAL);
        running = false;
        ThreadHelper::wait();
    }
    releasePool();
    return true;
}

void LoggerManager::run()
{
    running = true;
    writeStartupLines();
    startSignal.post();

    time_t lastCheck = time(nullptr);
    for (;;) {
        sleepMillisecond(kWriterTickMs);
        if (!running) {
            break;
        }
        const std::int32_t interval = autoUpdateInterval;
        if (interval != 0 && time(nullptr) - lastCheck > interval) {
            updateConfig();
            lastCheck = time(nullptr);
        }
    }
    shutDownLoggers();
}

void LoggerManager::writeStartupLines()
{
    RUZOLOG_STREAM_TO(this, RUZOLOG_MAIN_LOGGER_ID, LOG_ALARM, "ruzolog", __LINE__)
        << "-----------------  ruzolog thread started!   ----------------------------";
    for (std::int32_t id = 0; id <= lastId; ++id) {
        const LoggerInfo& logger = loggers[id];
        if (!logger.enable) {
            continue;
        }
        std::string key, name, path;
        {
            AutoLock lock(logLock);
            key = logger.key;
            name = logger.name;
            path = logger.path;
        }
        RUZOLOG_STREAM_TO(this, RUZOLOG_MAIN_LOGGER_ID, LOG_ALARM, "ruzolog", __LINE__)
            << "logger id=" << id << " key=" << key << " name=" << name << " path=" << path
            << " level=" << logger.level.load() << " display=" << logger.display.load();
    }
}

void LoggerManager::shutDownLoggers()
{
    for (std::int32_t id = 0; id <= lastId; ++id) {
        if (loggers[id].enable) {
            loggers[id].enable = false;
            AutoLock lock(logLock);
            closeLogger(id);
        }
    }
}

bool LoggerManager::pushLog(LogData* data, const char* file, std::int32_t line)
{
    if (data == nullptr) {
        return false;
    }
    const std::int32_t id = data->loggerId;
    if (!isRegistered(id) || !running || !loggers[id].enable || data->level < loggers[id].level) {
        freeLogData(data);
        return false;
    }
    LoggerInfo& logger = loggers[id];
    data->textLength = std::clamp(data->textLength, 0, RUZOLOG_LOG_BUF_SIZE);
    if (logger.fileline && file != nullptr) {
        appendSourcePosition(data, file, line);
    }
    terminateRecord(data);
    if (logger.display) {
        showColorText(data->text, data->level);
    }
    if (logger.outfile) {
        AutoLock lock(logLock);
        if (openLogger(data)) {
            const auto length = static_cast<std::uint32_t>(data->textLength);
            logger.fileHandle.write(data->text, length);
            logger.fileBytes += length;
            closeLogger(id);
            ++totalWriteCount;
            totalWriteBytes += length;
        }
    }
    freeLogData(data);
    return true;
}

bool LoggerManager::openLogger(LogData* data)
{
    const std::int32_t id = data->loggerId;
    if (!isRegistered(id)) {
        showColorText("ruzolog: openLogger can not open, invalide logger id! \r\n", LOG_FATAL);
        return false;
    }
    LoggerInfo& logger = loggers[id];
    if (!logger.enable || !logger.outfile || data->level < logger.level) {
        return false;
    }
    const bool sameDay =
        data->time >= logger.fileDayStart && data->time <= logger.fileDayStart + kLastSecondOfDay;
    const bool overSize = logger.fileBytes > static_cast<std::uint32_t>(logger.limitsize << 20);
    if (!sameDay || overSize) {
        logger.fileIndex = sameDay ? logger.fileIndex + 1 : 0;
        logger.fileHandle.close();
    }
    if (logger.fileHandle.isOpen()) {
        return true;
    }

    logger.fileOpenTime = data->time;
    logger.fileBytes = 0;
    const struct tm opened = timeToTm(static_cast<time_t>(logger.fileOpenTime));
    logger.fileDayStart = localMidnight(static_cast<time_t>(logger.fileOpenTime), opened);
    std::string directory = logger.path;
    if (logger.monthdir) {
        directory += monthDirectory(opened);
    }
    if (!isDirectory(directory)) {
        createRecursionDir(directory);
    }
    const std::string filePath = directory + logger.name + ".log";
    const std::int64_t size = logger.fileHandle.open(filePath.c_str(), "ab");
    if (!logger.fileHandle.isOpen() || size < 0) {
        const std::string message = "ruzolog: can not open log file " + filePath + ". \r\n";
        showColorText("!!!!!!!!!!!!!!!!!!!!!!!!!! \r\n", LOG_FATAL);
        showColorText(message.c_str(), LOG_FATAL);
        showColorText("!!!!!!!!!!!!!!!!!!!!!!!!!! \r\n", LOG_FATAL);
        logger.outfile = false;
        return false;
    }
    logger.fileBytes = static_cast<std::uint32_t>(size);
    if (logger.reserve > 0) {
        pruneFileHistory(logger, filePath);
    }
    return true;
}

void LoggerManager::pruneFileHistory(LoggerInfo& logger, const std::string& openedPath)
{
    auto& history = logger.fileHistory;
    while (history.size() > RUZOLOG_FORCE_RESERVE_FILE_COUNT &&
           history.front().first < static_cast<std::int64_t>(time(nullptr)) - logger.reserve) {
        // The file just opened may sit at an older position after the path
        // or name went back and forth; it is in use, so only its entry goes.
        if (history.front().second != openedPath) {
            logger.fileHandle.removeFile(history.front().second);
        }
        history.pop_front();
    }
    if (history.empty() || history.back().second != openedPath) {
        history.emplace_back(static_cast<std::int64_t>(time(nullptr)), openedPath);
    }
}

bool LoggerManager::closeLogger(std::int32_t id)
{
    if (!isRegistered(id)) {
        showColorText("ruzolog: closeLogger can not close, invalide logger id! \r\n", LOG_FATAL);
        return false;
    }
    RuzologFileHandler& file = loggers[id].fileHandle;
    if (!file.isOpen()) {
        return false;
    }
    file.close();
    return true;
}

std::int32_t LoggerManager::findLogger(const char* key)
{
    if (key == nullptr) {
        return RUZOLOG_INVALID_LOGGER_ID;
    }
    AutoLock lock(logLock);
    const auto found = keyIds.find(key);
    return found == keyIds.end() ? RUZOLOG_INVALID_LOGGER_ID : found->second;
}

bool LoggerManager::isLoggerEnable(std::int32_t id)
{
    return isRegistered(id) && loggers[id].enable;
}

std::uint64_t LoggerManager::getStatusTotalWriteCount()
{
    return totalWriteCount;
}

std::uint64_t LoggerManager::getStatusTotalWriteBytes()
{
    return totalWriteBytes;
}

std::uint64_t LoggerManager::getStatusTotalPushQueue()
{
    return totalPushQueue;
}

std::uint64_t LoggerManager::getStatusTotalPopQueue()
{
    return totalPopQueue;
}

std::uint32_t LoggerManager::getStatusActiveLoggers()
{
    std::uint32_t active = 0;
    for (std::int32_t id = 0; id <= lastId; ++id) {
        if (loggers[id].enable) {
            ++active;
        }
    }
    return active;
}

bool LoggerManager::getLoggerInfo(std::int32_t id, LoggerInfo& info)
{
    if (!isRegistered(id)) {
        return false;
    }
    AutoLock lock(logLock);
    info = loggers[id];
    return true;
}

}  // namespace ruzolog
