// SPDX-License-Identifier: Apache-2.0
// ServerLifecycle: what the server does once it runs, and when it stops.
//   - At start, printers paused before the last stop are paused again, and
//     every other printer looks for the jobs that wait for it (the
//     framework leaves jobs it loads waiting until a printer is resumed).
//   - Pausing and resuming a printer is remembered in a file beside the
//     state file ("STATE.paused", one printer id a line).
//   - On a stop (SIGTERM or a shutdown request) no new job starts,
//     Ghostscript is ended, and once no job prints the state is saved and
//     the server exits: jobs still waiting print at the next start. The
//     framework itself would wait a minute for every queued job.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_SERVERLIFECYCLE_H
#define RIDEVEDUDARUZO_PRINTERAPP_SERVERLIFECYCLE_H

#include <set>
#include <string>

#include <pappl/pappl.h>

class ServerLifecycle {
public:
    // Sets the server up to do the above; `stateFile` is where it saves.
    static void Prepare(pappl_system_t* system, const std::string& stateFile);

    // True once the server was asked to stop.
    static bool Stopping(pappl_system_t* system);

    // Notes that a printer was paused or resumed.
    static void NotePaused(pappl_printer_t* printer, bool paused);

    // The printer ids of a paused-printers file's text, and the text of a
    // set of ids.
    static std::set<int> ParsePaused(const std::string& text);
    static std::string FormatPaused(const std::set<int>& ids);
};

#endif
