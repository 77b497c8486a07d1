// SPDX-License-Identifier: Apache-2.0
// LogsPage: where the log is when it is not a file.
#include "printerapp/LogsPage.h"

#include <cstring>

#include "printerapp/AppSystem.h"

void LogsPage::InstallIfNeeded(pappl_system_t* system, const char* logFile)
{
    if (logFile == nullptr ||
        (std::strcmp(logFile, "-") != 0 && std::strcmp(logFile, "syslog") != 0))
        return;
    papplSystemAddResourceCallback(system, "/logs", "text/html", Serve, nullptr);
}

bool LogsPage::Serve(pappl_client_t* client, void*)
{
    if (!papplClientRespond(client, HTTP_STATUS_OK, nullptr, "text/html", 0, 0))
        return false;
    papplClientHTMLHeader(client, "Logs", 0);
    papplClientHTMLPrintf(client,
                          "<div class=\"content\"><div class=\"row\"><div class=\"col-12\">\n"
                          "<h1 class=\"title\">Logs</h1>\n"
                          "<p>The server writes its log to standard error or to syslog, not to a "
                          "file this page could show. Under systemd the journal keeps it:</p>\n"
                          "<pre>journalctl -u %s</pre>\n"
                          "<p>Start the server with <code>-o log-file=FILE</code> to read the log "
                          "here.</p>\n</div></div></div>\n",
                          kAppName);
    papplClientHTMLFooter(client);
    return true;
}
