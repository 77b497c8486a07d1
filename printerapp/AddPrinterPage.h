// SPDX-License-Identifier: Apache-2.0
// AddPrinterPage: the web interface's "Add Printer" page when no DNS-SD
// daemon runs. The framework's own page looks for network printers through
// the DNS-SD daemon and ends the whole process when there is none; this
// page takes its place then and says how to add a printer without it.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_ADDPRINTERPAGE_H
#define RIDEVEDUDARUZO_PRINTERAPP_ADDPRINTERPAGE_H

#include <pappl/pappl.h>

class AddPrinterPage {
public:
    // Puts this page in place of the framework's when the DNS-SD daemon
    // cannot be reached. Called before the system runs.
    static void InstallIfNeeded(pappl_system_t* system);

    // True when the DNS-SD daemon's socket accepts a connection.
    static bool DnssdDaemonRunning();

    // Serves the page (PAPPL resource callback).
    static bool Serve(pappl_client_t* client, void* data);
};

#endif
