// SPDX-License-Identifier: Apache-2.0
// ridevedudaruzo: CUPS filter that turns a raster job into ESC/P bit-image
// printer data for 9-, 18- and 24-pin dot-matrix printers.
//
// Usage (print-filter convention):
//   ridevedudaruzo job-id user title copies options [raster-file]
// The PPD named by the PPD environment variable supplies the print head's pin
// count (cupsModelNumber). Every page of the raster stream is converted by a
// fresh DotMatrixPrinter and reaches standard output as one self-contained
// unit: document start, page start, page body, page end, document end.
// Progress and errors go to standard error in the print system's line format;
// the filter's own debug log goes to /tmp/vorirazavavi.log (emptied at the
// start of every job) unless the administrator's logging configuration
// (<server root>/ridevedudaruzo/logging.conf, see LogSettings.h) moves it,
// turns it down or switches it off.
//
// Pages may be 1-bit black, 1-bit white-is-one, or 8-bit grey (see
// PageFormat.h). Grey pages are dithered with the halftone pattern named by
// the option RidevHalftone, taken from the job's options or else from the
// PPD's marked choice: HT_PATSIZE_AUTO (the default), HT_PATSIZE_SUPERCELL_M,
// HT_PATSIZE_6x6_M or HT_PATSIZE_8x8_M. Media and finishing options (paper
// type, print direction, cash drawer, black mark, cutter) are applied to every
// page's printer object; see MediaOptions.h.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "escp/ColumnKernels.h"
#include "filter/JobChoices.h"
#include "filter/JobOutput.h"
#include "filter/LogSettings.h"
#include "filter/PageJob.h"
#include "filter/PpdFile.h"
#include "filter/RasterInput.h"
#include "page/OptionTable.h"
#include "page/PageFormat.h"
#include "ruzolog/ruzolog.h"

namespace {

// Set by CancelJob when the scheduler cancels the job; read by the page loop
// after each header and after each page.
volatile sig_atomic_t Canceled = 0;

// Where the filter's debug log goes: the main logger writes
// kLogDirectory/kLogName.log.
constexpr const char* kLogDirectory = "/tmp";
constexpr const char* kLogName = "vorirazavavi";
// Source name of the driver's log lines.
constexpr const char* kLogSource = "ridevedudaruzo";

}  // namespace

// SIGTERM handler: asks the page loop to stop after the current page.
void CancelJob(int)
{
    Canceled = 1;
}

// Hook run once the PPD and options are ready, before the first page.
void Setup() {}

// Writes one debug line of the page header to the log, under its fixed
// line number.
#define HEADER_LOG(line, ...)                                                                      \
    RUZOLOG_FORMAT(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, kLogSource, line, __VA_ARGS__)

// Hook run for every accepted page header, before its pixels are read: logs
// the header's fields.
void StartPage(ppd_file_t*, const cups_page_header2_t& header)
{
    const cups_page_header2_t& h = header;
    HEADER_LOG(110, "DEBUG: StartPage...\n");
    HEADER_LOG(111, "DEBUG: Duplex = %d\n", static_cast<int>(HeaderFieldValue(h.Duplex)));
    HEADER_LOG(112, "DEBUG: HWResolution = [ %d %d ]\n", h.HWResolution[0], h.HWResolution[1]);
    HEADER_LOG(113, "DEBUG: ImagingBoundingBox = [ %d %d %d %d ]\n", h.ImagingBoundingBox[0],
               h.ImagingBoundingBox[1], h.ImagingBoundingBox[2], h.ImagingBoundingBox[3]);
    HEADER_LOG(114, "DEBUG: Margins = [ %d %d ]\n", h.Margins[0], h.Margins[1]);
    HEADER_LOG(115, "DEBUG: ManualFeed = %d\n", static_cast<int>(HeaderFieldValue(h.ManualFeed)));
    HEADER_LOG(116, "DEBUG: MediaPosition = %d\n", h.MediaPosition);
    HEADER_LOG(117, "DEBUG: NumCopies = %d\n", h.NumCopies);
    HEADER_LOG(118, "DEBUG: Orientation = %d\n", static_cast<int>(HeaderFieldValue(h.Orientation)));
    HEADER_LOG(119, "DEBUG: PageSize = [ %d %d ]\n", h.PageSize[0], h.PageSize[1]);
    HEADER_LOG(120, "DEBUG: cupsWidth = %d\n", h.cupsWidth);
    HEADER_LOG(121, "DEBUG: cupsHeight = %d\n", h.cupsHeight);
    HEADER_LOG(122, "DEBUG: cupsMediaType = %d\n", h.cupsMediaType);
    HEADER_LOG(123, "DEBUG: cupsBitsPerColor = %d\n", h.cupsBitsPerColor);
    HEADER_LOG(124, "DEBUG: cupsBitsPerPixel = %d\n", h.cupsBitsPerPixel);
    HEADER_LOG(125, "DEBUG: cupsBytesPerLine = %d\n", h.cupsBytesPerLine);
    HEADER_LOG(126, "DEBUG: cupsColorOrder = %d\n",
               static_cast<int>(HeaderFieldValue(h.cupsColorOrder)));
    HEADER_LOG(127, "DEBUG: cupsColorSpace = %d\n",
               static_cast<int>(HeaderFieldValue(h.cupsColorSpace)));
    HEADER_LOG(128, "DEBUG: cupsCompression = %d\n", h.cupsCompression);
}

