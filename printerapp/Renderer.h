// SPDX-License-Identifier: Apache-2.0
// Renderer: a running Ghostscript that writes eight-bit grey PWG raster
// pages into a pipe, read back with the CUPS raster reader. Ghostscript
// runs in a process group of its own, in a private folder (its only
// writable place, also its temporary folder) inside the job's spool folder,
// with the memory limit of DocumentLimits. A watchdog thread ends the whole
// group at once when the job is cancelled, the server stops, a page or the
// whole document takes longer than its limit; reading past the page limit
// ends it too. Dropping the renderer ends Ghostscript and removes its
// folder.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_RENDERER_H
#define RIDEVEDUDARUZO_PRINTERAPP_RENDERER_H

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <cups/raster.h>
#include <pappl/pappl.h>

#include "printerapp/DocumentLimits.h"

class Renderer {
public:
    Renderer(pappl_job_t* job, const DocumentLimits& limits);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Starts Ghostscript with `arguments` (the program first); false, with
    // the reason, when it cannot be started.
    bool Start(const std::vector<std::string>& arguments, std::string& why);

    // Reads the next page header; false at the end of the output, or when
    // the document has more pages than the limit.
    bool NextPage(cups_page_header2_t& header);

    // Reads the next line of the page; false when the data ended.
    bool ReadLine(unsigned char* line, unsigned bytes);

    // Waits for Ghostscript to exit once its output has ended, so that a
    // slow final flush is not cut; true when it finished without error.
    bool Finish();

    // Why the renderer was stopped before the document's end (a limit, or
    // the server stopping); empty when it was not, or for a cancel.
    std::string StopReason() const;

private:
    using Clock = std::chrono::steady_clock;

    // Watches the job, the server and the time limits until `done`.
    void Watch();
    // Ends Ghostscript's process group, noting why (empty: a cancel).
    void Stop(const std::string& reason);
    // Closes the output and reaps Ghostscript (ending it first when it
    // still runs and `stop`); true when it exited with 0.
    bool End(bool stop);
    // Makes the private folder; false when it cannot.
    bool MakeFolder(std::string& why);

    pappl_job_t* job;
    DocumentLimits limits;
    std::string folder;
    pid_t pid = -1;
    int input = -1;
    cups_raster_t* raster = nullptr;
    long pages = 0;

    std::thread watchdog;
    mutable std::mutex lock;
    std::condition_variable wake;
    bool done = false;
    std::string reason;
    Clock::time_point started;
    std::atomic<Clock::rep> pageStarted{0};
};

#endif
