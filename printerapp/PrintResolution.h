// SPDX-License-Identifier: Apache-2.0
// PrintResolution: the resolution the printer application renders a
// document at when the document does not bring its own (PDF, PostScript):
// the job's `printer-resolution`; else its `print-quality`, or the
// printer's default quality when the job names none: draft prints at the
// head's lowest resolution, high at its highest, and normal at the
// printer's default resolution (the one chosen on its Printing Defaults
// page).
#ifndef RIDEVEDUDARUZO_PRINTERAPP_PRINTRESOLUTION_H
#define RIDEVEDUDARUZO_PRINTERAPP_PRINTRESOLUTION_H

#include <pappl/pappl.h>

#include "page/OptionTable.h"

class PrintResolution {
public:
    // The resolution of a job on its printer.
    static options::Resolution ForJob(pappl_job_t* job);

    // The resolution for a job that asked for `requested` ({0, 0}: none)
    // at `quality`, on a printer with this driver data (the lowest
    // resolution first and the highest last, as the drivers list them).
    static options::Resolution Choose(options::Resolution requested, ipp_quality_t quality,
                                      const pappl_pr_driver_data_t& data);
};

#endif
