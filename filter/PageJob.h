// SPDX-License-Identifier: Apache-2.0
// PageJob: the filter's handling of one raster page, from its accepted
// header to the five output pieces: the checks and conversion of
// PageEncoder, reading the pixels and writing the page. Shared by the
// filter executable and the fuzz targets.
#ifndef RIDEVEDUDARUZO_FILTER_PAGEJOB_H
#define RIDEVEDUDARUZO_FILTER_PAGEJOB_H

#include <csignal>
#include <cstdio>
#include <string>

#include <cups/raster.h>

#include "page/PageEncoder.h"

class JobOutput;

// Where a page's messages go and what stops it.
struct PageStreams {
    FILE* messages;                         // ERROR lines (standard error)
    const volatile sig_atomic_t* canceled;  // set when the job is cancelled
};

// How the handling of one page ended.
enum class PageOutcome {
    Printed,    // the page was written, its closing piece is held by the output
    Failed,     // an ERROR line was written; nothing of the page was output, or
                // the printer data could not be written
    Cancelled,  // the pixels stopped coming because the job was cancelled
};

// Reads the pixels of one accepted page into `memory` (kept by the caller
// from page to page) and prints it through `output`, which flushes the
// data stream after the page. On any problem writes an ERROR line; the
// output is left untouched unless it is the writing itself that failed.
PageOutcome PrintPage(cups_raster_t* raster, const cups_page_header2_t& header, int page,
                      const JobSettings& job, const PageStreams& streams, JobOutput& output,
                      PageMemory& memory);

#endif
