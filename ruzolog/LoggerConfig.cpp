// SPDX-License-Identifier: Apache-2.0
// The configuration side of the manager: loading configuration texts,
// creating loggers by key, and the setters through which every logger
// setting changes.
#include <map>

#include "ruzolog/AutoLock.h"
#include "ruzolog/ConfigParser.h"
#include "ruzolog/LoggerManager.h"

namespace ruzolog {

bool LoggerManager::config(const char* configPath)
{
    if (configPath == nullptr) {
        return false;
    }
    {
        AutoLock lock(logLock);
        if (!configFile.empty()) {
            return false;
        }
        configFile = configPath;
    }
    std::string text;
    return readConfigFile(configPath, text) && configFromStringImpl(text, false);
}

bool LoggerManager::configFromString(const char* configText)
{
    return configText != nullptr && configFromStringImpl(configText, false);
}

bool LoggerManager::updateConfig()
{
    std::string path;
    {
        AutoLock lock(logLock);
        path = configFile;
    }
    std::string text;
    return !path.empty() && readConfigFile(path, text) && configFromStringImpl(text, true);
}

bool LoggerManager::readConfigFile(const std::string& path, std::string& text)
{
    RuzologFileHandler file;
    if (file.open(path.c_str(), "rb") < 0) {
        return false;
    }
    text = file.readContent().c_str();  // the text ends at the first zero byte
    file.close();
    return true;
}

bool LoggerManager::configFromStringImpl(const std::string& text, bool existingOnly)
{
    {
        // The same text twice in a row is applied only once. The whole text
        // is compared: a change that keeps every byte, such as two sections
        // swapping their levels, is still a change.
        AutoLock lock(logLock);
        if (text == lastConfigText) {
            return true;
        }
        lastConfigText = text;
    }

    std::map<std::string, LoggerInfo> sections;
    parseConfigFromString(text, sections);
    for (const auto& [key, info] : sections) {
        std::int32_t id = findLogger(key.c_str());
        if (id == RUZOLOG_INVALID_LOGGER_ID) {
            if (existingOnly) {
                continue;
            }
            id = createLogger(key.c_str());
            if (id == RUZOLOG_INVALID_LOGGER_ID) {
                continue;
            }
        }
        enableLogger(id, info.enable);
        setLoggerName(id, info.name.c_str());
        setLoggerPath(id, info.path.c_str());
        setLoggerLevel(id, info.level);
        setLoggerFileLine(id, info.fileline);
        setLoggerDisplay(id, info.display);
        setLoggerOutFile(id, info.outfile);
        setLoggerLimitsize(id, info.limitsize);
        setLoggerMonthdir(id, info.monthdir);
        setLoggerReserveTime(id, info.reserve);
    }
    return true;
}

bool LoggerManager::setAutoUpdate(std::int32_t interval)
{
    autoUpdateInterval = interval;
    return true;
}

std::int32_t LoggerManager::createLogger(const char* key)
{
    if (key == nullptr) {
        return RUZOLOG_INVALID_LOGGER_ID;
    }
    std::string trimmedKey = key;
    trimLogConfig(trimmedKey);

    AutoLock lock(logLock);
    const auto found = keyIds.find(trimmedKey);
    if (found != keyIds.end()) {
        return found->second;
    }
    const std::int32_t id = lastId + 1;
    if (id > RUZOLOG_LOGGER_MAX - 1) {
        showColorText("ruzolog: CreateLogger can not create|writeover, because loggerid "
                      "need < LOGGER_MAX! \r\n",
                      LOG_FATAL);
        return RUZOLOG_INVALID_LOGGER_ID;
    }
    LoggerInfo& logger = loggers[id];
    logger.key = trimmedKey;
    logger.name = trimmedKey;
    logger.enable = true;
    keyIds[trimmedKey] = id;
    lastId = id;  // published last, so no one sees the id before its record
    return id;
}

bool LoggerManager::hotChange(std::int32_t id, LogDataType type, std::int32_t value,
                              const std::string& text)
{
    if (!isRegistered(id) || text.size() > RUZOLOG_LOG_BUF_SIZE - 1) {
        return false;
    }
    return onHotChange(id, type, value, text);
}

bool LoggerManager::onHotChange(std::int32_t id, LogDataType type, std::int32_t value,
                                const std::string& text)
{
    if (!isRegistered(id)) {
        return false;
    }
    LoggerInfo& logger = loggers[id];
    switch (type) {
    case ENABLE:
        logger.enable = value != 0;
        break;
    case NAME: {
        AutoLock lock(logLock);
        logger.name = text;
        break;
    }
    case PATH: {
        AutoLock lock(logLock);
        logger.path = text;
        break;
    }
    case LEVEL:
        logger.level = value;
        break;
    case FILELINE:
        logger.fileline = value != 0;
        break;
    case DISPLAY:
        logger.display = value != 0;
        break;
    case OUTFILE:
        logger.outfile = value != 0;
        break;
    case LIMITSIZE:
        logger.limitsize = static_cast<std::uint32_t>(value);
        break;
    case MONTHDIR:
        logger.monthdir = value != 0;
        break;
    case RESERVE:
        logger.reserve = value >= 0 ? value : 0;
        break;
    default:
        break;
    }
    return true;
}

bool LoggerManager::enableLogger(std::int32_t id, bool enable)
{
    if (!isRegistered(id)) {
        return false;
    }
    if (enable) {
        loggers[id].enable = true;
        return true;
    }
    return hotChange(id, ENABLE, 0, std::string());
}

bool LoggerManager::setLoggerName(std::int32_t id, const char* name)
{
    if (!isRegistered(id) || name == nullptr || *name == '\0') {
        return false;
    }
    return hotChange(id, NAME, 0, name);
}

bool LoggerManager::setLoggerPath(std::int32_t id, const char* path)
{
    if (!isRegistered(id) || path == nullptr || *path == '\0') {
        return false;
    }
    std::string directory = path;
    if (directory.back() != '/' && directory.back() != '\\') {
        directory += '/';
    }
    return hotChange(id, PATH, 0, directory);
}

bool LoggerManager::setLoggerLevel(std::int32_t id, std::int32_t level)
{
    if (!isRegistered(id)) {
        return false;
    }
    if (level > loggers[id].level) {
        return hotChange(id, LEVEL, level, std::string());
    }
    loggers[id].level = level;
    return true;
}

bool LoggerManager::setLoggerFileLine(std::int32_t id, bool enable)
{
    return hotChange(id, FILELINE, enable ? 1 : 0, std::string());
}

bool LoggerManager::setLoggerDisplay(std::int32_t id, bool enable)
{
    return hotChange(id, DISPLAY, enable ? 1 : 0, std::string());
}

bool LoggerManager::setLoggerOutFile(std::int32_t id, bool enable)
{
    return hotChange(id, OUTFILE, enable ? 1 : 0, std::string());
}

bool LoggerManager::setLoggerLimitsize(std::int32_t id, std::uint32_t limitsize)
{
    if (limitsize == 0) {
        limitsize = 0xFFFFFFFFU;
    }
    return hotChange(id, LIMITSIZE, static_cast<std::int32_t>(limitsize), std::string());
}

bool LoggerManager::setLoggerMonthdir(std::int32_t id, bool enable)
{
    return hotChange(id, MONTHDIR, enable ? 1 : 0, std::string());
}

bool LoggerManager::setLoggerReserveTime(std::int32_t id, std::int64_t seconds)
{
    // The seconds travel as their low 32 bits; a negative result means 0.
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds));
    return hotChange(id, RESERVE, low < 0 ? 0 : low, std::string());
}

}  // namespace ruzolog
