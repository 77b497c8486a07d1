// SPDX-License-Identifier: Apache-2.0
// The configuration text parser; see ConfigParser.h for the line forms.
#include "ruzolog/ConfigParser.h"

#include <cctype>
#include <cstdlib>

namespace ruzolog {

namespace {

// Byte-wise lower-case copy of text.
std::string toLower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A switch value: off only for "false" and "0" (value already lower-cased).
bool parseSwitch(const std::string& value)
{
    return value != "false" && value != "0";
}

// The level option's words (lower case) and their levels.
const std::map<std::string, std::int32_t>& levelWords()
{
    static const std::map<std::string, std::int32_t> levels = {
        {"trace", LOG_TRACE}, {"all", LOG_TRACE},   {"debug", LOG_DEBUG},
        {"info", LOG_INFO},   {"warn", LOG_WARN},   {"warning", LOG_WARN},
        {"error", LOG_ERROR}, {"alarm", LOG_ALARM}, {"fatal", LOG_FATAL}};
    return levels;
}

// Level for a level word, or the current level for a word that is not one.
std::int32_t parseLevel(const std::string& word, std::int32_t current)
{
    const auto found = levelWords().find(word);
    return found == levelWords().end() ? current : found->second;
}

// Sets one option of a section; unknown keywords are ignored. The value of
// every option but path and name arrives lower-cased.
void applyOption(LoggerInfo& info, const std::string& keyword, const std::string& value)
{
    if (keyword == "level") {
        info.level = parseLevel(value, info.level);
    } else if (keyword == "display") {
        info.display = parseSwitch(value);
    } else if (keyword == "outfile") {
        info.outfile = parseSwitch(value);
    } else if (keyword == "monthdir") {
        info.monthdir = parseSwitch(value);
    } else if (keyword == "limitsize") {
        info.limitsize = static_cast<std::uint32_t>(std::atoi(value.c_str()));
    } else if (keyword == "fileline") {
        info.fileline = parseSwitch(value);
    } else if (keyword == "enable") {
        info.enable = parseSwitch(value);
    } else if (keyword == "reserve") {
        info.reserve = static_cast<std::int64_t>(std::atoi(value.c_str()));
    }
}

}  // namespace

bool isLogLevelWord(const std::string& word)
{
    return levelWords().count(word) != 0;
}

void trimLogConfig(std::string& text, const std::string& extra)
{
    if (text.empty()) {
        return;
    }
    const std::string ignored = extra + "\r\n\t ";
    const bool byteOrderMark = text.size() > 2 && text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    size_t start = byteOrderMark ? 3 : 0;
    size_t end = 0;
    bool metText = false;
    for (size_t i = start; i < text.size(); ++i) {
        if (ignored.find(text[i]) == std::string::npos) {
            metText = true;
            end = i + 1;
        } else if (!metText) {
            ++start;
        }
    }
    text = start < end ? text.substr(start, end - start) : std::string();
}

std::pair<std::string, std::string> splitPairString(const std::string& text,
                                                    const std::string& delimiter)
{
    const size_t at = text.find(delimiter);
    if (at == std::string::npos) {
        return {text, std::string()};
    }
    return {text.substr(0, at), text.substr(at + delimiter.size())};
}

void parseConfigLine(const std::string& line, std::string& currentKey,
                     std::map<std::string, LoggerInfo>& loggers)
{
    auto [keyword, value] = splitPairString(line, "=");
    if (keyword.empty()) {
        return;
    }
    trimLogConfig(keyword);
    trimLogConfig(value);
    if (keyword.empty() || keyword[0] == '#') {
        return;
    }
    if (keyword[0] == '[') {
        trimLogConfig(keyword, "[]");
        currentKey = toLower(keyword) == "main" ? RUZOLOG_MAIN_LOGGER_KEY : keyword;
        if (loggers.find(currentKey) == loggers.end()) {
            LoggerInfo& info = loggers[currentKey];
            info.enable = true;
            info.key = currentKey;
            info.name = currentKey;
        }
        return;
    }
    const auto section = loggers.find(currentKey);
    if (section == loggers.end()) {
        return;
    }
    keyword = toLower(keyword);
    if (keyword == "path") {
        section->second.path = value;
    } else if (keyword == "name") {
        section->second.name = value;
    } else {
        applyOption(section->second, keyword, toLower(value));
    }
}

bool parseConfigFromString(const std::string& content, std::map<std::string, LoggerInfo>& loggers)
{
    std::string currentKey;
    size_t lineStart = 0;
    while (lineStart < content.size()) {
        const size_t lineEnd = content.find_first_of("\r\n", lineStart);
        const size_t stop = lineEnd == std::string::npos ? content.size() : lineEnd;
        parseConfigLine(content.substr(lineStart, stop - lineStart), currentKey, loggers);
        lineStart = stop + 1;
    }
    return true;
}

}  // namespace ruzolog
