// SPDX-License-Identifier: Apache-2.0
// Public interface of the logging subsystem (namespace ruzolog): the manager
// interface and its singleton, the concrete manager, the record and stream
// types, the platform helpers, and the two log statement macros
// (RUZOLOG_FORMAT and RUZOLOG_STREAM, defined in LogStatement.h).
//
// Usage:
//
//   #include "ruzolog/ruzolog.h"
//
//   // Empty the log file of an earlier run (a planted link or FIFO is refused):
//   ruzolog::RuzologFileHandler oldLog;
//   if (oldLog.open("/tmp/vorirazavavi.log", "w") >= 0) oldLog.close();
//
//   ruzolog::IRuzologManager::getRef().setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, "/tmp");
//   ruzolog::IRuzologManager::getRef().setLoggerName(RUZOLOG_MAIN_LOGGER_ID, "vorirazavavi");
//   ruzolog::IRuzologManager::getRef().start();   // now writes /tmp/vorirazavavi.log
//
//   // printf-style; arguments are evaluated only if the record is written:
//   RUZOLOG_FORMAT(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "ridevedudaruzo",
//                  110, "DEBUG: StartPage...\n");
//   // streamed (strings, bool, int):
//   RUZOLOG_STREAM(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "OrvESCP", 42)
//       << "pinType: " << pinType;
//
// Each record is written to its file (opened in append mode, written, synced
// and closed) before the statement returns. A statement whose level is below
// the logger's, outside LOG_TRACE..LOG_FATAL, or that comes before start() or
// after stop(), does nothing. The *_TO forms take the manager explicitly
// (for instance a LoggerManager of one's own); the plain forms use the
// process-wide one.
//
// Configuration texts may set "reserve" (seconds) in a section; it is applied
// like every other option of the section (through setLoggerReserveTime).
// The clean-up it enables never deletes the file that is currently in use.
#ifndef RUZOLOG_RUZOLOG_H
#define RUZOLOG_RUZOLOG_H

#include <cstdint>

#include "ruzolog/AutoLock.h"
#include "ruzolog/ConfigParser.h"
#include "ruzolog/IRuzologManager.h"
#include "ruzolog/LockHelper.h"
#include "ruzolog/LogData.h"
#include "ruzolog/LogStatement.h"
#include "ruzolog/LoggerInfo.h"
#include "ruzolog/LoggerManager.h"
#include "ruzolog/PlatformUtil.h"
#include "ruzolog/RuzologDefs.h"
#include "ruzolog/RuzologFileHandler.h"
#include "ruzolog/RuzologStream.h"
#include "ruzolog/SemHelper.h"
#include "ruzolog/ThreadHelper.h"

#endif
