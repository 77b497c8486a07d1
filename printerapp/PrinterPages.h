// SPDX-License-Identifier: Apache-2.0
// PrinterPages: the printer application's own pages for each printer, next
// to the framework's: "Connection" (the printer URI a client needs, the
// device URI for administrators, the driver, what each print quality means
// on its head and the command that adds the printer to CUPS elsewhere),
// "Supplies" (the ribbon, whose level an ESC/P printer does not report) and
// the test page that the printer's "Print Test Page" button prints.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_PRINTERPAGES_H
#define RIDEVEDUDARUZO_PRINTERAPP_PRINTERPAGES_H

#include <cstddef>
#include <string>

#include <pappl/pappl.h>

class PrinterPages {
public:
    // Adds a new printer's pages and their links (PAPPL printer creation
    // callback, called before the framework adds its own pages).
    static void Add(pappl_printer_t* printer, void* data);

    // Writes the test page, plain text, into a temporary file and puts its
    // name into `buffer` (PAPPL test page callback); nullptr when the file
    // cannot be written.
    static const char* TestPage(pappl_printer_t* printer, char* buffer, std::size_t size);

    // The test page's text for a printer named `name` with this driver
    // data and device URI.
    static std::string TestPageText(const char* name, const pappl_pr_driver_data_t& data,
                                    const char* deviceUri);

private:
    // Serve the pages (PAPPL resource callbacks; `data` is the printer).
    static bool ServeConnection(pappl_client_t* client, void* data);
    static bool ServeSupplies(pappl_client_t* client, void* data);
};

#endif
