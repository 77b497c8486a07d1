// SPDX-License-Identifier: Apache-2.0
// StateFile: atomic saves, and jobs cut short by a stop loaded as aborted.
#include "printerapp/StateFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Where a line of the state file gives a job.
constexpr const char* kJobLine = "Job ";

// Where the value of `name=` starts among a line's space-separated
// options (inside its quotes when it has them); npos when the option is
// not there.
std::size_t FindValue(const std::string& line, const std::string& name)
{
    const std::string key = " " + name + "=";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return at;
    const std::size_t value = at + key.size();
    return value < line.size() && line[value] == '"' ? value + 1 : value;
}

// True when the number at `at` of `length` characters is a whole value:
// followed by the end of the line, a space or its closing quote.
bool WholeValue(const std::string& line, std::size_t at, std::size_t length)
{
    const std::size_t end = at + length;
    return end == line.size() || line[end] == ' ' || line[end] == '"';
}

// The integer at `at` and how many characters it takes.
long IntegerAt(const std::string& line, std::size_t at, std::size_t& length)
{
    length = 0;
    while (at + length < line.size() && line[at + length] >= '0' && line[at + length] <= '9')
        ++length;
    return length > 0 ? std::strtol(line.substr(at, length).c_str(), nullptr, 10) : -1;
}

// The line with a printing job marked aborted by the system; its id goes
// to `interrupted`.
std::string AbortIfPrinting(const std::string& line, std::vector<int>& interrupted)
{
    std::size_t length = 0;
    const std::size_t state = FindValue(line, "state");
    if (state == std::string::npos || IntegerAt(line, state, length) != IPP_JSTATE_PROCESSING ||
        !WholeValue(line, state, length))
        return line;
    std::string result = line;
    result.replace(state, length, std::to_string(static_cast<int>(IPP_JSTATE_ABORTED)));
    const std::size_t reasons = FindValue(result, "state_reasons");
    if (reasons == std::string::npos) {
        result += " state_reasons=\"" + std::to_string(PAPPL_JREASON_ABORTED_BY_SYSTEM) + "\"";
    } else {
        const long value = IntegerAt(result, reasons, length);
        result.replace(reasons, length,
                       std::to_string((value < 0 ? 0 : value) | PAPPL_JREASON_ABORTED_BY_SYSTEM));
    }
    std::size_t idLength = 0;
    const std::size_t id = FindValue(line, "id");
    if (id != std::string::npos)
        interrupted.push_back(static_cast<int>(IntegerAt(line, id, idLength)));
    return result;
}

// Flushes a file (or folder) to the disk; false when it cannot.
bool SyncPath(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
}

// The folder that holds `path`.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Shows the reason on each interrupted job.
void ExplainInterrupted(pappl_system_t* system, const std::vector<int>& interrupted)
{
    struct Search {
        const std::vector<int>* ids;
    } search{&interrupted};
    papplSystemIteratePrinters(
        system,
        [](pappl_printer_t* printer, void* data) {
            const Search& found = *static_cast<Search*>(data);
            for (int id : *found.ids) {
                if (pappl_job_t* job = papplPrinterFindJob(printer, id))
                    papplJobSetMessage(job, "%s", StateFile::kInterruptedMessage);
            }
        },
        &search);
}

}  // namespace

std::string StateFile::AbortInterruptedJobs(const std::string& text, std::vector<int>& interrupted)
{
    std::string result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        result += line.compare(0, std::strlen(kJobLine), kJobLine) == 0
                      ? AbortIfPrinting(line, interrupted)
                      : line;
        if (end < text.size())
            result += '\n';
        start = end + 1;
    }
    return result;
}

void StateFile::Load(pappl_system_t* system, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    std::stringstream text;
    text << in.rdbuf();
    std::vector<int> interrupted;
    const std::string fixed = AbortInterruptedJobs(text.str(), interrupted);
    if (interrupted.empty()) {
        papplSystemLoadState(system, path.c_str());
        return;
    }
    // The corrected state is loaded from a private copy beside the file,
    // then saved over it once loaded.
    const std::string copy = path + ".load";
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out << fixed;
    out.close();
    if (!out) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Cannot write \"%s\": %s.", copy.c_str(),
                 std::strerror(errno));
        papplSystemLoadState(system, path.c_str());
        return;
    }
    papplSystemLoadState(system, copy.c_str());
    std::remove(copy.c_str());
    ExplainInterrupted(system, interrupted);
    for (int id : interrupted)
        papplLog(system, PAPPL_LOGLEVEL_WARN,
                 "Job %d was printing when the server stopped: aborted.", id);
    Save(system, path);
}

bool StateFile::Save(pappl_system_t* system, const std::string& path)
{
    const std::string next = path + ".new";
    if (!papplSystemSaveState(system, next.c_str()) || !SyncPath(next, O_RDONLY)) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Cannot save the state to \"%s\": %s.", next.c_str(),
                 std::strerror(errno));
        std::remove(next.c_str());
        return false;
    }
    if (std::rename(next.c_str(), path.c_str()) != 0) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Cannot replace the state \"%s\": %s.", path.c_str(),
                 std::strerror(errno));
        std::remove(next.c_str());
        return false;
    }
    SyncPath(FolderOf(path), O_RDONLY | O_DIRECTORY);
    return true;
}
