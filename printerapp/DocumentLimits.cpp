// SPDX-License-Identifier: Apache-2.0
// DocumentLimits: the renderer's bounds, from the server's options.
#include "printerapp/DocumentLimits.h"

#include <cstdlib>

namespace {

// The positive number an option gives, or `fallback`.
long PositiveOption(const char* name, int numOptions, cups_option_t* options, long fallback)
{
    const char* text = cupsGetOption(name, numOptions, options);
    if (text == nullptr)
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value > 0 ? value : fallback;
}

DocumentLimits& Stored()
{
    static DocumentLimits limits;
    return limits;
}

}  // namespace

DocumentLimits DocumentLimits::FromOptions(int numOptions, cups_option_t* options)
{
    DocumentLimits limits;
    limits.maxPages = PositiveOption("document-max-pages", numOptions, options, limits.maxPages);
    limits.pageSeconds =
        PositiveOption("document-page-seconds", numOptions, options, limits.pageSeconds);
    limits.jobSeconds =
        PositiveOption("document-job-seconds", numOptions, options, limits.jobSeconds);
    limits.memoryMegabytes =
        PositiveOption("document-memory-mb", numOptions, options, limits.memoryMegabytes);
    return limits;
}

const DocumentLimits& DocumentLimits::Current()
{
    return Stored();
}

void DocumentLimits::SetCurrent(const DocumentLimits& limits)
{
    Stored() = limits;
}
