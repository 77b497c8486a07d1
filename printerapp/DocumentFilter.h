// SPDX-License-Identifier: Apache-2.0
// DocumentFilter: prints PDF and PostScript documents. Ghostscript renders
// them into eight-bit grey PWG raster pages at the job's resolution and
// media size (scaled to fit); the pages go through the same PagePrinter as
// raster jobs, so a rendered page prints as the filter prints it. The job's
// page ranges choose the pages, and its copies repeat the document.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_DOCUMENTFILTER_H
#define RIDEVEDUDARUZO_PRINTERAPP_DOCUMENTFILTER_H

#include <pappl/pappl.h>

class DocumentFilter {
public:
    // Registers the filter for PDF and PostScript with the system.
    static void Register(pappl_system_t* system);

    // Renders and prints one job's document (PAPPL MIME filter callback).
    static bool Print(pappl_job_t* job, pappl_device_t* device, void* data);

    // Renders and prints a PDF or PostScript file for the job, as its
    // document.
    static bool PrintFile(pappl_job_t* job, pappl_device_t* device, const char* file);

private:
    // Prints every copy of the chosen pages of the file.
    static bool PrintCopies(pappl_job_t* job, pappl_device_t* device, const char* file);
};

#endif
