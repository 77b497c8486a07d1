// SPDX-License-Identifier: Apache-2.0
// PageJob: one raster page from its accepted header to the printer data.
#include "filter/PageJob.h"

#include "filter/JobOutput.h"
#include "page/PageLimits.h"

// Checks, reads, converts and writes one page (see PageJob.h).
PageOutcome PrintPage(cups_raster_t* raster, const cups_page_header2_t& header, int page,
                      const JobSettings& job, const PageStreams& streams, JobOutput& output,
                      PageMemory& memory)
{
    FILE* const messages = streams.messages;
    // The header alone decides whether the page can be printed: refuse it
    // before its pixels are allocated and read.
    PageEncoder encoder(header, job, &memory);
    if (!encoder.Problem().empty()) {
        fprintf(messages, "ERROR: Page %d cannot be printed: %s.\n", page,
                encoder.Problem().c_str());
        return PageOutcome::Failed;
    }

    const unsigned pageBytes = static_cast<unsigned>(PageBytes(header));
    unsigned char* const pixels = memory.Pixels(pageBytes);
    if (pixels == nullptr) {
        fprintf(messages, "ERROR: Page %d cannot be printed: out of memory for its %u bytes.\n",
                page, pageBytes);
        return PageOutcome::Failed;
    }

    if (cupsRasterReadPixels(raster, pixels, pageBytes) == 0) {
        if (*streams.canceled)
            return PageOutcome::Cancelled;
        fprintf(messages,
                "ERROR: Page %d cannot be printed: its raster data ended or could not be read.\n",
                page);
        return PageOutcome::Failed;
    }

    // A large page's body goes to the printer in parts as it is made, so
    // that it is never held whole next to the pixels.
    bool sent = true;
    const auto sendPart = [&](PageEncoder::Piece part) {
        sent = output.SendBodyPart(encoder, page, part);
        return sent;
    };
    if (!encoder.Encode(pixels, sendPart)) {
        if (sent)
            fprintf(messages,
                    "ERROR: Page %d cannot be printed: out of memory while converting it.\n", page);
        return PageOutcome::Failed;
    }
    return output.SendPage(encoder, page) ? PageOutcome::Printed : PageOutcome::Failed;
}
