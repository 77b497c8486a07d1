// SPDX-License-Identifier: Apache-2.0
// JobCallbacks: raster pages through PagePrinter, raw ESC/P data, identify.
#include "printerapp/JobCallbacks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <memory>

#include "escp/EscpCodes.h"
#include "printerapp/CallbackGuard.h"
#include "printerapp/Drivers.h"
#include "printerapp/PageHeader.h"
#include "printerapp/PagePrinter.h"
#include "printerapp/VendorOptions.h"

namespace {

// The job's page printer, set by StartJob.
PagePrinter* PrinterOf(pappl_job_t* job)
{
    return static_cast<PagePrinter*>(papplJobGetData(job));
}

// Why a raster page whose own header the framework did not pass is refused.
constexpr const char* kNotGreyRaster =
    "its raster is not 8-bit grey (sgray_8), the only raster type this printer takes";

// True for the raster formats whose pages carry their own header.
bool IsRasterDocument(pappl_job_t* job)
{
    const char* format = papplJobGetFormat(job);
    return format != nullptr &&
           (std::strcmp(format, "image/pwg-raster") == 0 || std::strcmp(format, "image/urf") == 0);
}

// True when the page header given with a raster page is the page's own.
// For a page in a raster type the printer does not advertise (such as
// 1-bit black) the framework passes, instead, the header it makes from the
// job's attributes, and lines that do not fit it; the page cannot be
// printed as the client meant it.
bool HasPageHeader(pappl_job_t* job, const pappl_pr_options_t& options)
{
    pappl_pr_options_t* fromJob = papplJobCreatePrintOptions(job, options.num_pages, false);
    if (fromJob == nullptr)
        return true;
    const bool own = !SameHeader(fromJob->header, options.header);
    papplJobDeletePrintOptions(fromJob);
    return own;
}

// Supply level that means "unknown".
constexpr int kUnknownLevel = -1;

// Block size for copying raw documents to the printer.
constexpr std::size_t kCopyBlock = 65536;

}  // namespace

void JobCallbacks::Install(pappl_pr_driver_data_t& data)
{
    data.printfile_cb = PrintRaw;
    data.rstartjob_cb = StartJob;
    data.rendjob_cb = EndJob;
    data.rstartpage_cb = StartPage;
    data.rwriteline_cb = WriteLine;
    data.rendpage_cb = EndPage;
    data.identify_cb = Identify;
    data.status_cb = UpdateStatus;
}

// Reads the job's settings once; every page prints with them.
bool JobCallbacks::StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device)
{
    return GuardJobCallback(job, [&] {
        auto printer =
            std::make_unique<PagePrinter>(job, device, VendorOptions::ForJob(job, *options));
        papplJobSetData(job, printer.release());
        return true;
    });
}

// Ends the document (with its end commands unless the job was cancelled)
// and the job.
bool JobCallbacks::EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*)
{
    std::unique_ptr<PagePrinter> printer(PrinterOf(job));
    papplJobSetData(job, nullptr);
    return GuardJobCallback(
        job, [&] { return printer == nullptr || printer->EndDocument(!papplJobIsCanceled(job)); });
}

// Starts a page with the header the page came with.
bool JobCallbacks::StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*,
                             unsigned page)
{
    return GuardJobCallback(job, [&] {
        PagePrinter* printer = PrinterOf(job);
        if (printer == nullptr)
            return false;
        if (IsRasterDocument(job) && !HasPageHeader(job, *options)) {
            printer->Refuse(page, kNotGreyRaster);
            return false;
        }
        return printer->StartPage(options->header, page);
    });
}

bool JobCallbacks::WriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned y,
                             const unsigned char* line)
{
    if (PagePrinter* printer = PrinterOf(job))
        printer->WriteLine(y, line);
    return true;
}

bool JobCallbacks::EndPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned)
{
    return GuardJobCallback(job, [&] {
        PagePrinter* printer = PrinterOf(job);
        return printer != nullptr && printer->EndPage();
    });
}

// Copies the document file to the device block by block.
bool JobCallbacks::PrintRaw(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device)
{
    const int fd = open(papplJobGetFilename(job), O_RDONLY);
    if (fd < 0) {
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Cannot open the document: %s.", strerror(errno));
        return false;
    }
    papplJobSetImpressions(job, 1);
    unsigned char block[kCopyBlock];
    bool ok = true;
    ssize_t got;
    while (ok && (got = read(fd, block, sizeof block)) != 0) {
        if (got < 0) {
            if (errno == EINTR)
                continue;
            papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Cannot read the document: %s.",
                        strerror(errno));
            ok = false;
        } else if (papplDeviceWrite(device, block, static_cast<std::size_t>(got)) < 0) {
            papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The printer did not take the document.");
            ok = false;
        }
    }
    close(fd);
    if (ok)
        papplJobSetImpressionsCompleted(job, 1);
    return ok;
}

// The ink ribbon is the printer's one supply; an ESC/P printer does not say
// how much ink it has left.
bool JobCallbacks::UpdateStatus(pappl_printer_t* printer)
{
    pappl_supply_t ribbon{};
    ribbon.color = PAPPL_SUPPLY_COLOR_BLACK;
    papplCopyString(ribbon.description, "Black Ribbon", sizeof ribbon.description);
    ribbon.is_consumed = true;
    ribbon.level = kUnknownLevel;
    ribbon.type = PAPPL_SUPPLY_TYPE_INK_RIBBON;
    papplPrinterSetSupplies(printer, 1, &ribbon);
    return true;
}

// Sends one BEL; a printer busy with a job is not interrupted.
void JobCallbacks::Identify(pappl_printer_t* printer, pappl_identify_actions_t, const char*)
{
    pappl_device_t* device = papplPrinterOpenDevice(printer);
    if (device == nullptr) {
        papplLogPrinter(printer, PAPPL_LOGLEVEL_WARN, "Cannot ring the bell: the printer is busy.");
        return;
    }
    const unsigned char bell = escp::kBell;
    if (papplDeviceWrite(device, &bell, 1) < 0)
        papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "Cannot ring the bell.");
    papplPrinterCloseDevice(printer);
}
