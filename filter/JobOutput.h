// SPDX-License-Identifier: Apache-2.0
// JobOutput: the printer data of a job, written page by page. Every page
// reaches the printer as one self-contained piece (document start, page
// start, page body, page end, document end), but the commands that belong
// to the document's start and end (a cash-drawer pulse before or after it,
// a cut after it) go around the document only: the first page opens with
// them, the last page closes with them. Whether a page was the last is only
// known when the raster stream ends cleanly after it, so each page's closing
// piece is held back until the next page comes or the stream ends; the rest
// of the page is sent at once. A job that stops early (a failed page, a
// cancel) closes its last whole page without the document's end commands.
//
// When the job asks for more than one copy, the first copy's bytes are kept
// in a temporary file and sent again, whole, for every further copy: each
// copy is one document with its own start and end commands.
#ifndef RIDEVEDUDARUZO_FILTER_JOBOUTPUT_H
#define RIDEVEDUDARUZO_FILTER_JOBOUTPUT_H

#include <csignal>
#include <cstdio>
#include <vector>

#include "page/PageEncoder.h"

class JobOutput {
public:
    // Writes to `data`, reports failures as ERROR lines on `messages`;
    // `copies` is at least 1. Further copies stop when `canceled` is set.
    JobOutput(FILE* data, FILE* messages, int copies, const volatile sig_atomic_t* canceled);
    ~JobOutput();
    JobOutput(const JobOutput&) = delete;
    JobOutput& operator=(const JobOutput&) = delete;

    // Closes the page before (without the document's end commands), then
    // sends the encoded page `page` up to its page end and holds its closing
    // piece. False after an ERROR line when the data could not be written.
    bool SendPage(const PageEncoder& encoder, int page);
    // For a page whose body comes in parts while it is encoded: the first
    // part closes the page before and sends the page's start pieces, then
    // every part is sent; SendPage then sends the rest. False after an
    // ERROR line when the data could not be written.
    bool SendBodyPart(const PageEncoder& encoder, int page, PageEncoder::Piece part);
    // The stream has ended cleanly: closes the last page with the
    // document's end commands, then sends the further copies, each page
    // announced by a "PAGE: n 1" line. False after an ERROR line.
    bool FinishDocument();
    // The job stops early: closes the last page sent (or the page whose
    // body was being sent) without the document's end commands. False when that cannot be written,
    // after an ERROR line if `report` (a job that has already failed says why once).
    bool Abandon(bool report);

private:
    // Closes the page before and sends the page's start pieces.
    bool StartPage(const PageEncoder& encoder, int page);
    // Writes bytes to the printer (and to the copy store); false when the
    // printer does not take them all.
    bool Write(PageEncoder::Piece bytes);
    // Hands the written bytes to the operating system; false on failure.
    bool Flush();
    // Sends the held closing piece, the document's end or not; reports a
    // failure when `report`.
    bool CloseHeldPage(bool lastOfDocument, bool report = true);
    // Sends copies 2 and on from the copy store.
    bool SendFurtherCopies();
    // Writes the ERROR line for `page` with the error number's text.
    void ReportFailure(int page, int error);

    FILE* data_;
    FILE* messages_;
    int copies_;
    const volatile sig_atomic_t* canceled_;
    // The closing pieces of the page last sent, and its number (0: none).
    std::vector<unsigned char> heldInner_, heldLast_;
    int heldPage_ = 0;
    // The page whose start pieces are sent and whose end is not (0: none),
    // and what closes it if the job stops inside it (its page end and the
    // document end without the document's end commands).
    int openPage_ = 0;
    std::vector<unsigned char> openPageEnd_;
    // The first copy's bytes, and where each of its pages ends there.
    FILE* copyStore_ = nullptr;
    std::vector<long> pageEnds_;
};

#endif
