// SPDX-License-Identifier: Apache-2.0
// PagePrinter: collects a page's lines and prints it through the page
// encoder.
#include "printerapp/PagePrinter.h"

#include <utility>

#include "page/PageLimits.h"

PagePrinter::PagePrinter(pappl_job_t* printJob, pappl_device_t* printDevice,
                         JobSettings jobSettings)
    : job(printJob),
      device(printDevice),
      settings(std::move(jobSettings))
{
}

// Checks the header as the filter does, keeps the page's encoder and makes
// room for the page in the job's page memory.
bool PagePrinter::StartPage(const cups_page_header2_t& pageHeader, unsigned pageNumber)
{
    folder = RowFolder(pageHeader, settings.pinType);
    header = folder.Printed();
    page = pageNumber;
    linesWritten = 0;
    lastRow = -1;
    pixels = nullptr;
    // The last page's encoder gives the page body back before the next
    // one may borrow it.
    encoder.reset();
    encoder = std::make_unique<PageEncoder>(header, settings, &memory);
    if (!encoder->Problem().empty()) {
        ReportFailure(encoder->Problem());
        return false;
    }
    // Every row is written by the page's lines before it is encoded (a page
    // whose lines do not all come is dropped), so the buffer is not cleared.
    pixels = memory.Pixels(static_cast<std::size_t>(PageBytes(header)));
    if (pixels == nullptr) {
        ReportFailure("out of memory for its " + std::to_string(PageBytes(header)) + " bytes");
        return false;
    }
    return true;
}

// Copies one line into its row of the page; lines beyond the page, and
// lines out of order, are not stored.
void PagePrinter::WriteLine(unsigned y, const unsigned char* line)
{
    if (y >= folder.PageRows() || pixels == nullptr || y != linesWritten)
        return;
    const unsigned row = folder.RowOf(y);
    folder.Merge(pixels + static_cast<std::size_t>(row) * header.cupsBytesPerLine, line,
                 static_cast<long>(row) != lastRow);
    lastRow = static_cast<long>(row);
    ++linesWritten;
}

// Encodes and writes the page, or drops an unfinished or cancelled one.
bool PagePrinter::EndPage()
{
    if (papplJobIsCanceled(job) || linesWritten < folder.PageRows()) {
        const bool cancelled = papplJobIsCanceled(job);
        pixels = nullptr;
        encoder.reset();
        if (cancelled) {
            papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Page %u not printed: the job was stopped.",
                        page);
            return true;
        }
        // The document ended inside the page: it is cut short or damaged.
        papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, PAPPL_JREASON_NONE);
        ReportFailure("the document ends after " + std::to_string(linesWritten) + " of its " +
                      std::to_string(folder.PageRows()) + " lines");
        return false;
    }
    // The encoder made when the page started (none before the first page).
    const std::unique_ptr<PageEncoder> pageEncoder = std::move(encoder);
    if (pageEncoder == nullptr || pixels == nullptr) {
        ReportFailure("out of memory while converting it");
        return false;
    }
    // A large page's body goes to the printer in parts while it is made,
    // after the page before is closed and this page's start pieces.
    bool opened = false;
    bool sent = true;
    const auto openPage = [&] {
        if (!opened) {
            opened = true;
            sent = !holding || Send(heldInner);
            holding = false;
            for (const PageEncoder::Piece& piece : pageEncoder->StartPieces(!documentStarted))
                sent = sent && Send(piece);
            documentStarted = true;
        }
        return sent;
    };
    const auto sendPart = [&](PageEncoder::Piece part) {
        sent = openPage() && Send(part);
        return sent;
    };
    const bool encoded = pageEncoder->Encode(pixels, sendPart);
    pixels = nullptr;
    if (!encoded) {
        if (opened && sent) {
            // Part of the page went out: it is ended where its body stopped.
            Send(pageEncoder->BodyAndPageEnd().back());
            Send(pageEncoder->ClosingPiece(false));
        }
        ReportFailure(sent ? "out of memory while converting it"
                           : "the printer did not take its data");
        return false;
    }
    openPage();
    for (const PageEncoder::Piece& piece : pageEncoder->BodyAndPageEnd())
        sent = sent && Send(piece);
    if (!sent) {
        ReportFailure("the printer did not take its data");
        return false;
    }
    papplDeviceFlush(device);
    heldInner = pageEncoder->ClosingPiece(false);
    heldLast = pageEncoder->ClosingPiece(true);
    holding = true;
    return true;
}

bool PagePrinter::EndDocument(bool complete)
{
    documentStarted = false;
    if (!holding)
        return true;
    holding = false;
    if (!Send(complete ? heldLast : heldInner)) {
        ReportFailure("the printer did not take its data");
        return false;
    }
    papplDeviceFlush(device);
    return true;
}

bool PagePrinter::Send(PageEncoder::Piece bytes)
{
    return bytes.size == 0 || papplDeviceWrite(device, bytes.data, bytes.size) >= 0;
}

void PagePrinter::Refuse(unsigned pageNumber, const std::string& why)
{
    page = pageNumber;
    ReportFailure(why);
}

void PagePrinter::ReportFailure(const std::string& why)
{
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Page %u cannot be printed: %s.", page, why.c_str());
    papplJobSetMessage(job, "Page %u cannot be printed: %s.", page, why.c_str());
}
