// SPDX-License-Identifier: Apache-2.0
// PagePrinter: the pages of one job on their way to the printer. Collects
// the lines of each page, encodes the whole page with the filter's page
// encoder (so a page prints exactly as the CUPS filter prints it) and
// writes its bytes to the printer's device. As in the filter, the commands
// of the document's start go before its first page only and those of its
// end after its last page only: each page's closing piece is held back
// until the next page comes or the document ends. One PagePrinter serves
// one job, in the job's own thread: its page memory (the pixels, the dot
// bitmap and the page body) is kept from page to page and lent to each
// page's encoder, so that later pages reuse the buffers of the first
// instead of asking the system for new memory.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_PAGEPRINTER_H
#define RIDEVEDUDARUZO_PRINTERAPP_PAGEPRINTER_H

#include <memory>
#include <string>
#include <vector>

#include <pappl/pappl.h>

#include "page/PageEncoder.h"
#include "page/PageMemory.h"
#include "printerapp/RowFolder.h"

class PagePrinter {
public:
    PagePrinter(pappl_job_t* job, pappl_device_t* device, JobSettings settings);
    // The page's encoder refers to the header and settings held here.
    PagePrinter(const PagePrinter&) = delete;
    PagePrinter& operator=(const PagePrinter&) = delete;

    // Starts a page (numbered from 1) with its raster header; false, with
    // the reason logged on the job, when the page cannot be printed. A
    // square page on a head with fewer rows per inch is folded onto them
    // (see RowFolder).
    bool StartPage(const cups_page_header2_t& header, unsigned page);

    // Stores line `y` of the page as it came (cupsBytesPerLine bytes).
    // Lines come in order, from 0; one out of order is not stored, and the
    // page then counts as cut short.
    void WriteLine(unsigned y, const unsigned char* line);

    // Encodes the page and sends it to the device (a large page's body in
    // parts while it is encoded). A page whose lines did not all arrive, or
    // that ends after the job was cancelled, is dropped: the printer only
    // ever gets whole pages. False when the page cannot be
    // encoded or written, or its lines did not all arrive (a damaged
    // document) without a cancel.
    bool EndPage();

    // Reports that page `page` cannot be printed, and why.
    void Refuse(unsigned page, const std::string& why);

    // Ends the document (one copy of the job): closes its last page, with
    // the commands of the document's end (cash-drawer pulse, cut after the
    // document) only when `complete`; a document cut short by a failure or
    // a cancel gets none. The next page starts a new document. False when
    // the printer did not take the bytes.
    bool EndDocument(bool complete);

private:
    // Logs why the current page failed and shows it as the job's message.
    void ReportFailure(const std::string& why);

    pappl_job_t* job;
    pappl_device_t* device;
    JobSettings settings;
    // The page's rows as the head prints them, and its header.
    RowFolder folder;
    cups_page_header2_t header{};
    unsigned page = 0;
    unsigned linesWritten = 0;
    long lastRow = -1;  // the printed row the last line went into
    // The job's page buffers; `pixels` points into them from StartPage to
    // EndPage (null when no page is open).
    PageMemory memory;
    unsigned char* pixels = nullptr;
    // The current page's encoder, from StartPage to EndPage; it borrows
    // `memory`, so it is declared after it (and ends before it).
    std::unique_ptr<PageEncoder> encoder;
    // The closing pieces of the last page sent (inside the document, and as
    // its last page), while one is held; whether the document has begun.
    std::vector<unsigned char> heldInner, heldLast;
    bool holding = false;
    bool documentStarted = false;

    // Writes bytes to the device; false when it does not take them.
    bool Send(PageEncoder::Piece bytes);
};

#endif
