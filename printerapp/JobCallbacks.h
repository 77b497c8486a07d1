// SPDX-License-Identifier: Apache-2.0
// JobCallbacks: what the printer application does with a job's pages and
// with its printer: raster pages (PWG and Apple raster, JPEG and PNG, which
// the framework decodes line by line), printer-ready ESC/P data passed
// through unchanged, and identification by the printer's bell.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_JOBCALLBACKS_H
#define RIDEVEDUDARUZO_PRINTERAPP_JOBCALLBACKS_H

#include <pappl/pappl.h>

class JobCallbacks {
public:
    // Sets the job and identify callbacks of a driver.
    static void Install(pappl_pr_driver_data_t& data);

    // Raster job callbacks: start and end the job, start a page, store a
    // line, print the page.
    static bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
    static bool EndJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
    static bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                          unsigned page);
    static bool WriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                          unsigned y, const unsigned char* line);
    static bool EndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                        unsigned page);

    // Sends a printer-ready ESC/P document to the printer unchanged.
    static bool PrintRaw(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

    // Reports the printer's supplies (PAPPL status callback).
    static bool UpdateStatus(pappl_printer_t* printer);

    // Rings the printer's bell.
    static void Identify(pappl_printer_t* printer, pappl_identify_actions_t actions,
                         const char* message);
};

#endif
