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
#include "printerapp/DocumentLimits.h"
#include "printerapp/Drivers.h"
#include "printerapp/PagePrinter.h"
#include "printerapp/PrintResolution.h"
#include "printerapp/Renderer.h"
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
    Renderer renderer(job, DocumentLimits::Current());
    std::string why;
    if (!renderer.Start(RenderCommand(file, options, range), why)) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The document cannot be printed: %s.", why.c_str());
        papplJobSetMessage(job, "The document cannot be printed: %s.", why.c_str());
        return false;
    }
    cups_page_header2_t header;
    std::vector<unsigned char> line;
    bool ok = true;
    while (ok && !papplJobIsCanceled(job) && renderer.NextPage(header)) {
        if (!printer.StartPage(header, ++pageNumber)) {
            ok = false;
            break;
        }
        line.resize(header.cupsBytesPerLine);
        for (unsigned y = 0;
             y < header.cupsHeight && renderer.ReadLine(line.data(), header.cupsBytesPerLine); ++y)
            printer.WriteLine(y, line.data());
        // A page cut short by a limit is reported with the limit below.
        if (!renderer.StopReason().empty())
            break;
        ok = printer.EndPage();
        if (ok)
            papplJobSetImpressionsCompleted(job, 1);
    }
    const std::string stopped = renderer.StopReason();
    if (!stopped.empty()) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The document cannot be printed: %s.",
                    stopped.c_str());
        papplJobSetMessage(job, "The document cannot be printed: %s.", stopped.c_str());
        return false;
    }
    if (!ok)
        return false;
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