// Hook run after a page has been written and its buffer released.
void EndPage(const cups_page_header2_t&) {}

// Hook run once after the page loop, before the resources are released.
void Shutdown() {}

// Names the processor path of the encoder's inner loops in one DEBUG line
// for the job's log in CUPS, with the value of RIDEV_COLUMN_PATH when the
// filter could not follow it.
void ReportColumnPath()
{
    const char* path = ColumnKernels::Current().name;
    const char* refused = ColumnKernels::RefusedRequest();
    if (*refused != '\0')
        fprintf(stderr, "DEBUG: Column path: %s (RIDEV_COLUMN_PATH=%s is not available here).\n",
                path, refused);
    else
        fprintf(stderr, "DEBUG: Column path: %s.\n", path);
}

// Reports how the raster stream ended where a page header was due, after
// `pages` printed pages; returns the exit status.
int ReportStreamEnd(RasterInput::Header end, int pages)
{
    switch (end) {
    case RasterInput::Header::End:
        if (pages > 0)
            return 0;
        fprintf(stderr, "ERROR: The job's raster stream holds no page.\n");
        return 1;
    case RasterInput::Header::NotRaster:
        fprintf(stderr, "ERROR: The job's input is not a CUPS raster stream.\n");
        return 1;
    case RasterInput::Header::Damaged:
    case RasterInput::Header::Page:
        break;
    }
    fprintf(stderr, "ERROR: Page %d cannot be printed: its page header is damaged or cut short.\n",
            pages + 1);
    return 1;
}

// Reads and prints pages until the stream ends, the job is cancelled or a
// page fails; returns the exit status. A cancelled job is not a failure: it
// ends with status 0 after its last whole page, or before its first. Only a
// stream that ends cleanly closes the document with its end commands and
// gets its further copies.
int RunPageLoop(RasterInput& input, ppd_file_t* ppd, const JobSettings& job, int copies)
{
    const PageStreams streams{stderr, &Canceled};
    JobOutput output(stdout, stderr, copies, &Canceled);
    // The page buffers, kept from page to page.
    PageMemory memory;
    int page = 0;
    cups_page_header2_t header;
    while (!Canceled) {
        const RasterInput::Header next = input.ReadHeader(header);
        if (Canceled)
            break;
        if (next != RasterInput::Header::Page) {
            const int status = ReportStreamEnd(next, page);
            if (status != 0) {
                output.Abandon(false);
                return status;
            }
            return output.FinishDocument() ? 0 : 1;
        }
        ++page;
        // The page is printed once here; further copies are announced as
        // they are sent.
        fprintf(stderr, "PAGE: %d 1\n", page);
        StartPage(ppd, header);
        if (page == 1)
            ReportColumnPath();

        const PageOutcome outcome =
            PrintPage(input.Stream(), header, page, job, streams, output, memory);
        if (outcome == PageOutcome::Failed) {
            output.Abandon(false);
            return 1;
        }
        if (outcome == PageOutcome::Cancelled)
            break;
        EndPage(header);
    }
    return output.Abandon(true) ? 0 : 1;
}

// How many copies of the document the filter prints: the copies argument
// when the job's document is itself a raster stream (CONTENT_TYPE, or a run
// by hand without it). For any other document the scheduler's filters
// before this one have made the copies (the PPDs set cupsManualCopies).
int CopiesToPrint(const char* copiesArgument)
{
    const char* contentType = getenv("CONTENT_TYPE");
    if (contentType != nullptr && *contentType != '\0' &&
        strcmp(contentType, "application/vnd.cups-raster") != 0)
        return 1;
    char* end = nullptr;
    errno = 0;
    const long copies = strtol(copiesArgument, &end, 10);
    if (end == copiesArgument || *end != '\0' || errno != 0 || copies < 1 || copies > INT_MAX)
        return 1;
    return static_cast<int>(copies);
}

// Empties a log file of an earlier job, with the file-creation mask that
// keeps the log readable but not writable by others. A log that cannot be
// created (or is a link or not a regular file) is left alone.
void EmptyLogFile(const std::string& path)
{
    ruzolog::RuzologFileHandler oldLog;
    if (oldLog.open(path.c_str(), "w") >= 0)
        oldLog.close();
}

