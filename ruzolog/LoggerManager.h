// SPDX-License-Identifier: Apache-2.0
// The concrete logging manager: a table of up to RUZOLOG_LOGGER_MAX loggers,
// synchronous writing of records to their files, and a writer thread that
// announces itself, re-reads the configuration when asked to, and closes
// every logger when the manager stops.
//
// Locks: logLock serialises writing records and guards every logger's
// strings (key, name, path), its file state, keyIds, configFile and
// lastConfigText;
// poolLock guards the record pool; lifecycleLock keeps start and stop apart.
// No code holds two of them at once.
#ifndef RUZOLOG_LOGGERMANAGER_H
#define RUZOLOG_LOGGERMANAGER_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "ruzolog/IRuzologManager.h"
#include "ruzolog/LockHelper.h"
#include "ruzolog/LoggerInfo.h"
#include "ruzolog/SemHelper.h"
#include "ruzolog/ThreadHelper.h"

namespace ruzolog {

class LoggerManager : public ThreadHelper, public IRuzologManager {
public:
    // Only the main logger (id 0, key "Main") exists and is enabled.
    LoggerManager();
    // Stops the writer thread and releases the pooled records.
    ~LoggerManager() override;

    // Writer thread: start-up lines, then a 50 ms check loop for stopping and
    // configuration re-reading, finally disables and closes every logger.
    void run() override;

    // Remembers configPath and applies the file, creating loggers; only the
    // first call does anything. The file must be a regular file, not a link.
    bool config(const char* configPath) override;
    // Applies a configuration text, creating loggers as needed. Each section
    // sets all of its logger's settings, including reserve (applied through
    // setLoggerReserveTime); unset options take the defaults.
    bool configFromString(const char* configText) override;
    // Id for the key (blanks trimmed), registering it if new; -1 if the null
    // key or the table is full.
    std::int32_t createLogger(const char* key) override;
    // Starts the writer thread and waits up to 3 s for its start-up lines;
    // false if already running or the thread does not come up in time.
    bool start() override;
    // Stops and joins the writer thread and empties the pool; false if not running.
    bool stop() override;
    // False for ids outside 0..lastId, before start or after stop, for a
    // disabled logger, a level below the logger's or outside 0..6.
    bool prePushLog(std::int32_t id, std::int32_t level) override;
    // Adds the source suffix and "\r\n" and writes the record to its
    // logger's file (opened, written, synced and closed here). Releases the
    // record in every case; false if the record was dropped unwritten.
    bool pushLog(LogData* data, const char* file, std::int32_t line) override;
    // Id registered for exactly this key, or RUZOLOG_INVALID_LOGGER_ID.
    std::int32_t findLogger(const char* key) override;
    // Turns the logger on or off.
    bool enableLogger(std::int32_t id, bool enable) override;
    // Base name of the log file.
    bool setLoggerName(std::int32_t id, const char* name) override;
    // Directory of the log file; a missing final "/" is added.
    bool setLoggerPath(std::int32_t id, const char* path) override;
    // Lowest level written (any number is stored).
    bool setLoggerLevel(std::int32_t id, std::int32_t level) override;
    // Source suffix on or off.
    bool setLoggerFileLine(std::int32_t id, bool enable) override;
    // Console echo on or off.
    bool setLoggerDisplay(std::int32_t id, bool enable) override;
    // File output on or off.
    bool setLoggerOutFile(std::int32_t id, bool enable) override;
    // File size limit in megabytes; 0 is stored as 4294967295.
    bool setLoggerLimitsize(std::int32_t id, std::uint32_t limitsize) override;
    // Month subdirectory on or off.
    bool setLoggerMonthdir(std::int32_t id, bool enable) override;
    // Age for deleting older files; the low 32 bits are used, negative gives 0.
    // The file in use is never deleted.
    bool setLoggerReserveTime(std::int32_t id, std::int64_t seconds) override;
    // Sets the re-reading interval; always true.
    bool setAutoUpdate(std::int32_t interval) override;
    // Re-reads the configuration file, for registered loggers only.
    bool updateConfig() override;
    // False for ids outside 0..lastId, else the logger's enable.
    bool isLoggerEnable(std::int32_t id) override;
    // Records written to files.
    std::uint64_t getStatusTotalWriteCount() override;
    // Bytes written to files.
    std::uint64_t getStatusTotalWriteBytes() override;
    // Records queued (always 0).
    std::uint64_t getStatusTotalPushQueue() override;
    // Records dequeued (always 0).
    std::uint64_t getStatusTotalPopQueue() override;
    // Enabled loggers among ids 0..lastId.
    std::uint32_t getStatusActiveLoggers() override;
    // A record from the pool (or new) with its header written.
    LogData* makeLogData(std::int32_t id, std::int32_t level) override;
    // Keeps the record in the pool, or releases it when 200 are kept.
    void freeLogData(LogData* data) override;

    // Copies the settings and file state of a registered logger into info;
    // false for an unregistered id.
    bool getLoggerInfo(std::int32_t id, LoggerInfo& info);

private:
    // The console echo; it writes nothing, so standard output stays clean.
    void showColorText(const char* text, std::int32_t level);
    // Makes sure the record's logger has its file open; logLock is held.
    bool openLogger(LogData* data);
    // Closes the logger's file if open; logLock is held.
    bool closeLogger(std::int32_t id);
    // Checks a setting change, then applies it.
    bool hotChange(std::int32_t id, LogDataType type, std::int32_t value, const std::string& text);
    // Applies one setting change to the logger's record.
    bool onHotChange(std::int32_t id, LogDataType type, std::int32_t value,
                     const std::string& text);
    // Applies a configuration text; existingOnly skips unregistered keys.
    bool configFromStringImpl(const std::string& text, bool existingOnly);

    // True for an id of a registered logger (inline: every log statement
    // asks).
    bool isRegistered(std::int32_t id) const { return id >= 0 && id <= lastId; }
    // Writes the start line and one line per enabled logger to the main logger.
    void writeStartupLines();
    // Disables every logger and closes its file.
    void shutDownLoggers();
    // Deletes files of this logger older than reserve, then records the file
    // just opened in the history; logLock is held.
    void pruneFileHistory(LoggerInfo& logger, const std::string& openedPath);
    // Releases every pooled record.
    void releasePool();
    // Reads the configuration file whole (up to its first zero byte).
    bool readConfigFile(const std::string& path, std::string& text);

    std::atomic<bool> running{false};
    SemHelper startSignal;
    std::atomic<std::int32_t> autoUpdateInterval{0};
    // The configuration text applied last (empty at first, so an empty
    // text changes nothing).
    std::string lastConfigText;
    std::string configFile;
    std::map<std::string, std::int32_t> keyIds;
    std::atomic<std::int32_t> lastId{0};
    LoggerInfo loggers[RUZOLOG_LOGGER_MAX];
    LockHelper logLock;
    std::deque<LogData*> pendingQueue;
    std::uint64_t totalPushQueue = 0;
    std::vector<LogData*> recordPool;
    LockHelper poolLock;
    std::uint64_t totalPopQueue = 0;
    std::atomic<std::uint64_t> totalWriteCount{0};
    std::atomic<std::uint64_t> totalWriteBytes{0};
    LockHelper lifecycleLock;
};

}  // namespace ruzolog

#endif
