// SPDX-License-Identifier: Apache-2.0
// Drivers: the printer application's drivers, one per print head (ridev9,
// ridev18, ridev24), with the resolutions, media and options of the
// matching PPDs, and the choice of a driver for a printer found on USB.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_DRIVERS_H
#define RIDEVEDUDARUZO_PRINTERAPP_DRIVERS_H

#include <pappl/pappl.h>

// MIME type of printer-ready ESC/P data, which is sent to the printer as it
// is.
constexpr const char* kEscpFormat = "application/vnd.ridevedudaruzo.escp";

class Drivers {
public:
    // The driver list given to the printer application.
    static pappl_pr_driver_t* List();
    static int Count();

    // Fills a printer's driver data (PAPPL driver callback).
    static bool Configure(pappl_system_t* system, const char* driverName, const char* deviceUri,
                          const char* deviceId, pappl_pr_driver_data_t* driverData,
                          ipp_t** driverAttributes, void* data);

    // Names the driver for a printer found with this IEEE 1284 device ID, or
    // returns nullptr when it is no ESC/P dot-matrix printer (PAPPL auto-add
    // callback).
    static const char* ForDevice(const char* deviceInfo, const char* deviceUri,
                                 const char* deviceId, void* data);

    // The pin count of a printer's print head, from its driver.
    static int PinsOf(pappl_printer_t* printer);

private:
    // Configure's body, which may throw (out of memory).
    static bool ConfigureDriver(pappl_system_t* system, const char* driverName,
                                const char* deviceUri, const char* deviceId,
                                pappl_pr_driver_data_t* driverData, ipp_t** driverAttributes,
                                void* data);
};

#endif
