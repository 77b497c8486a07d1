// SPDX-License-Identifier: Apache-2.0
// ServerLifecycle: paused printers kept across restarts, waiting jobs
// started, and a stop that does not wait for queued jobs.
#include "printerapp/ServerLifecycle.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <mutex>
#include <sstream>

#include "printerapp/StateFile.h"

namespace {

// Set by SIGTERM.
std::atomic<bool> stopSignalled{false};
// The framework's own SIGTERM handler, called after ours.
struct sigaction frameworkTerm {};

// What the lifecycle keeps.
struct Lifecycle {
    std::mutex lock;
    std::string stateFile;
    std::set<int> paused;
};

Lifecycle& State()
{
    static Lifecycle state;
    return state;
}

std::string PausedFile()
{
    return State().stateFile + ".paused";
}

// Notes the signal, then lets the framework see it too.
void OnTerm(int signal)
{
    stopSignalled = true;
    if (frameworkTerm.sa_handler != SIG_DFL && frameworkTerm.sa_handler != SIG_IGN &&
        frameworkTerm.sa_handler != nullptr)
        frameworkTerm.sa_handler(signal);
}

// Writes the paused printers' ids (called with the lock held).
void SavePaused()
{
    const std::string path = PausedFile();
    const std::string next = path + ".new";
    {
        std::ofstream out(next, std::ios::trunc);
        out << ServerLifecycle::FormatPaused(State().paused);
        if (!out)
            return;
    }
    std::rename(next.c_str(), path.c_str());
}

// Pauses the printers paused before the stop; the others start the jobs
// that wait for them.
void RestorePrinters(pappl_system_t* system)
{
    std::set<int> paused;
    {
        std::ifstream in(PausedFile());
        std::stringstream text;
        text << in.rdbuf();
        paused = ServerLifecycle::ParsePaused(text.str());
    }
    papplSystemIteratePrinters(
        system,
        [](pappl_printer_t* printer, void* data) {
            const std::set<int>& ids = *static_cast<std::set<int>*>(data);
            if (ids.count(papplPrinterGetID(printer)) != 0)
                papplPrinterPause(printer);
            else
                papplPrinterResume(printer);
        },
        &paused);
}

// True while a printer of the system prints a job.
bool AnyJobPrinting(pappl_system_t* system)
{
    bool printing = false;
    papplSystemIteratePrinters(
        system,
        [](pappl_printer_t* printer, void* data) {
            if (papplPrinterGetState(printer) == IPP_PSTATE_PROCESSING)
                *static_cast<bool*>(data) = true;
        },
        &printing);
    return printing;
}

// Every second: once stopping and no job prints, saves and exits.
bool WatchForStop(pappl_system_t* system, void*)
{
    if (!ServerLifecycle::Stopping(system) || AnyJobPrinting(system))
        return true;
    std::string stateFile;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        stateFile = State().stateFile;
    }
    StateFile::Save(system, stateFile);
    papplLog(system, PAPPL_LOGLEVEL_INFO,
             "Stopped; jobs still waiting print when the server starts again.");
    std::fflush(nullptr);
    std::_Exit(0);
}

// Once the server runs: its SIGTERM handler is in place, printers restored.
bool OnStart(pappl_system_t* system, void*)
{
    struct sigaction ours {};
    ours.sa_handler = OnTerm;
    sigemptyset(&ours.sa_mask);
    sigaction(SIGTERM, &ours, &frameworkTerm);
    RestorePrinters(system);
    return false;
}

}  // namespace

void ServerLifecycle::Prepare(pappl_system_t* system, const std::string& stateFile)
{
    {
        std::lock_guard<std::mutex> guard(State().lock);
        State().stateFile = stateFile;
        std::ifstream in(PausedFile());
        std::stringstream text;
        text << in.rdbuf();
        State().paused = ParsePaused(text.str());
    }
    // Timers are added here: one added from inside a timer would wait for
    // the lock the running timers hold.
    papplSystemAddTimerCallback(system, time(nullptr), 0, OnStart, nullptr);
    papplSystemAddTimerCallback(system, time(nullptr) + 1, 1, WatchForStop, nullptr);
}

bool ServerLifecycle::Stopping(pappl_system_t* system)
{
    return stopSignalled || papplSystemIsShutdown(system);
}

void ServerLifecycle::NotePaused(pappl_printer_t* printer, bool paused)
{
    std::lock_guard<std::mutex> guard(State().lock);
    if (State().stateFile.empty())
        return;
    const int id = papplPrinterGetID(printer);
    const bool changed = paused ? State().paused.insert(id).second : State().paused.erase(id) > 0;
    if (changed)
        SavePaused();
}

std::set<int> ServerLifecycle::ParsePaused(const std::string& text)
{
    std::set<int> ids;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        char* end = nullptr;
        const long id = std::strtol(line.c_str(), &end, 10);
        if (end != line.c_str() && *end == '\0' && id > 0 && id <= 0x7fffffff)
            ids.insert(static_cast<int>(id));
    }
    return ids;
}

std::string ServerLifecycle::FormatPaused(const std::set<int>& ids)
{
    std::string text;
    for (int id : ids)
        text += std::to_string(id) + "\n";
    return text;
}
