// SPDX-License-Identifier: Apache-2.0
// One log record: fixed fields followed by the text buffer, in a single
// allocation that the manager recycles through its record pool.
#ifndef RUZOLOG_LOGDATA_H
#define RUZOLOG_LOGDATA_H

#include <cstdint>

#include "ruzolog/RuzologDefs.h"

namespace ruzolog {

struct LogData {
    std::int32_t loggerId;
    std::int32_t type;       // a LogDataType; TEXT for every log statement
    std::int32_t typeValue;  // value of a setting change; 0 for text
    std::int32_t level;
    std::int64_t time;  // seconds since the epoch
    std::int32_t milliseconds;
    std::int32_t threadId;    // kernel thread id of the logging thread
    std::int32_t textLength;  // bytes of text in use
    char text[RUZOLOG_LOG_BUF_SIZE];
};

// Sets the record's time stamp and thread id and writes its header (date,
// time with milliseconds, "[" thread "]", level name, one space) at the start
// of its text, using the calling thread's cache of the current local day.
// makeLogData calls it with the wall clock and the caller's thread id; it is
// public so that the header can be checked against a chosen time.
void stampLogData(LogData* data, std::int64_t seconds, std::int32_t milliseconds,
                  std::int32_t threadId);

}  // namespace ruzolog

#endif
