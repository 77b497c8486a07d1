// SPDX-License-Identifier: Apache-2.0
// PrinterPages: Connection and Supplies pages, and the test page.
#include "printerapp/PrinterPages.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "page/OptionTable.h"
#include "printerapp/AppSystem.h"

namespace {

constexpr const char* kConnectionPage = "connection";
constexpr const char* kSuppliesPage = "supplies";

// The label of a PWG size name, from the option table, else the name.
std::string MediaLabel(const char* pwgName)
{
    for (std::size_t i = 0; i < options::MediaCount(); ++i) {
        if (std::strcmp(options::AllMedia()[i].pwgName, pwgName) == 0)
            return options::AllMedia()[i].label;
    }
    return pwgName;
}

// "160 x 72 dpi".
std::string Dpi(int x, int y)
{
    return std::to_string(x) + " x " + std::to_string(y) + " dpi";
}

// What draft, normal and high quality print at on this printer (its
// resolutions lowest first, the default in the middle).
std::string QualityText(const pappl_pr_driver_data_t& data)
{
    const int last = data.num_resolution - 1;
    return "draft " + Dpi(data.x_resolution[0], data.y_resolution[0]) +
           ", normal the default resolution (" + Dpi(data.x_default, data.y_default) + "), high " +
           Dpi(data.x_resolution[last], data.y_resolution[last]);
}

// The printer's IPP URI as a client that reached this page sees it.
std::string PrinterUri(pappl_client_t* client, pappl_printer_t* printer)
{
    char path[256];
    papplPrinterGetPath(printer, nullptr, path, sizeof path);
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr,
                     papplClientGetHostName(client), papplClientGetHostPort(client), "/ipp/print%s",
                     path);
    return uri;
}

// One row of a page's table, the value escaped.
void Row(pappl_client_t* client, const char* label, const std::string& value, bool code = false)
{
    papplClientHTMLPrintf(client, "<tr><th>%s:</th><td>", label);
    papplClientHTMLPuts(client, code ? "<code>" : "");
    papplClientHTMLEscape(client, value.c_str(), 0);
    papplClientHTMLPuts(client, code ? "</code></td></tr>\n" : "</td></tr>\n");
}

// Starts a printer page with its title (the header sends the response's
// status line, and the title as the heading of a page that has a link).
void StartPage(pappl_client_t* client, pappl_printer_t* printer, const char* title)
{
    papplClientHTMLPrinterHeader(client, printer, title, 0, nullptr, nullptr);
    papplClientHTMLPuts(client, "<div class=\"row\"><div class=\"col-12\">\n");
}

void EndPage(pappl_client_t* client)
{
    papplClientHTMLPuts(client, "</div></div>\n");
    papplClientHTMLPrinterFooter(client);
}

}  // namespace

void PrinterPages::Add(pappl_printer_t* printer, void*)
{
    pappl_system_t* system = papplPrinterGetSystem(printer);
    char path[256];
    papplPrinterGetPath(printer, kConnectionPage, path, sizeof path);
    papplSystemAddResourceCallback(system, path, "text/html", ServeConnection, printer);
    papplPrinterAddLink(
        printer, "Connection", path,
        static_cast<pappl_loptions_t>(PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_STATUS));
    // Takes the place of the framework's page, which draws the unknown
    // level as an empty ribbon.
    papplPrinterGetPath(printer, kSuppliesPage, path, sizeof path);
    papplSystemAddResourceCallback(system, path, "text/html", ServeSupplies, printer);
}

bool PrinterPages::ServeConnection(pappl_client_t* client, void* data)
{
    pappl_printer_t* printer = static_cast<pappl_printer_t*>(data);
    StartPage(client, printer, "Connection");
    pappl_pr_driver_data_t driver;
    papplPrinterGetDriverData(printer, &driver);
    const std::string uri = PrinterUri(client, printer);
    char deviceUri[1024];
    papplCopyString(deviceUri, papplPrinterGetDeviceURI(printer), sizeof deviceUri);

    papplClientHTMLPuts(client, "<table class=\"form\">\n");
    Row(client, "Printer URI", uri, true);
    // Where the printer is attached is for administrators only.
    if (papplClientIsAuthorized(client) == HTTP_STATUS_CONTINUE)
        Row(client, "Device URI", deviceUri, true);
    else
        Row(client, "Device URI", "shown to administrators");
    Row(client, "Driver",
        std::string(driver.make_and_model) + " (" + papplPrinterGetDriverName(printer) + ")");
    Row(client, "Loaded medium", MediaLabel(driver.media_ready[0].size_name));
    Row(client, "Print quality", QualityText(driver));
    papplClientHTMLPuts(client,
                        "</table>\n<p>Clients print to the printer URI. To add the printer to "
                        "CUPS on another computer:</p>\n<pre>");
    const std::string command = std::string("lpadmin -p ") + papplPrinterGetName(printer) +
                                " -E -v " + uri + " -m everywhere";
    papplClientHTMLEscape(client, command.c_str(), 0);
    papplClientHTMLPuts(client, "</pre>\n");
    EndPage(client);
    return true;
}

bool PrinterPages::ServeSupplies(pappl_client_t* client, void* data)
{
    pappl_printer_t* printer = static_cast<pappl_printer_t*>(data);
    StartPage(client, printer, "Supplies");
    papplClientHTMLPuts(client,
                        "<table class=\"form\">\n<tr><th>Black Ribbon:</th><td>level not known: "
                        "an ESC/P printer does not report how much ink its ribbon has left. "
                        "Change the ribbon when the print grows faint.</td></tr>\n</table>\n");
    EndPage(client);
    return true;
}

const char* PrinterPages::TestPage(pappl_printer_t* printer, char* buffer, std::size_t size)
{
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(printer, &data);
    const std::string text =
        TestPageText(papplPrinterGetName(printer), data, papplPrinterGetDeviceURI(printer));

    std::snprintf(buffer, size, "%s/%s-test-XXXXXX.txt", papplGetTempDir(), kAppName);
    const int fd = mkstemps(buffer, 4);
    if (fd < 0)
        return nullptr;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (close(fd) != 0 || !written) {
        unlink(buffer);
        return nullptr;
    }
    return buffer;
}

// Lines of at most 40 characters, so that the page fits a receipt roll.
std::string PrinterPages::TestPageText(const char* name, const pappl_pr_driver_data_t& data,
                                       const char* deviceUri)
{
    std::string text = "TEST PAGE\n\n";
    text += std::string("Printer: ") + name + "\n";
    text += std::string("Driver:  ") + data.make_and_model + "\n";
    text += std::string("Device:  ") + (deviceUri != nullptr ? deviceUri : "") + "\n";
    text += "Medium:  " + MediaLabel(data.media_ready[0].size_name) + "\n";
    text += "Resolution: " + Dpi(data.x_default, data.y_default) + "\n\n";
    text += "----+----1----+----2----+----3----+----4\n";
    for (int c = 0x20; c < 0x7F; c += 32) {
        std::string line;
        for (int k = c; k < c + 32 && k < 0x7F; ++k)
            line += static_cast<char>(k);
        text += line + "\n";
    }
    text += "----+----1----+----2----+----3----+----4\n";
    return text;
}
