// SPDX-License-Identifier: Apache-2.0
// Small operating-system helpers of the logging subsystem: sleeping, local
// time and directories.
#ifndef RUZOLOG_PLATFORMUTIL_H
#define RUZOLOG_PLATFORMUTIL_H

#include <cstdint>
#include <ctime>
#include <string>

namespace ruzolog {

// Sleeps ms milliseconds.
void sleepMillisecond(unsigned int ms);

// Local broken-down time of t; all fields zero if the conversion fails.
struct tm timeToTm(time_t t);

// Local midnight, in seconds since the epoch, of the day in which t falls,
// given local, the local broken-down time of t. Computed from the clock
// fields rather than with mktime, which re-reads the time zone (and frees
// and allocates its name) on every call while TZ is unset.
std::int64_t localMidnight(time_t t, const struct tm& local);

// Normalises a directory path in place: "\\" becomes "/" and a final "/" is
// added; an empty path stays empty.
void fixPath(std::string& path);

// True if the path can be opened as a directory.
bool isDirectory(std::string path);

// Creates the directory and any missing parents (mode 0777 less the umask);
// true if it exists afterwards. An empty path succeeds with nothing done.
bool createRecursionDir(std::string path);

}  // namespace ruzolog

#endif