// Empties the log of an earlier job and starts the logging manager. Without
// an administrator's logging configuration the main logger writes
// /tmp/vorirazavavi.log; a configuration may move it, raise its level, or
// turn it off, in which case nothing is written and no logging thread runs.
// A configuration that is not trusted or not understood is ignored with one
// DEBUG line. The job prints whatever happens to the log.
void StartLog()
{
    LogSettings settings(kLogDirectory, kLogName);
    const std::string configPath = LogSettings::ConfigPath(LogSettings::ServerRoot());
    std::string problem;
    if (!settings.Load(configPath, problem) && !problem.empty())
        fprintf(stderr, "DEBUG: Ignoring the logging configuration %s: %s.\n", configPath.c_str(),
                problem.c_str());
    if (!settings.Writes())
        return;

    const mode_t previousMask = umask(022);
    ruzolog::IRuzologManager& logs = ruzolog::IRuzologManager::getRef();
    // A log in month folders has no one file to empty.
    if (!settings.LogFile().empty())
        EmptyLogFile(settings.LogFile());
    if (settings.FromFile()) {
        logs.configFromString(settings.Text().c_str());
    } else {
        logs.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, kLogDirectory);
        logs.setLoggerName(RUZOLOG_MAIN_LOGGER_ID, kLogName);
    }
    logs.start();
    umask(previousMask);
}

// True when standard output is an open descriptor. When it is closed, the
// next file the filter opens would take its number, and the printer data
// would go there.
bool StdoutIsOpen()
{
    return fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

// Hands the printer data still buffered to the operating system; returns the
// exit status, 1 with an ERROR line when a job that had succeeded so far
// could not send it.
int FinishOutput(int status)
{
    if (fflush(stdout) == 0 && !ferror(stdout))
        return status;
    if (status == 0)
        fprintf(stderr, "ERROR: The printer data could not be sent: %s.\n", strerror(errno));
    return 1;
}

// Makes SIGTERM set the cancel flag, and lets it through should the filter
// have been started with it blocked. Done before anything else, so that a
// cancel at any moment, even while the log starts, ends as a cancelled job.
void InstallCancelHandler()
{
    Canceled = 0;
    struct sigaction action {};
    action.sa_handler = CancelJob;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &term, nullptr);
}

// The scheduler starts filters with SIGPIPE at its default, which would kill
// the filter the moment the printer's end of the pipe goes away. Ignored, a
// write there fails with EPIPE and the job ends with an ERROR line.
void IgnoreBrokenPipes()
{
    signal(SIGPIPE, SIG_IGN);
}

// Opens the job's file for reading, or writes an ERROR line and returns -1.
// The open does not wait (a FIFO without a writer would hold the job in
// open(), out of a cancel's reach); the raster reader waits for input
// itself, and a cancel ends that wait. Only a regular file or a FIFO can
// hold a job's raster stream.
int OpenJobFile(const char* path)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "ERROR: The job's file %s cannot be opened: %s.\n", path, strerror(errno));
        sleep(1);
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        fprintf(stderr, "ERROR: The job's file %s cannot be opened: it is not a regular file.\n",
                path);
        close(fd);
        return -1;
    }
    return fd;
}

// Runs the filter: cancel handler, log, arguments, input, PPD, then the page
// loop.
int main(int argc, char* argv[])
{
    InstallCancelHandler();
    IgnoreBrokenPipes();
    if (!StdoutIsOpen()) {
        fprintf(stderr, "ERROR: The printer data cannot be sent: standard output is closed.\n");
        return 1;
    }
    StartLog();
    setbuf(stderr, nullptr);

    if (argc < 6 || argc > 7)
        return 1;

    int fd = 0;
    if (argc == 7) {
        fd = OpenJobFile(argv[6]);
        if (fd < 0)
            return 1;
    }

    cups_option_t* options = nullptr;
    const int numOptions = cupsParseOptions(argv[5], 0, &options);

    int status = 1;
    {
        RasterInput input(fd, &Canceled);
        const PpdFile ppd(getenv("PPD"), numOptions, options);
        if (ppd.IsOpen()) {
            const JobSettings job{ppd.ModelNumber(), ReadJobChoices(ppd, numOptions, options)};
            if (options::FindHead(job.pinType) != nullptr) {
                Setup();
                status = RunPageLoop(input, ppd.Record(), job, CopiesToPrint(argv[4]));
                Shutdown();
            } else {
                fprintf(stderr,
                        "ERROR: The PPD model number %d names no known print head (use 9, 18 or "
                        "24).\n",
                        job.pinType);
            }
        }
    }

    cupsFreeOptions(numOptions, options);
    if (fd != 0)
        close(fd);
    return FinishOutput(status);
}
