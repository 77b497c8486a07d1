// SPDX-License-Identifier: Apache-2.0
// Parsing of the logging configuration text: "[key]" section lines name a
// logger, "option = value" lines set its settings, "#" lines are comments.
#ifndef RUZOLOG_CONFIGPARSER_H
#define RUZOLOG_CONFIGPARSER_H

#include <map>
#include <string>
#include <utility>

#include "ruzolog/LoggerInfo.h"

namespace ruzolog {

// True for a word the level option names a level with (lower case:
// "debug", "warn", ...).
bool isLogLevelWord(const std::string& word);

// Trims, in place, leading and trailing blanks (CR, LF, tab, space) and the
// extra characters, after skipping a leading UTF-8 byte order mark.
void trimLogConfig(std::string& text, const std::string& extra = std::string());

// Splits at the first delimiter: (before, after), or (text, "") without one.
std::pair<std::string, std::string> splitPairString(const std::string& text,
                                                    const std::string& delimiter);

// Handles one line: a section header makes its key current (adding an
// enabled logger with default settings the first time); an option line sets
// a field of the current section's logger.
void parseConfigLine(const std::string& line, std::string& currentKey,
                     std::map<std::string, LoggerInfo>& loggers);

// Parses every line (ended by CR or LF) of content into loggers; always true.
bool parseConfigFromString(const std::string& content, std::map<std::string, LoggerInfo>& loggers);

}  // namespace ruzolog

#endif
