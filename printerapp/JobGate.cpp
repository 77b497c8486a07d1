// SPDX-License-Identifier: Apache-2.0
// JobGate: a lock per printer held for a job's whole processing, and the
// set of jobs already started.
#include "printerapp/JobGate.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// How long a finished job's entry is kept: a second thread for the same
// job is created while the job is still pending, and reaches the gate
// within moments.
constexpr std::chrono::minutes kStartedMemory(10);

// A job, by printer and job number (unique within the system).
using JobKey = std::pair<int, int>;

// The printers' locks and the jobs already started.
struct GateState {
    std::mutex guard;
    std::map<int, std::shared_ptr<std::mutex>> printerLocks;
    // When each started job ended (Clock::time_point::max() while it runs).
    std::map<JobKey, Clock::time_point> started;
};

GateState& State()
{
    static GateState state;
    return state;
}

// Marks the job started; false when it already was.
bool Claim(const JobKey& key)
{
    GateState& state = State();
    std::lock_guard<std::mutex> lock(state.guard);
    const Clock::time_point now = Clock::now();
    for (auto it = state.started.begin(); it != state.started.end();) {
        if (it->second != Clock::time_point::max() && now - it->second > kStartedMemory)
            it = state.started.erase(it);
        else
            ++it;
    }
    return state.started.emplace(key, Clock::time_point::max()).second;
}

// Notes when a started job ended.
void MarkEnded(const JobKey& key)
{
    GateState& state = State();
    std::lock_guard<std::mutex> lock(state.guard);
    state.started[key] = Clock::now();
}

// The lock of one printer.
std::shared_ptr<std::mutex> PrinterLock(int printerId)
{
    GateState& state = State();
    std::lock_guard<std::mutex> lock(state.guard);
    std::shared_ptr<std::mutex>& printerLock = state.printerLocks[printerId];
    if (!printerLock)
        printerLock = std::make_shared<std::mutex>();
    return printerLock;
}

// The job's key, read while the job is certainly alive.
JobKey KeyOf(pappl_job_t* job)
{
    return {papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job)};
}

// True when the job still exists and waits to be printed.
bool StillPending(pappl_system_t* system, const JobKey& key)
{
    pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, key.first, nullptr);
    pappl_job_t* job = printer != nullptr ? papplPrinterFindJob(printer, key.second) : nullptr;
    return job != nullptr && papplJobGetState(job) == IPP_JSTATE_PENDING;
}

}  // namespace

void JobGate::RunQueued(pappl_job_t* job, const std::function<void()>& process)
{
    const JobKey key = KeyOf(job);
    pappl_system_t* system = papplPrinterGetSystem(papplJobGetPrinter(job));
    if (!Claim(key))
        return;
    {
        std::shared_ptr<std::mutex> printerLock = PrinterLock(key.first);
        std::lock_guard<std::mutex> lock(*printerLock);
        if (StillPending(system, key))
            process();
    }
    MarkEnded(key);
}

void JobGate::RunStreamed(pappl_job_t* job, const std::function<void()>& process)
{
    const JobKey key = KeyOf(job);
    Claim(key);
    {
        std::shared_ptr<std::mutex> printerLock = PrinterLock(key.first);
        std::lock_guard<std::mutex> lock(*printerLock);
        process();
    }
    MarkEnded(key);
}
