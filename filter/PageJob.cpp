// PageJob: one raster page from its accepted header to the printer data.
#include "filter/PageJob.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filter/PageLimits.h"

namespace {

// Writes one output piece to the data stream in a single call; false when
// the stream does not take all of it.
bool WritePiece(const std::vector<unsigned char>& piece, FILE* data)
{
    return piece.empty() || fwrite(piece.data(), 1, piece.size(), data) == piece.size();
}

// Writes the pieces in order and hands them to the operating system at once:
// a filter that dies before the next page then leaves whole pages only, and
// the printer is never left inside a bit-image command. Returns 0, or the
// error number of the write that failed.
int SendPieces(const std::vector<const std::vector<unsigned char>*>& pieces, FILE* data)
{
    errno = 0;
    for (const std::vector<unsigned char>* piece : pieces)
        if (!WritePiece(*piece, data))
            return errno != 0 ? errno : EIO;
    if (fflush(data) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

}  // namespace

// Checks, reads, converts and writes one page (see PageJob.h).
PageOutcome PrintPage(cups_raster_t* raster, const cups_page_header2_t& header, int page,
                      const JobSettings& job, const PageStreams& streams)
{
    FILE* const messages = streams.messages;
    // The header alone decides whether the page can be printed: refuse it
    // before its pixels are allocated and read.
    PageEncoder encoder(header, job);
    if (!encoder.Problem().empty()) {
        fprintf(messages, "ERROR: Page %d cannot be printed: %s.\n", page,
                encoder.Problem().c_str());
        return PageOutcome::Failed;
    }

    const unsigned pageBytes = static_cast<unsigned>(PageBytes(header));
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[pageBytes]);
    if (!buffer) {
        fprintf(messages, "ERROR: Page %d cannot be printed: out of memory for its %u bytes.\n",
                page, pageBytes);
        return PageOutcome::Failed;
    }

    if (cupsRasterReadPixels(raster, buffer.get(), pageBytes) == 0) {
        if (*streams.canceled)
            return PageOutcome::Cancelled;
        fprintf(messages,
                "ERROR: Page %d cannot be printed: its raster data ended or could not be read.\n",
                page);
        return PageOutcome::Failed;
    }

    if (!encoder.Encode(buffer.get())) {
        fprintf(messages, "ERROR: Page %d cannot be printed: out of memory while converting it.\n",
                page);
        return PageOutcome::Failed;
    }
    if (const int error = SendPieces(encoder.Pieces(), streams.data)) {
        fprintf(messages, "ERROR: Page %d could not be sent to the printer: %s.\n", page,
                strerror(error));
        return PageOutcome::Failed;
    }
    return PageOutcome::Printed;
}
