// SPDX-License-Identifier: Apache-2.0
// LogSettings: the administrator's switch for the filter's debug log. The
// file <server root>/ridevedudaruzo/logging.conf (server root: the
// CUPS_SERVERROOT variable the scheduler sets for filters, else the one
// cups-config reported at build time) is written in the logging subsystem's
// configuration format with one section, [Main], whose settings replace the
// filter's own defaults one by one (path /tmp, name vorirazavavi, level
// debug, ...), so an administrator writes only what changes.
//
// A file that could send the log anywhere is not trusted: a symbolic link,
// a file not owned by root, or one writable by group or others is ignored;
// so is one that cannot be read or is not understood. Each such case is
// reported with one DEBUG line, and the job logs with the defaults.
#ifndef RIDEVEDUDARUZO_FILTER_LOGSETTINGS_H
#define RIDEVEDUDARUZO_FILTER_LOGSETTINGS_H

#include <string>

class LogSettings {
public:
    // The defaults: the main logger writes <directory>/<name>.log.
    LogSettings(const std::string& directory, const std::string& name);

    // Path of the administrator's file for the server root `serverRoot`.
    static std::string ConfigPath(const std::string& serverRoot);
    // The server root: CUPS_SERVERROOT when set and not empty, else the
    // build's (cups-config --serverroot, normally /etc/cups).
    static std::string ServerRoot();

    // Reads the file at `path`. A missing file changes nothing and says
    // nothing; an ignored one leaves the defaults and sets `problem` to the
    // reason. Returns true when the file's settings are in use.
    bool Load(const std::string& path, std::string& problem);

    // The configuration text that sets the main logger: the defaults, then
    // the administrator's lines.
    const std::string& Text() const { return text; }
    // True when the file was read and applies.
    bool FromFile() const { return fromFile; }
    // False when the settings leave nothing to write (enable or outfile off).
    bool Writes() const { return writes; }
    // The log file the settings write to, or "" when it lies in a month
    // folder (named after each record's date).
    const std::string& LogFile() const { return logFile; }

private:
    // Checks that the text holds only comments, blank lines, [Main] headers
    // and known options with valid values; otherwise sets `problem`.
    static bool Understood(const std::string& content, std::string& problem);
    // Derives Writes() and LogFile() from Text().
    void Evaluate();

    std::string text;
    bool fromFile = false;
    bool writes = true;
    std::string logFile;
};

#endif
