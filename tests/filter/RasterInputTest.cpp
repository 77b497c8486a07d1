// SPDX-License-Identifier: Apache-2.0
// RasterInput: every way a raster stream can end, cut at every byte of a
// two-page job, compressed and not, and page headers damaged in place. The
// stream ends cleanly only at a page boundary; a cut anywhere in a header is
// a damaged header, a cut in the pixels a failed pixel read.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "filter/RasterInput.h"
#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;
using Header = RasterInput::Header;

// How reading a whole stream ended: the headers read, and what came last.
struct Reading {
    int headers = 0;
    Header last = Header::Page;  // Page: the pixels of the last page failed
    bool operator==(const Reading& other) const
    {
        return headers == other.headers && last == other.last;
    }
};

// Text for failure messages.
std::string Describe(const Reading& reading)
{
    static const char* const kNames[] = {"pixels failed", "end", "damaged", "not raster"};
    return std::to_string(reading.headers) + " headers, " + kNames[static_cast<int>(reading.last)];
}

// Reads the stream through a pipe as the filter does: headers and pixels
// until something other than a page comes or the pixels fail.
Reading ReadAll(const Bytes& stream)
{
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    // Small test streams fit in the pipe whole.
    EXPECT_EQ(write(ends[1], stream.data(), stream.size()), static_cast<ssize_t>(stream.size()));
    close(ends[1]);
    Reading reading;
    {
        RasterInput input(ends[0]);
        cups_page_header2_t header;
        for (;;) {
            reading.last = input.ReadHeader(header);
            if (reading.last != Header::Page)
                break;
            ++reading.headers;
            Bytes pixels(std::size_t{header.cupsBytesPerLine} * header.cupsHeight);
            if (cupsRasterReadPixels(input.Stream(), pixels.data(),
                                     static_cast<unsigned>(pixels.size())) == 0)
                break;
        }
    }
    close(ends[0]);
    return reading;
}

// A small one-bit page with ink.
RasterPage InkedPage(unsigned seed)
{
    RasterPage page = MakeBitmapPage(64, 48, 180, 180);
    FillPattern(page, seed);
    return page;
}

// The page with none of its pixels: the stream written for it ends right
// after its header.
RasterPage HeaderOnly(RasterPage page)
{
    page.pixels.clear();
    return page;
}

// The first `count` bytes of the stream.
Bytes Cut(const Bytes& stream, std::size_t count)
{
    return Bytes(stream.begin(), stream.begin() + static_cast<long>(count));
}

const char* Name(RasterCompression compression)
{
    return compression == RasterCompression::None ? "uncompressed" : "compressed";
}

TEST(RasterInput, EveryCutOfATwoPageJobEndsAsItsPlaceSays)
{
    const RasterPage page1 = InkedPage(1);
    const RasterPage page2 = InkedPage(2);
    for (RasterCompression compression : {RasterCompression::None, RasterCompression::Compressed}) {
        SCOPED_TRACE(Name(compression));
        const Bytes whole = WriteRaster({page1, page2}, compression);
        // Where each part of the stream ends.
        const std::size_t sync = 4;
        const std::size_t header1 = WriteRaster({HeaderOnly(page1)}, compression).size();
        const std::size_t page1End = WriteRaster({page1}, compression).size();
        const std::size_t header2 = WriteRaster({page1, HeaderOnly(page2)}, compression).size();
        ASSERT_LT(header2, whole.size());

        for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
            Reading expected;
            if (cut == 0 || cut == sync)
                expected = {0, Header::End};
            else if (cut < sync)
                expected = {0, Header::NotRaster};
            else if (cut < header1)
                expected = {0, Header::Damaged};
            else if (cut < page1End)
                expected = {1, Header::Page};
            else if (cut == page1End)
                expected = {1, Header::End};
            else if (cut < header2)
                expected = {1, Header::Damaged};
            else if (cut < whole.size())
                expected = {2, Header::Page};
            else
                expected = {2, Header::End};
            const Reading got = ReadAll(Cut(whole, cut));
            ASSERT_EQ(got, expected) << "cut at " << cut << " of " << whole.size() << ": got "
                                     << Describe(got) << ", expected " << Describe(expected);
        }
    }
}

TEST(RasterInput, DamagedHeadersAndTrailingBytesAreNotTheEnd)
{
    // Each damage is one field of page 2's header, whose first byte in the
    // stream is at `at`, set to a value libcups refuses. (Values it takes,
    // such as a width that does not fit the line, are the filter's page
    // checks' business.)
    struct Damage {
        const char* name;
        std::size_t field;  // offset in the header
        unsigned value;
    };
    const Damage damages[] = {
        {"no bytes per line", offsetof(cups_page_header2_t, cupsBytesPerLine), 0},
        {"no lines", offsetof(cups_page_header2_t, cupsHeight), 0},
        {"no bits per pixel", offsetof(cups_page_header2_t, cupsBitsPerPixel), 0},
        {"17 bits per colour", offsetof(cups_page_header2_t, cupsBitsPerColor), 17},
    };
    const RasterPage page1 = InkedPage(1);
    const RasterPage page2 = InkedPage(2);
    for (RasterCompression compression : {RasterCompression::None, RasterCompression::Compressed}) {
        SCOPED_TRACE(Name(compression));
        const Bytes whole = WriteRaster({page1, page2}, compression);
        const std::size_t at = WriteRaster({page1}, compression).size();
        for (const Damage& d : damages) {
            SCOPED_TRACE(d.name);
            Bytes damaged = whole;
            std::memcpy(damaged.data() + at + d.field, &d.value, sizeof d.value);
            EXPECT_EQ(ReadAll(damaged), (Reading{1, Header::Damaged}));
            // The same header as the last thing in the stream.
            EXPECT_EQ(ReadAll(Cut(damaged, at + sizeof(cups_page_header2_t))),
                      (Reading{1, Header::Damaged}));
        }
        for (std::size_t extra : {1u, 15u, 16u, 100u}) {
            SCOPED_TRACE(std::to_string(extra) + " trailing bytes");
            Bytes trailing = whole;
            trailing.insert(trailing.end(), extra, 0);
            EXPECT_EQ(ReadAll(trailing), (Reading{2, Header::Damaged}));
        }
    }
}

}  // namespace
