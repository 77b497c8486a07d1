// PageJob: one raster page from its accepted header to the printer data.
#include "filter/PageJob.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filter/PageFormat.h"
#include "filter/PageLimits.h"
#include "printer/DotMatrixPrinter.h"

namespace {

// Lowest horizontal resolution the filter prints at. Below it a 1/60-inch
// step of the horizontal position is less than one column, the encoder's
// grid step is 0, and every blank stretch of a band restarts the band's
// image at its first column: the page body grows with the square of the
// width (gigabytes from a few kilobytes of raster). No print head of the
// pin profiles runs below 80 dpi.
constexpr unsigned kMinDpiX = 60;

// True when the encoder can lay out columns at the page's horizontal
// resolution: at least kMinDpiX and, as the printer object takes it as an
// int, not beyond INT_MAX (which would make it negative).
bool UsableDpiX(const cups_page_header2_t& header)
{
    return header.HWResolution[0] >= kMinDpiX &&
           header.HWResolution[0] <= static_cast<unsigned>(INT_MAX);
}

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
    for (const std::vector<unsigned char>* piece : pieces)
        if (!WritePiece(*piece, data))
            return errno != 0 ? errno : EIO;
    if (fflush(data) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

// Hands the page to the printer object in the form its format needs,
// converting the buffer in place where the printer takes another form.
void SetPrinterPage(DotMatrixPrinter& printer, unsigned char* pixels,
                    const cups_page_header2_t& header, PageFormat format,
                    const std::string& halftone)
{
    const unsigned long bytesPerLine = header.cupsBytesPerLine;
    const unsigned long width = header.cupsWidth;
    const unsigned long height = header.cupsHeight;
    switch (format) {
    case PageFormat::WhiteBits:
        InvertWhiteBits(pixels, bytesPerLine, width, height);
        printer.SetPage(pixels, bytesPerLine, width, height);
        break;
    case PageFormat::InkLevels:
        InkLevelsToLuminance(pixels, bytesPerLine * height);
        printer.SetPage(pixels, bytesPerLine, width, height, halftone);
        break;
    case PageFormat::Luminance:
        printer.SetPage(pixels, bytesPerLine, width, height, halftone);
        break;
    case PageFormat::InkBits:
    case PageFormat::Unsupported:  // refused before its pixels are read
        printer.SetPage(pixels, bytesPerLine, width, height);
        break;
    }
}

// How converting and writing a page ended.
struct WriteResult {
    bool converted;   // false: memory ran out, nothing was written
    int outputError;  // 0, or the error number of the failed write
};

// Converts the page and writes its five pieces.
WriteResult WritePage(DotMatrixPrinter& printer, unsigned char* pixels,
                      const cups_page_header2_t& header, PageFormat format,
                      const std::string& halftone, const MediaOptions& media, FILE* data)
{
    // The page body is written from the printer object's own bytes, not
    // copied: it is by far the largest piece.
    std::vector<unsigned char> docStart, pageStart, pageEnd, docEnd;
    try {
        media.ApplyTo(printer);
        SetPrinterPage(printer, pixels, header, format, halftone);
        printer.StartDoc(docStart);
        printer.StartPage(pageStart);
        printer.EndPage(pageEnd);
        printer.EndDoc(docEnd);
    } catch (const std::bad_alloc&) {
        return {false, 0};
    }
    errno = 0;
    return {true,
            SendPieces({&docStart, &pageStart, &printer.PageBody(), &pageEnd, &docEnd}, data)};
}

}  // namespace

// Checks, reads, converts and writes one page (see PageJob.h).
PageOutcome PrintPage(cups_raster_t* raster, const cups_page_header2_t& header, int page,
                      const JobSettings& job, const PageStreams& streams)
{
    FILE* const messages = streams.messages;
    const PageFormat format = PageFormatOf(header);
    if (format == PageFormat::Unsupported) {
        fprintf(messages, "ERROR: Page %d cannot be printed: %s is not supported.\n", page,
                DescribePixelFormat(header).c_str());
        return PageOutcome::Failed;
    }

    const std::string problem = PageGeometryProblem(header);
    if (!problem.empty()) {
        fprintf(messages, "ERROR: Page %d cannot be printed: %s.\n", page, problem.c_str());
        return PageOutcome::Failed;
    }

    // The header alone decides whether the head can print the page: refuse it
    // before its pixels are allocated and read.
    DotMatrixPrinter printer(job.pinType, static_cast<int>(header.HWResolution[0]),
                             static_cast<int>(header.HWResolution[1]));
    if (!printer.CanEncode() || !UsableDpiX(header)) {
        fprintf(messages,
                "ERROR: Page %d cannot be printed: %ux%u dpi is not a resolution of the %d-pin "
                "print head.\n",
                page, header.HWResolution[0], header.HWResolution[1], job.pinType);
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

    const WriteResult written =
        WritePage(printer, buffer.get(), header, format, job.halftone, job.media, streams.data);
    if (!written.converted) {
        fprintf(messages, "ERROR: Page %d cannot be printed: out of memory while converting it.\n",
                page);
        return PageOutcome::Failed;
    }
    if (written.outputError != 0) {
        fprintf(messages, "ERROR: Page %d could not be sent to the printer: %s.\n", page,
                strerror(written.outputError));
        return PageOutcome::Failed;
    }
    return PageOutcome::Printed;
}
