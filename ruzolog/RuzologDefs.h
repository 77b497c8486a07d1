// SPDX-License-Identifier: Apache-2.0
// Constants, level numbers and level names shared by the whole logging
// subsystem, and the kinds of setting change a record can describe.
#ifndef RUZOLOG_RUZOLOGDEFS_H
#define RUZOLOG_RUZOLOGDEFS_H

#include <cstdint>

// Limits and ids. These are macros so that callers outside the namespace can
// write them unqualified inside log statements.
#define RUZOLOG_LOGGER_MAX 20
#define RUZOLOG_LOG_BUF_SIZE 8192
#define RUZOLOG_MAIN_LOGGER_ID 0
#define RUZOLOG_INVALID_LOGGER_ID -1
#define RUZOLOG_MAIN_LOGGER_KEY "Main"
#define RUZOLOG_LOG_QUEUE_LIMIT_SIZE 20000

// Settings of a logger that no one has configured.
#define RUZOLOG_DEFAULT_PATH "./log/"
#define RUZOLOG_DEFAULT_LEVEL 1
#define RUZOLOG_DEFAULT_DISPLAY true
#define RUZOLOG_DEFAULT_OUTFILE true
#define RUZOLOG_DEFAULT_MONTHDIR false
#define RUZOLOG_DEFAULT_LIMITSIZE 100
#define RUZOLOG_DEFAULT_SHOWSUFFIX true

// Files of a logger that the old-file clean-up always leaves in place.
#define RUZOLOG_FORCE_RESERVE_FILE_COUNT 1

// Every record is written by the thread that logs it, before the statement
// returns; nothing waits in a queue.
#define RUZOLOG_ALL_SYNCHRONOUS_OUTPUT true

namespace ruzolog {

// Levels, lowest first. A logger writes records whose level is at least its own.
constexpr std::int32_t LOG_TRACE = 0;
constexpr std::int32_t LOG_DEBUG = 1;
constexpr std::int32_t LOG_INFO = 2;
constexpr std::int32_t LOG_WARN = 3;
constexpr std::int32_t LOG_ERROR = 4;
constexpr std::int32_t LOG_ALARM = 5;
constexpr std::int32_t LOG_FATAL = 6;

// Level names as stored; only the first LOG_STRING_LEN bytes are written, so
// the trailing blanks of INFO and WARN never reach the file.
inline constexpr const char* LOG_STRING[] = {"LOG_TRACE", "LOG_DEBUG", "LOG_INFO ", "LOG_WARN ",
                                             "LOG_ERROR", "LOG_ALARM", "LOG_FATAL"};
inline constexpr int LOG_STRING_LEN[] = {9, 9, 8, 8, 9, 9, 9};

// True for the levels 0..6 that have a name; log statements refuse the rest.
constexpr bool isValidLevel(std::int32_t level)
{
    return level >= LOG_TRACE && level <= LOG_FATAL;
}

// What a record carries: ordinary text, or one change of a logger setting.
enum LogDataType : std::int32_t {
    TEXT = 0,
    ENABLE = 1,
    NAME = 2,
    PATH = 3,
    LEVEL = 4,
    FILELINE = 5,
    DISPLAY = 6,
    OUTFILE = 7,
    LIMITSIZE = 8,
    MONTHDIR = 9,
    RESERVE = 10,
};

}  // namespace ruzolog

#endif
