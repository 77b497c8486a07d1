// ridevedudaruzo: CUPS filter that turns a raster job into ESC/P bit-image
// printer data for 9-, 18- and 24-pin dot-matrix printers.
//
// Usage (print-filter convention):
//   ridevedudaruzo job-id user title copies options [raster-file]
// The PPD named by the PPD environment variable supplies the print head's pin
// count (cupsModelNumber). Every page of the raster stream is converted by a
// fresh DotMatrixPrinter and reaches standard output as one self-contained
// unit: document start, page start, page body, page end, document end.
// Progress and errors go to standard error in the print system's line format.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include "filter/PageLimits.h"
#include "printer/DotMatrixPrinter.h"

namespace {

// Set by CancelJob when the scheduler cancels the job; read by the page loop
// after each header and after each page.
volatile sig_atomic_t Canceled = 0;

// How the handling of one page ended.
enum class PageOutcome {
    Printed,    // all five pieces were written
    Failed,     // an ERROR line was written; nothing of the page was output
    Cancelled,  // the pixels stopped coming because the job was cancelled
};

// Writes one output piece to standard output in a single call.
void WritePiece(const std::vector<unsigned char>& piece)
{
    if (!piece.empty())
        fwrite(piece.data(), 1, piece.size(), stdout);
}

// Converts a page bitmap with a fresh printer object and writes its pieces.
void WritePage(DotMatrixPrinter& printer, const unsigned char* bitmap,
               const cups_page_header2_t& header)
{
    std::vector<unsigned char> docStart, pageStart, body, pageEnd, docEnd;

    printer.SetPage(bitmap, header.cupsBytesPerLine, header.cupsWidth, header.cupsHeight);
    printer.StartDoc(docStart);
    printer.StartPage(pageStart);
    printer.Page(body);
    printer.EndPage(pageEnd);
    printer.EndDoc(docEnd);

    WritePiece(docStart);
    WritePiece(pageStart);
    WritePiece(body);
    WritePiece(pageEnd);
    WritePiece(docEnd);
}

// Reads the pixels of one accepted page and prints it; on any problem writes
// an ERROR line and leaves the output untouched.
PageOutcome PrintPage(cups_raster_t* raster, const cups_page_header2_t& header, int page,
                      int pinType)
{
    const std::string problem = PageGeometryProblem(header);
    if (!problem.empty()) {
        fprintf(stderr, "ERROR: Page %d cannot be printed: %s.\n", page, problem.c_str());
        return PageOutcome::Failed;
    }

    const unsigned pageBytes = static_cast<unsigned>(PageBytes(header));
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[pageBytes]);
    if (!buffer) {
        fprintf(stderr, "ERROR: Page %d cannot be printed: out of memory for its %u bytes.\n",
                page, pageBytes);
        return PageOutcome::Failed;
    }

    if (cupsRasterReadPixels(raster, buffer.get(), pageBytes) == 0) {
        if (Canceled)
            return PageOutcome::Cancelled;
        fprintf(stderr,
                "ERROR: Page %d cannot be printed: its raster data ended or could not be read.\n",
                page);
        return PageOutcome::Failed;
    }

    DotMatrixPrinter printer(pinType, static_cast<int>(header.HWResolution[0]),
                             static_cast<int>(header.HWResolution[1]));
    if (!printer.CanEncode()) {
        fprintf(stderr,
                "ERROR: Page %d cannot be printed: %ux%u dpi is not a resolution of the %d-pin "
                "print head.\n",
                page, header.HWResolution[0], header.HWResolution[1], pinType);
        return PageOutcome::Failed;
    }

    WritePage(printer, buffer.get(), header);
    return PageOutcome::Printed;
}

// True when the PPD model number names a print head the encoder knows.
bool IsKnownPinType(int pinType)
{
    return pinType == 9 || pinType == 18 || pinType == 24;
}

// Opens the PPD named by the PPD environment variable and marks its defaults
// and the job's options; returns nullptr after reporting why it failed.
ppd_file_t* OpenPpd(int numOptions, cups_option_t* options)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ppd_file_t* ppd = ppdOpenFile(getenv("PPD"));
    if (ppd == nullptr) {
        int line = 0;
        ppd_status_t status = ppdLastError(&line);
        fprintf(stderr, "DEBUG: %s on line %d.\n", ppdErrorString(status), line);
        return nullptr;
    }
    ppdMarkDefaults(ppd);
    cupsMarkOptions(ppd, numOptions, options);
#pragma GCC diagnostic pop
    return ppd;
}

// Closes the PPD file.
void ClosePpd(ppd_file_t* ppd)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ppdClose(ppd);
#pragma GCC diagnostic pop
}

}  // namespace

// SIGTERM handler: asks the page loop to stop after the current page.
void CancelJob(int)
{
    Canceled = 1;
}

// Hook run once the PPD and options are ready, before the first page.
void Setup()
{
}

// Hook run for every accepted page header, before its pixels are read.
void StartPage(ppd_file_t*, const cups_page_header2_t&)
{
}

// Hook run after a page has been written and its buffer released.
void EndPage(const cups_page_header2_t&)
{
}

// Hook run once after the page loop, before the resources are released.
void Shutdown()
{
}

// Reads and prints pages until the stream ends, the job is cancelled or a
// page fails; returns the exit status.
int RunPageLoop(cups_raster_t* raster, ppd_file_t* ppd, int pinType)
{
    int page = 0;
    cups_page_header2_t header;
    while (cupsRasterReadHeader2(raster, &header)) {
        if (Canceled)
            break;
        ++page;
        fprintf(stderr, "PAGE: %d %d\n", page, header.NumCopies);
        StartPage(ppd, header);

        const PageOutcome outcome = PrintPage(raster, header, page, pinType);
        if (outcome == PageOutcome::Failed)
            return 1;
        if (outcome == PageOutcome::Cancelled)
            break;
        EndPage(header);
        if (Canceled)
            break;
    }
    return page == 0 ? 1 : 0;
}

// Runs the filter: arguments, input, PPD, then the page loop.
int main(int argc, char* argv[])
{
    setbuf(stderr, nullptr);

    if (argc < 6 || argc > 7)
        return 1;

    int fd = 0;
    if (argc == 7) {
        fd = open(argv[6], O_RDONLY);
        if (fd < 0) {
            sleep(1);
            return 1;
        }
    }

    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);

    Canceled = 0;
    signal(SIGTERM, CancelJob);

    cups_option_t* options = nullptr;
    const int numOptions = cupsParseOptions(argv[5], 0, &options);

    int status = 1;
    if (ppd_file_t* ppd = OpenPpd(numOptions, options)) {
        const int pinType = ppd->model_number;
        if (IsKnownPinType(pinType)) {
            Setup();
            status = RunPageLoop(raster, ppd, pinType);
            Shutdown();
        } else {
            fprintf(stderr,
                    "ERROR: The PPD model number %d names no known print head (use 9, 18 or "
                    "24).\n",
                    pinType);
        }
        ClosePpd(ppd);
    }

    cupsFreeOptions(numOptions, options);
    cupsRasterClose(raster);
    if (fd != 0)
        close(fd);
    return status;
}
