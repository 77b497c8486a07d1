// SPDX-License-Identifier: Apache-2.0
// TextFilter: plain text through the PostScript renderer; format detection.
#include "printerapp/TextFilter.h"

#include <unistd.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "escp/EscpCodes.h"
#include "printerapp/CallbackGuard.h"
#include "printerapp/DocumentFilter.h"
#include "printerapp/Drivers.h"
#include "printerapp/TextDocument.h"

namespace {

constexpr const char* kTextFormat = "text/plain";
constexpr const char* kUnknownFormat = "application/octet-stream";
constexpr const char* kRasterFormat = "image/pwg-raster";

// The largest text document printed: about 1500 pages of 80 x 66
// characters.
constexpr std::streamoff kMaxTextBytes = 8 * 1024 * 1024;

// PostScript points in a hundredth of a millimetre.
constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;

// The printable area of the job's paper.
TextDocument::PageArea AreaOf(const pappl_media_col_t& media)
{
    return {media.size_width * kPointsPerHundredthMm,  media.size_length * kPointsPerHundredthMm,
            media.left_margin * kPointsPerHundredthMm, media.right_margin * kPointsPerHundredthMm,
            media.top_margin * kPointsPerHundredthMm,  media.bottom_margin * kPointsPerHundredthMm};
}

// Refuses the job with one message on the job and in the log.
bool Refuse(pappl_job_t* job, const char* why)
{
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The text cannot be printed: %s.", why);
    papplJobSetMessage(job, "The text cannot be printed: %s.", why);
    return false;
}

}  // namespace

void TextFilter::Register(pappl_system_t* system)
{
    papplSystemAddMIMEFilter(system, kTextFormat, kRasterFormat, Print, nullptr);
    papplSystemAddMIMEFilter(system, kUnknownFormat, kRasterFormat, RefuseUnknown, nullptr);
    papplSystemSetMIMECallback(system, Detect, nullptr);
}

bool TextFilter::Print(pappl_job_t* job, pappl_device_t* device, void*)
{
    return GuardJobCallback(job, [&] { return PrintText(job, device); });
}

bool TextFilter::RefuseUnknown(pappl_job_t* job, pappl_device_t*, void*)
{
    constexpr const char* kWhy =
        "The document's format is not known: this printer takes PDF, PostScript, PWG and "
        "Apple raster, JPEG, PNG, plain text and ESC/P data.";
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", kWhy);
    papplJobSetMessage(job, "%s", kWhy);
    return false;
}

// Reads the text, writes its pages as PostScript beside the job's file and
// prints that.
bool TextFilter::PrintText(pappl_job_t* job, pappl_device_t* device)
{
    std::ifstream input(papplJobGetFilename(job), std::ios::binary | std::ios::ate);
    if (!input)
        return Refuse(job, "the document cannot be read");
    if (input.tellg() > kMaxTextBytes)
        return Refuse(job, "it is longer than 8 MiB");
    input.seekg(0);
    const std::string text{std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()};

    pappl_pr_options_t* options = papplJobCreatePrintOptions(job, INT_MAX, false);
    if (options == nullptr)
        return Refuse(job, "out of memory");
    const TextDocument document(text, AreaOf(options->media));
    papplJobDeletePrintOptions(options);

    const std::string program = std::string(papplJobGetFilename(job)) + ".ps";
    {
        std::ofstream output(program, std::ios::binary | std::ios::trunc);
        output << document.PostScript();
        output.close();
        if (!output) {
            unlink(program.c_str());
            return Refuse(job, "its pages cannot be written to the spool folder");
        }
    }
    const bool printed = DocumentFilter::PrintFile(job, device, program.c_str());
    unlink(program.c_str());
    return printed;
}

// ESC/P data starts with ESC; text has no control characters but tab,
// line feed, form feed and carriage return.
const char* TextFilter::Detect(const unsigned char* header, std::size_t length, void*)
{
    if (length == 0)
        return nullptr;
    if (header[0] == escp::kEsc)
        return kEscpFormat;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = header[i];
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') || c == 0x7F)
            return nullptr;
    }
    return kTextFormat;
}
