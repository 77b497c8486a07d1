// SPDX-License-Identifier: Apache-2.0
// LogsPage: the web interface's "/logs" page when the server logs to
// standard error or syslog (as under systemd, where the journal keeps the
// log). The framework shows its log page only for a log file, and answers
// "/logs" with "not found" otherwise; this page says where the log is.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_LOGSPAGE_H
#define RIDEVEDUDARUZO_PRINTERAPP_LOGSPAGE_H

#include <pappl/pappl.h>

class LogsPage {
public:
    // Adds the page when the log does not go to a file ("-" or "syslog").
    static void InstallIfNeeded(pappl_system_t* system, const char* logFile);

    // Serves the page (PAPPL resource callback).
    static bool Serve(pappl_client_t* client, void* data);
};

#endif
