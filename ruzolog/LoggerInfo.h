// SPDX-License-Identifier: Apache-2.0
// One logger's settings and the state of its log file.
//
// The settings that log statements test without a lock are atomics, so a
// setter on one thread and a statement on another never race; the manager
// changes and reads the strings (key, name, path) and the file state only
// under its log lock.
#ifndef RUZOLOG_LOGGERINFO_H
#define RUZOLOG_LOGGERINFO_H

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <utility>

#include "ruzolog/RuzologDefs.h"
#include "ruzolog/RuzologFileHandler.h"

namespace ruzolog {

struct LoggerInfo {
    std::string key;
    std::string name;                         // the file is name + ".log"
    std::string path = RUZOLOG_DEFAULT_PATH;  // directory, ends in "/"
    std::atomic<std::int32_t> level{RUZOLOG_DEFAULT_LEVEL};
    std::atomic<bool> display{RUZOLOG_DEFAULT_DISPLAY};
    std::atomic<bool> outfile{RUZOLOG_DEFAULT_OUTFILE};
    std::atomic<bool> monthdir{RUZOLOG_DEFAULT_MONTHDIR};
    std::atomic<std::uint32_t> limitsize{RUZOLOG_DEFAULT_LIMITSIZE};  // megabytes
    std::atomic<bool> enable{false};
    std::atomic<bool> fileline{RUZOLOG_DEFAULT_SHOWSUFFIX};
    std::atomic<std::int64_t> reserve{0};  // seconds; 0 keeps every file

    std::int64_t fileOpenTime = 0;  // time stamp of the record that opened the file
    std::int64_t fileDayStart = 0;  // local midnight of that day
    std::int32_t fileIndex = 0;     // reopenings within the same day
    std::uint32_t fileBytes = 0;    // file size at opening plus bytes written since
    RuzologFileHandler fileHandle;
    // Files opened by this logger in this process, oldest first: (time, path).
    std::list<std::pair<std::int64_t, std::string>> fileHistory;

    LoggerInfo() = default;
    // Copies every field but the file itself: a copy never has a file open.
    LoggerInfo(const LoggerInfo& other);
    // Same as the copy constructor, for an existing record.
    LoggerInfo& operator=(const LoggerInfo& other);
};

}  // namespace ruzolog

#endif
