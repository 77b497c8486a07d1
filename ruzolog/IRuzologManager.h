// SPDX-License-Identifier: Apache-2.0
// The abstract logging interface and its process-wide singleton accessors.
#ifndef RUZOLOG_IRUZOLOGMANAGER_H
#define RUZOLOG_IRUZOLOGMANAGER_H

#include <cstdint>

#include "ruzolog/LogData.h"

namespace ruzolog {

class IRuzologManager {
public:
    virtual ~IRuzologManager() = default;

    // Reads a configuration file once; see LoggerManager.
    virtual bool config(const char* configPath) = 0;
    // Applies a configuration text.
    virtual bool configFromString(const char* configText) = 0;
    // Id of the logger with this key, created if new; -1 when none can be.
    virtual std::int32_t createLogger(const char* key) = 0;
    // Starts the writer thread and waits until it is ready.
    virtual bool start() = 0;
    // Stops and joins the writer thread; every logger is disabled afterwards.
    virtual bool stop() = 0;
    // Id registered for the exact key, or RUZOLOG_INVALID_LOGGER_ID.
    virtual std::int32_t findLogger(const char* key) = 0;
    // True if a statement for this logger and level is to be written; asked
    // before anything is formatted.
    virtual bool prePushLog(std::int32_t id, std::int32_t level) = 0;
    // Finishes and writes a record made by makeLogData; always takes it over.
    virtual bool pushLog(LogData* data, const char* file, std::int32_t line) = 0;
    // Setters of one logger; each returns false, changing nothing, for an id
    // that is not registered or an empty text.
    // Turns the logger on or off.
    virtual bool enableLogger(std::int32_t id, bool enable) = 0;
    // Base name of the log file (the file is name + ".log").
    virtual bool setLoggerName(std::int32_t id, const char* name) = 0;
    // Directory of the log file; a missing final "/" is added.
    virtual bool setLoggerPath(std::int32_t id, const char* path) = 0;
    // Lowest level written.
    virtual bool setLoggerLevel(std::int32_t id, std::int32_t level) = 0;
    // Source name and line after each record on or off.
    virtual bool setLoggerFileLine(std::int32_t id, bool enable) = 0;
    // Console echo on or off (the echo writes nothing).
    virtual bool setLoggerDisplay(std::int32_t id, bool enable) = 0;
    // Writing to the file on or off.
    virtual bool setLoggerOutFile(std::int32_t id, bool enable) = 0;
    // Size in megabytes at which the file is reopened; 0 means no limit.
    virtual bool setLoggerLimitsize(std::int32_t id, std::uint32_t limitsize) = 0;
    // Per-month subdirectory ("YYYY_MM/") on or off.
    virtual bool setLoggerMonthdir(std::int32_t id, bool enable) = 0;
    // Age in seconds after which older files of this logger are deleted; 0 keeps all.
    virtual bool setLoggerReserveTime(std::int32_t id, std::int64_t seconds) = 0;
    // Interval of automatic configuration re-reading in seconds; 0 is never.
    virtual bool setAutoUpdate(std::int32_t interval) = 0;
    // Re-reads the configuration file for the existing loggers.
    virtual bool updateConfig() = 0;
    // Whether the logger is in use.
    virtual bool isLoggerEnable(std::int32_t id) = 0;
    // Records written to files.
    virtual std::uint64_t getStatusTotalWriteCount() = 0;
    // Bytes of those records, line ends included.
    virtual std::uint64_t getStatusTotalWriteBytes() = 0;
    // Records put into the pending queue (nothing queues, so 0).
    virtual std::uint64_t getStatusTotalPushQueue() = 0;
    // Records taken from the pending queue (0 as well).
    virtual std::uint64_t getStatusTotalPopQueue() = 0;
    // Number of enabled loggers.
    virtual std::uint32_t getStatusActiveLoggers() = 0;
    // A record for a statement accepted by prePushLog, its header written.
    virtual LogData* makeLogData(std::int32_t id, std::int32_t level) = 0;
    // Gives a record back to the pool.
    virtual void freeLogData(LogData* data) = 0;

    // The one manager of the process, created on first use and destroyed at exit.
    static IRuzologManager* getInstance();
    // The same manager as a reference.
    static IRuzologManager& getRef() { return *getInstance(); }
    // The same manager as a pointer.
    static IRuzologManager* getPtr() { return getInstance(); }
};

}  // namespace ruzolog

#endif
