// SPDX-License-Identifier: Apache-2.0
// LogSettings: finding, trusting, checking and applying the administrator's
// logging configuration.
#include "filter/LogSettings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ruzolog/ConfigParser.h"

namespace {

// Largest configuration file read; a longer one is not a configuration.
constexpr std::size_t kMaxConfigBytes = 65536;
// The file's place below the server root.
constexpr const char* kConfigName = "/ridevedudaruzo/logging.conf";
// The one section the filter reads: the main logger.
constexpr const char* kMainSection = "main";

// The text without leading and trailing blanks (space, tab, CR, LF).
std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos) {
        return std::string();
    }
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

// The text in lower case.
std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// True when every character is a decimal digit (and there is one).
bool IsNumber(const std::string& text)
{
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// Why a value is not valid for the option, or "" when it is.
std::string ValueProblem(const std::string& option, const std::string& value)
{
    static const std::set<std::string> switches = {"display", "outfile", "monthdir", "fileline",
                                                   "enable"};
    const std::string lower = Lower(value);
    if (option == "path" || option == "name") {
        if (value.empty()) {
            return option + " is empty";
        }
        // A relative folder would be taken from wherever the filter runs.
        if (option == "path" && value[0] != '/') {
            return "path is not an absolute folder";
        }
        if (option == "name" && value.find('/') != std::string::npos) {
            return "name holds a /";
        }
        return "";
    }
    if (option == "level") {
        return ruzolog::isLogLevelWord(lower) ? "" : "level " + value + " is not a level";
    }
    if (switches.count(option) != 0) {
        const bool valid = lower == "true" || lower == "false" || lower == "1" || lower == "0";
        return valid ? "" : option + " is not true or false";
    }
    if (option == "limitsize" || option == "reserve") {
        return IsNumber(value) ? "" : option + " is not a number";
    }
    return "unknown option " + option;
}

// The log file <directory>/<name>.log.
std::string LogFilePath(std::string directory, const std::string& name)
{
    if (!directory.empty() && directory.back() != '/') {
        directory += '/';
    }
    return directory + name + ".log";
}

// Reads a trusted file; returns false with `problem` set otherwise.
bool ReadTrusted(const std::string& path, std::string& content, std::string& problem)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = errno == ELOOP ? "it is a symbolic link"
                                 : std::string("it cannot be read (") + strerror(errno) + ")";
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = "it is not a regular file";
    } else if (info.st_uid != 0) {
        problem = "it is not owned by root";
    } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        problem = "it is writable by group or others";
    } else if (static_cast<std::size_t>(info.st_size) > kMaxConfigBytes) {
        problem = "it is larger than 64 KiB";
    }
    if (problem.empty()) {
        char buffer[4096];
        ssize_t got;
        while ((got = read(fd, buffer, sizeof buffer)) > 0 &&
               content.size() + static_cast<std::size_t>(got) <= kMaxConfigBytes) {
            content.append(buffer, static_cast<std::size_t>(got));
        }
        if (got != 0) {
            problem = got < 0 ? std::string("it cannot be read (") + strerror(errno) + ")"
                              : "it is larger than 64 KiB";
        }
    }
    close(fd);
    return problem.empty();
}

}  // namespace

LogSettings::LogSettings(const std::string& directory, const std::string& name)
    : text("[Main]\npath = " + directory + "\nname = " + name + "\n"),
      logFile(LogFilePath(directory, name))
{
}

std::string LogSettings::ConfigPath(const std::string& serverRoot)
{
    return serverRoot + kConfigName;
}

std::string LogSettings::ServerRoot()
{
    const char* fromScheduler = std::getenv("CUPS_SERVERROOT");
    if (fromScheduler != nullptr && *fromScheduler != '\0') {
        return fromScheduler;
    }
    return RIDEV_CUPS_SERVERROOT;
}

bool LogSettings::Load(const std::string& path, std::string& problem)
{
    problem.clear();
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            problem = std::string("it cannot be read (") + strerror(errno) + ")";
        }
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        problem = "it is a symbolic link";
        return false;
    }
    std::string content;
    if (!ReadTrusted(path, content, problem) || !Understood(content, problem)) {
        return false;
    }
    text += content;
    fromFile = true;
    Evaluate();
    return true;
}

bool LogSettings::Understood(const std::string& content, std::string& problem)
{
    if (content.find('\0') != std::string::npos) {
        problem = "it is not text";
        return false;
    }
    std::string body = content;
    if (body.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        body.erase(0, 3);
    }
    bool inMain = false;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= body.size()) {
        // Lines end at CR or LF, as the configuration's reader splits them;
        // a CR LF pair counts as one line end.
        std::size_t end = body.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = body.size();
        }
        const std::string line = Trimmed(body.substr(start, end - start));
        start = end + (body.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++lineNumber;
        std::string lineProblem;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            const bool closed = line.back() == ']';
            inMain = closed && Lower(Trimmed(line.substr(1, line.size() - 2))) == kMainSection;
            if (!inMain) {
                lineProblem = "only the [Main] section is read";
            }
        } else if (line.find('=') == std::string::npos) {
            lineProblem = "no option = value";
        } else if (!inMain) {
            lineProblem = "an option outside the [Main] section";
        } else {
            const std::size_t eq = line.find('=');
            lineProblem =
                ValueProblem(Lower(Trimmed(line.substr(0, eq))), Trimmed(line.substr(eq + 1)));
        }
        if (!lineProblem.empty()) {
            problem =
                "line " + std::to_string(lineNumber) + " is not understood (" + lineProblem + ")";
            return false;
        }
    }
    return true;
}

void LogSettings::Evaluate()
{
    std::map<std::string, ruzolog::LoggerInfo> sections;
    ruzolog::parseConfigFromString(text, sections);
    const ruzolog::LoggerInfo& main = sections["Main"];
    writes = main.enable && main.outfile;
    logFile = main.monthdir ? std::string() : LogFilePath(main.path, main.name);
}
