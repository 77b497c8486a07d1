// SPDX-License-Identifier: Apache-2.0
// DocumentLimits: what one PDF or PostScript document may cost the
// server. A document is a program: without bounds one job can run forever,
// fill the memory or print pages without end, and block its printer. The
// server's options change the defaults:
//   -o document-max-pages=N       pages one copy may have (default 1000)
//   -o document-page-seconds=N    time to render one page (default 120)
//   -o document-job-seconds=N     time to render a whole copy (default 1800)
//   -o document-memory-mb=N       memory of the renderer (default 1024)
#ifndef RIDEVEDUDARUZO_PRINTERAPP_DOCUMENTLIMITS_H
#define RIDEVEDUDARUZO_PRINTERAPP_DOCUMENTLIMITS_H

#include <cups/cups.h>

struct DocumentLimits {
    long maxPages = 1000;
    long pageSeconds = 120;
    long jobSeconds = 1800;
    long memoryMegabytes = 1024;

    // The limits of the server's options (the defaults where unset or not a
    // positive number).
    static DocumentLimits FromOptions(int numOptions, cups_option_t* options);

    // The limits the server runs with.
    static const DocumentLimits& Current();
    static void SetCurrent(const DocumentLimits& limits);
};

#endif
