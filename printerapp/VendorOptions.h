// SPDX-License-Identifier: Apache-2.0
// VendorOptions: the printer's own job attributes, one for each option of
// the option table that has an IPP attribute (halftone pattern, paper type,
// print direction and mode, cash drawer, black mark, cutter and cut feed).
// Each attribute's keywords stand for the option's choices; its default is
// the option's default choice until the printer's defaults change it, and
// a job that does not name an attribute prints with the printer's default
// (so a client that knows none of them, such as a CUPS queue made from the
// printer's attributes, still gets the cutter set up there). The cutter can also be asked for with
// the standard `finishings` value `trim`, which cuts after each page.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_VENDOROPTIONS_H
#define RIDEVEDUDARUZO_PRINTERAPP_VENDOROPTIONS_H

#include <string>

#include <pappl/pappl.h>

#include "page/PageEncoder.h"

class VendorOptions {
public:
    // Adds the attributes' names to the driver data and their supported and
    // default values to the driver's attributes.
    static void Advertise(pappl_pr_driver_data_t& driverData, ipp_t* driverAttributes);

    // The English labels of the attributes and their values, and of the
    // paper sizes, for the web interface, as a strings file
    // ("ridev-cutter.none" = "Do Not Cut";).
    static std::string Labels();

    // The settings a job prints with on its printer.
    static JobSettings ForJob(pappl_job_t* job, const pappl_pr_options_t& options);

    // The settings a job prints with: its attribute values, else the
    // printer's defaults (its "xxx-default" attributes in
    // `printerDefaults`, which may be null), as the job's choices.
    static JobSettings SettingsFor(const pappl_pr_options_t& options, int pinType,
                                   ipp_t* printerDefaults);
};

#endif
