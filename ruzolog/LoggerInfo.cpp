// SPDX-License-Identifier: Apache-2.0
// Field-by-field copying of logger records.
#include "ruzolog/LoggerInfo.h"

namespace ruzolog {

LoggerInfo::LoggerInfo(const LoggerInfo& other)
{
    *this = other;
}

LoggerInfo& LoggerInfo::operator=(const LoggerInfo& other)
{
    if (this == &other) {
        return *this;
    }
    key = other.key;
    name = other.name;
    path = other.path;
    level = other.level.load();
    display = other.display.load();
    outfile = other.outfile.load();
    monthdir = other.monthdir.load();
    limitsize = other.limitsize.load();
    enable = other.enable.load();
    fileline = other.fileline.load();
    reserve = other.reserve.load();
    fileOpenTime = other.fileOpenTime;
    fileDayStart = other.fileDayStart;
    fileIndex = other.fileIndex;
    fileBytes = other.fileBytes;
    fileHistory = other.fileHistory;
    return *this;
}

}  // namespace ruzolog
