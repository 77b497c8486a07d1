// SPDX-License-Identifier: Apache-2.0
// Fuzz target: a hostile CUPS raster stream through the filter's own page
// handling. The first two bytes choose the job settings (print head, grey
// pattern, media options); the rest is the raster stream, read from memory
// by libcups. Every page goes through the header, format and geometry
// checks, the pixel read, the conversion and the printer object, exactly as
// in the filter; the printer data is discarded.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <cups/cups.h>
#include <cups/raster.h>
#include <sys/types.h>

#include "filter/JobOutput.h"
#include "filter/PageJob.h"
#include "page/OptionTable.h"
#include "page/PageLimits.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

// Bounds that keep each run short: larger inputs are ignored, later pages
// and pages above the page cap end the job.
constexpr std::size_t kMaxInput = 1 << 20;
constexpr int kMaxPages = 16;
constexpr std::uint64_t kMaxFuzzPageBytes = 8ull << 20;

// The raster bytes still to be handed to libcups.
struct Stream {
    const std::uint8_t* data;
    std::size_t size;
};

// libcups read callback: copies the next bytes; 0 at the end of the input.
ssize_t ReadStream(void* context, unsigned char* buffer, size_t length)
{
    Stream& stream = *static_cast<Stream*>(context);
    const std::size_t count = length < stream.size ? length : stream.size;
    if (count != 0)
        std::memcpy(buffer, stream.data, count);
    stream.data += count;
    stream.size -= count;
    return static_cast<ssize_t>(count);
}

// A sink for the printer data and the ERROR lines.
FILE* Discard()
{
    static FILE* const null = fopen("/dev/null", "w");
    return null;
}

// The job settings chosen by the first bytes: a print head of the table and
// one choice of every option (taken modulo its number of choices).
JobSettings ChooseSettings(fuzz::FuzzInput& in)
{
    const std::uint8_t head = in.Byte();
    JobSettings job{options::AllHeads()[head % options::HeadCount()].pins, MediaOptions()};
    const std::uint8_t bits = in.Byte();
    for (std::size_t i = 0; i < options::OptionCount(); ++i) {
        const options::OptionSpec& spec = options::AllOptions()[i];
        job.media.Set(spec.option, (bits + i * 3) % spec.numChoices);
    }
    return job;
}

}  // namespace

// Runs the filter's page loop over one input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInput)
        return 0;
    fuzz::FuzzInput in(data, size);
    const JobSettings job = ChooseSettings(in);
    Stream stream{in.Rest(), in.Remaining()};

    cups_raster_t* raster = cupsRasterOpenIO(ReadStream, &stream, CUPS_RASTER_READ);
    if (raster == nullptr)
        return 0;
    static const volatile sig_atomic_t kNotCanceled = 0;
    const PageStreams streams{Discard(), &kNotCanceled};
    JobOutput output(Discard(), Discard(), 1, &kNotCanceled);
    PageMemory memory;
    cups_page_header2_t header;
    for (int page = 1; page <= kMaxPages && cupsRasterReadHeader2(raster, &header); ++page) {
        if (PageBytes(header) > kMaxFuzzPageBytes && PageGeometryProblem(header).empty())
            break;
        if (PrintPage(raster, header, page, job, streams, output, memory) != PageOutcome::Printed)
            break;
    }
    output.FinishDocument();
    cupsRasterClose(raster);
    return 0;
}
