// SPDX-License-Identifier: Apache-2.0
// Record filling for the formatted and the streamed log statement.
#include "ruzolog/LogStatement.h"

#include <cstdarg>
#include <cstdio>

namespace ruzolog {

void formatLog(IRuzologManager* manager, std::int32_t id, std::int32_t level, const char* source,
               std::int32_t line, const char* format, ...)
{
    LogData* record = manager->makeLogData(id, level);
    const int room = RUZOLOG_LOG_BUF_SIZE - record->textLength;
    va_list args;
    va_start(args, format);
    int written =
        vsnprintf(record->text + record->textLength, static_cast<size_t>(room), format, args);
    va_end(args);
    if (written < 0) {
        written = 0;
    }
    if (written > room) {
        written = room;
    }
    record->textLength += written;
    manager->pushLog(record, source, line);
}

StreamStatement::StreamStatement(IRuzologManager* target, std::int32_t id, std::int32_t level,
                                 const char* sourceFile, std::int32_t sourceLine)
    : manager(target),
      source(sourceFile),
      line(sourceLine),
      text(nullptr, 0)
{
    if (manager->prePushLog(id, level)) {
        record = manager->makeLogData(id, level);
        text = RuzologStream(record->text + record->textLength,
                             RUZOLOG_LOG_BUF_SIZE - record->textLength);
    }
}

void StreamStatement::finish()
{
    if (record != nullptr) {
        LogData* finished = record;
        record = nullptr;
        finished->textLength += text.getCurrentLen();
        manager->pushLog(finished, source, line);
    }
}

}  // namespace ruzolog
