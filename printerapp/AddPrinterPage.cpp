// SPDX-License-Identifier: Apache-2.0
// AddPrinterPage: "Add Printer" without network printer discovery.
#include "printerapp/AddPrinterPage.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "printerapp/AppSystem.h"
#include "printerapp/Drivers.h"

namespace {

// Where the DNS-SD (Avahi) daemon takes its clients.
constexpr const char* kDnssdSocket = "/run/avahi-daemon/socket";

// Path of the framework's page that adds a printer.
constexpr const char* kAddPrinterPath = "/addprinter";

}  // namespace

void AddPrinterPage::InstallIfNeeded(pappl_system_t* system)
{
    if (DnssdDaemonRunning())
        return;
    papplLog(system, PAPPL_LOGLEVEL_WARN,
             "No DNS-SD daemon runs: the web interface adds printers without network discovery.");
    papplSystemAddResourceCallback(system, kAddPrinterPath, "text/html", Serve, nullptr);
}

bool AddPrinterPage::DnssdDaemonRunning()
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, kDnssdSocket, sizeof address.sun_path - 1);
    const bool running =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return running;
}

// Lists the drivers and the commands that add a printer.
bool AddPrinterPage::Serve(pappl_client_t* client, void*)
{
    // Part of the administration pages: the sign-in answer is already sent.
    if (!papplClientHTMLAuthorize(client))
        return true;
    if (!papplClientRespond(client, HTTP_STATUS_OK, nullptr, "text/html", 0, 0))
        return false;
    papplClientHTMLHeader(client, "Add Printer", 0);
    papplClientHTMLPuts(client,
                        "<div class=\"content\"><div class=\"row\"><div class=\"col-12\">\n"
                        "<h1 class=\"title\">Add Printer</h1>\n"
                        "<p>Network printers cannot be looked up here: no DNS-SD daemon "
                        "runs on this computer. Add a printer on the command line, naming "
                        "its driver and its device (<code>usb://</code>, "
                        "<code>socket://HOST:9100</code> or <code>file:///path</code>):</p>\n");
    papplClientHTMLPrintf(client,
                          "<pre>%s add -d NAME -m DRIVER -v DEVICE-URI</pre>\n"
                          "<p>The <code>devices</code> command lists the printers found on "
                          "USB. Drivers:</p>\n<ul>\n",
                          kAppName);
    const pappl_pr_driver_t* drivers = Drivers::List();
    for (int i = 0; i < Drivers::Count(); ++i)
        papplClientHTMLPrintf(client, "<li><code>%s</code>: %s</li>\n", drivers[i].name,
                              drivers[i].description);
    papplClientHTMLPuts(client, "</ul>\n</div></div></div>\n");
    papplClientHTMLFooter(client);
    return true;
}
