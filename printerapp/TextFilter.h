// SPDX-License-Identifier: Apache-2.0
// TextFilter: prints plain text documents (text/plain) as monospaced pages
// (see TextDocument) on the job's paper, rendered by Ghostscript like
// PostScript, so the job's copies and page ranges apply. Also tells what a
// document sent without a format (application/octet-stream) is, when the
// framework does not know it: printer-ready ESC/P data (it starts with
// ESC), or text; a job with anything else ends with a message that names
// the formats the printer takes.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_TEXTFILTER_H
#define RIDEVEDUDARUZO_PRINTERAPP_TEXTFILTER_H

#include <cstddef>

#include <pappl/pappl.h>

class TextFilter {
public:
    // Registers the filter and the format detection with the system.
    static void Register(pappl_system_t* system);

    // Prints one text job (PAPPL MIME filter callback).
    static bool Print(pappl_job_t* job, pappl_device_t* device, void* data);

    // Ends a job whose document is of no format the printer knows (PAPPL
    // MIME filter callback).
    static bool RefuseUnknown(pappl_job_t* job, pappl_device_t* device, void* data);

    // The format of a document from its first bytes, or nullptr when it is
    // neither ESC/P data nor text (PAPPL MIME callback).
    static const char* Detect(const unsigned char* header, std::size_t length, void* data);

private:
    // Lays the text out and prints it (the body of Print).
    static bool PrintText(pappl_job_t* job, pappl_device_t* device);
};

#endif
