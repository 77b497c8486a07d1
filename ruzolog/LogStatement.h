// SPDX-License-Identifier: Apache-2.0
// The two forms of log statement: the macros RUZOLOG_FORMAT (printf-style)
// and RUZOLOG_STREAM (<< values), and the code they run once the manager has
// accepted a statement.
#ifndef RUZOLOG_LOGSTATEMENT_H
#define RUZOLOG_LOGSTATEMENT_H

#include <cstdint>

#include "ruzolog/IRuzologManager.h"
#include "ruzolog/RuzologDefs.h"
#include "ruzolog/RuzologStream.h"

namespace ruzolog {

// Makes a record, formats the text into it after the header (cut at the
// record's room) and hands it to pushLog. Call only after prePushLog accepted
// the same id and level.
void formatLog(IRuzologManager* manager, std::int32_t id, std::int32_t level, const char* source,
               std::int32_t line, const char* format, ...) __attribute__((format(printf, 6, 7)));

// A streamed statement: asks prePushLog on construction and, if accepted,
// holds a record and a stream over its free text until finish() (or the
// destructor) hands the record to pushLog.
class StreamStatement {
public:
    // Asks the manager and, if accepted, makes the record.
    StreamStatement(IRuzologManager* target, std::int32_t id, std::int32_t level,
                    const char* sourceFile, std::int32_t sourceLine);
    // Pushes the record if finish() has not.
    ~StreamStatement() { finish(); }
    StreamStatement(const StreamStatement&) = delete;
    StreamStatement& operator=(const StreamStatement&) = delete;

    // True when the statement is to be written.
    bool accepted() const { return record != nullptr; }
    // The stream over the record's remaining text; only when accepted.
    RuzologStream& stream() { return text; }
    // Counts the streamed text and hands the record to pushLog, once.
    void finish();

private:
    IRuzologManager* manager;
    LogData* record = nullptr;
    const char* source;
    std::int32_t line;
    RuzologStream text;
};

}  // namespace ruzolog

// Formatted statement on the given manager: printf format and arguments
// follow the line number.
#define RUZOLOG_FORMAT_TO(manager, id, level, source, line, ...)                                   \
    do {                                                                                           \
        ::ruzolog::IRuzologManager* const ruzologManager_ = (manager);                             \
        const ::std::int32_t ruzologId_ = (id);                                                    \
        const ::std::int32_t ruzologLevel_ = (level);                                              \
        if (ruzologManager_->prePushLog(ruzologId_, ruzologLevel_)) {                              \
            ::ruzolog::formatLog(ruzologManager_, ruzologId_, ruzologLevel_, (source), (line),     \
                                 __VA_ARGS__);                                                     \
        }                                                                                          \
    } while (0)

// Streamed statement on the given manager: follow it with << values.
#define RUZOLOG_STREAM_TO(manager, id, level, source, line)                                        \
    for (::ruzolog::StreamStatement ruzologStatement_((manager), (id), (level), (source), (line)); \
         ruzologStatement_.accepted(); ruzologStatement_.finish())                                 \
    ruzologStatement_.stream()

// The same two statements on the process-wide manager.
#define RUZOLOG_FORMAT(id, level, source, line, ...)                                               \
    RUZOLOG_FORMAT_TO(::ruzolog::IRuzologManager::getPtr(), id, level, source, line, __VA_ARGS__)
#define RUZOLOG_STREAM(id, level, source, line)                                                    \
    RUZOLOG_STREAM_TO(::ruzolog::IRuzologManager::getPtr(), id, level, source, line)

#endif
