// SPDX-License-Identifier: Apache-2.0
// StateFile: the server's saved printers, settings and jobs. A save writes
// a new file beside the old one, flushes it to the disk and renames it over
// the old one, so a crash or power cut leaves either the old state or the
// new one, never an empty or half-written file. At start, jobs the file
// shows as printing were cut short when the server last stopped: they are
// loaded as aborted, with the reason as their message, and not printed
// again (the printer may have printed part of them).
#ifndef RIDEVEDUDARUZO_PRINTERAPP_STATEFILE_H
#define RIDEVEDUDARUZO_PRINTERAPP_STATEFILE_H

#include <string>
#include <vector>

#include <pappl/pappl.h>

class StateFile {
public:
    // Loads the state at `path` into the system (nothing when there is no
    // file), aborting the jobs that were printing.
    static void Load(pappl_system_t* system, const std::string& path);

    // Saves the system's state at `path` atomically; false when it could
    // not be written (the old file is kept).
    static bool Save(pappl_system_t* system, const std::string& path);

    // The state text with every job that was printing marked aborted by
    // the system; the ids of those jobs go to `interrupted`.
    static std::string AbortInterruptedJobs(const std::string& text, std::vector<int>& interrupted);

    // Message of a job that was printing when the server stopped.
    static constexpr const char* kInterruptedMessage =
        "The server stopped while this job was printing; it was not finished.";
};

#endif
