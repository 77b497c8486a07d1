// SPDX-License-Identifier: Apache-2.0
// Fuzz target: the logging configuration text. The whole input is parsed
// into a section map, then applied (up to its first zero byte, as the
// manager takes a C string) to a manager of its own that is never started
// and so never opens a file.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "ruzolog/ConfigParser.h"
#include "ruzolog/LoggerManager.h"

// Parses and applies one configuration text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, ruzolog::LoggerInfo> loggers;
    ruzolog::parseConfigFromString(text, loggers);

    ruzolog::LoggerManager manager;
    manager.configFromString(text.c_str());
    for (const auto& section : loggers)
        manager.findLogger(section.first.c_str());
    return 0;
}
