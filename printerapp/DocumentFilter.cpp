// SPDX-License-Identifier: Apache-2.0
// DocumentFilter: PDF and PostScript through Ghostscript, page by page.
#include "printerapp/DocumentFilter.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "printerapp/CallbackGuard.h"
#include "printerapp/Drivers.h"
#include "printerapp/PagePrinter.h"
#include "printerapp/PrintResolution.h"
#include "printerapp/VendorOptions.h"

extern char** environ;

namespace {

// What the framework converts PDF and PostScript into: raster pages for
// the driver.
constexpr const char* kRasterFormat = "image/pwg-raster";

// Hundredths of a millimetre in a PostScript point.
constexpr double kHundredthsMmPerPoint = 2540.0 / 72.0;

// Which pages of the document to print, from 1; last 0 means to the end.
struct PageRange {
    int first = 1;
    int last = 0;
};

// The first range of the job's page-ranges attribute, or all pages.
PageRange RangeOf(pappl_job_t* job)
{
    PageRange range;
    if (ipp_attribute_t* ranges = papplJobGetAttribute(job, "page-ranges")) {
        int upper = 0;
        range.first = std::max(1, ippGetRange(ranges, 0, &upper));
        // An open range ("2-") comes as one that ends at INT_MAX.
        range.last = upper < INT_MAX ? upper : 0;
    }
    return range;
}

// A running Ghostscript that writes eight-bit grey PWG raster pages into a
// pipe, read back with the CUPS raster reader.
class Renderer {
public:
    // A renderer dropped before its output ended (a cancelled or failed
    // job) stops Ghostscript at once.
    ~Renderer() { End(true); }

    // Starts Ghostscript on the document; false when it cannot be started.
    bool Start(const std::vector<std::string>& arguments)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (failed != 0) {
            pid = -1;
            close(fds[0]);
            errno = failed;
            return false;
        }
        input = fds[0];
        raster = cupsRasterOpen(input, CUPS_RASTER_READ);
        return raster != nullptr;
    }

    // Reads the next page header; false at the end of the output.
    bool NextPage(cups_page_header2_t& header)
    {
        return raster != nullptr && cupsRasterReadHeader2(raster, &header) != 0;
    }

    // Reads the next line of the page; false when the data ended.
    bool ReadLine(unsigned char* line, unsigned bytes)
    {
        return cupsRasterReadPixels(raster, line, bytes) == bytes;
    }

