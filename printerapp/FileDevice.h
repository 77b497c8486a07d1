// SPDX-License-Identifier: Apache-2.0
// FileDevice: the "file:" device, for printing into files (a printer
// shared through a folder, or tests). Only files inside one folder, named
// when the server starts, can be written: the path must name a place under
// that folder without "." or ".." parts, no part of it may be a symbolic
// link, and the file must be a plain file (never a device node or a pipe).
// A path that names a folder gets one file per job, named after the job.
// This replaces the framework's own "file:" device, which writes wherever
// the URI points, as the server's user.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_FILEDEVICE_H
#define RIDEVEDUDARUZO_PRINTERAPP_FILEDEVICE_H

#include <string>

class FileDevice {
public:
    // Registers the device; must run before the framework's own devices
    // are set up (first thing in main).
    static void Register();

    // Sets the folder that file: devices may write into (made if missing).
    // False, with the reason, when it cannot be used.
    static bool SetFolder(const std::string& folder, std::string& why);

    // True when `uri` is a file: URI inside the folder, or not a file: URI
    // at all; otherwise false with the reason.
    static bool Allows(const char* uri, std::string& why);
};

#endif