    // Waits for Ghostscript to exit once its output has ended, so that a
    // slow final flush is not cut; true when it finished without error.
    bool Finish() { return End(false); }

private:
    // Closes the output and reaps Ghostscript, first stopping it with
    // SIGTERM when `stop` and it still runs; true when it exited with 0.
    bool End(bool stop)
    {
        if (raster != nullptr) {
            cupsRasterClose(raster);
            raster = nullptr;
        }
        if (input >= 0) {
            close(input);
            input = -1;
        }
        if (pid <= 0)
            return true;
        int status = 0;
        if (stop && waitpid(pid, &status, WNOHANG) == 0)
            kill(pid, SIGTERM);
        pid_t reaped;
        do {
            reaped = waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        pid = -1;
        return reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    pid_t pid = -1;
    int input = -1;
    cups_raster_t* raster = nullptr;
};

// The Ghostscript command that renders the document for these options.
std::vector<std::string> RenderCommand(const char* file, const pappl_pr_options_t& options,
                                       const PageRange& range)
{
    const int dpiX = options.printer_resolution[0];
    const int dpiY = options.printer_resolution[1];
    const long widthPoints =
        static_cast<long>(options.media.size_width / kHundredthsMmPerPoint + 0.5);
    const long lengthPoints =
        static_cast<long>(options.media.size_length / kHundredthsMmPerPoint + 0.5);
    std::vector<std::string> command = {
        "gs",
        "-q",
        "-dSAFER",
        "-dBATCH",
        "-dNOPAUSE",

        "-sDEVICE=pwgraster",
        "-dcupsColorSpace=18",  // sGray: 0 is black
        "-dcupsBitsPerColor=8",
        "-r" + std::to_string(dpiX) + "x" + std::to_string(dpiY),
        "-dDEVICEWIDTHPOINTS=" + std::to_string(widthPoints),
        "-dDEVICEHEIGHTPOINTS=" + std::to_string(lengthPoints),
        "-dFIXEDMEDIA",
        "-dPDFFitPage",
        // PostScript's own output goes to the log, not into the pages.
        "-sstdout=%stderr",
        "-sOutputFile=%stdout",
    };
    if (range.first > 1 || range.last > 0)
        command.push_back("-sPageList=" + std::to_string(range.first) + "-" +
                          (range.last > 0 ? std::to_string(range.last) : std::string()));
    command.push_back("-f");
    command.push_back(file);
    return command;
}

// Prints one copy of the document in `file`; false when a page failed or
// Ghostscript could not render it.
bool PrintCopy(pappl_job_t* job, const char* file, const pappl_pr_options_t& options,
               PagePrinter& printer, const PageRange& range, unsigned& pageNumber)
{
    Renderer renderer;
    if (!renderer.Start(RenderCommand(file, options, range))) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Cannot start Ghostscript: %s.", strerror(errno));
        return false;
    }
    cups_page_header2_t header;
    std::vector<unsigned char> line;
    while (!papplJobIsCanceled(job) && renderer.NextPage(header)) {
        if (!printer.StartPage(header, ++pageNumber))
            return false;
        line.resize(header.cupsBytesPerLine);
        for (unsigned y = 0;
             y < header.cupsHeight && renderer.ReadLine(line.data(), header.cupsBytesPerLine); ++y)
            printer.WriteLine(y, line.data());
        if (!printer.EndPage())
            return false;
        papplJobSetImpressionsCompleted(job, 1);
    }
    if (papplJobIsCanceled(job))
        return true;
    if (!renderer.Finish()) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Ghostscript could not render the document.");
        papplJobSetMessage(job, "Ghostscript could not render the document.");
        return false;
    }
    return true;
}

}  // namespace

void DocumentFilter::Register(pappl_system_t* system)
{
    papplSystemAddMIMEFilter(system, "application/pdf", kRasterFormat, Print, nullptr);
    papplSystemAddMIMEFilter(system, "application/postscript", kRasterFormat, Print, nullptr);
}

// Prints every copy of the chosen pages.
bool DocumentFilter::Print(pappl_job_t* job, pappl_device_t* device, void*)
{
    return PrintFile(job, device, papplJobGetFilename(job));
}

bool DocumentFilter::PrintFile(pappl_job_t* job, pappl_device_t* device, const char* file)
{
    return GuardJobCallback(job, [&] { return PrintCopies(job, device, file); });
}

// Prints every copy of the chosen pages (the body of Print and PrintFile).
bool DocumentFilter::PrintCopies(pappl_job_t* job, pappl_device_t* device, const char* file)
{
    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, INT_MAX, false);
    if (options == nullptr)
        return false;
    const options::Resolution resolution = PrintResolution::ForJob(job);
    options->printer_resolution[0] = resolution.x;
    options->printer_resolution[1] = resolution.y;
    const PageRange range = RangeOf(job);
    PagePrinter printer(job, device, VendorOptions::ForJob(job, *options));
    unsigned pageNumber = 0;
    bool ok = true;
    // Each copy is one document, with the document's start and end commands.
    for (int copy = 0; ok && copy < options->copies && !papplJobIsCanceled(job); ++copy) {
        ok = PrintCopy(job, file, *options, printer, range, pageNumber);
        ok = printer.EndDocument(ok && !papplJobIsCanceled(job)) && ok;
    }
    papplJobDeletePrintOptions(options);
    return ok;
}
