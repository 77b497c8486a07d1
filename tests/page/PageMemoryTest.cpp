// SPDX-License-Identifier: Apache-2.0
// Page memory kept from page to page: the buffers grow only when a page
// needs more, a job's pages are encoded into the same pixel, dot and body
// storage, and the bytes are those of a page encoded with memory of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "page/PageEncoder.h"
#include "page/PageMemory.h"
#include "tests/support/RasterWriter.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

TEST(PageMemory, BuffersGrowOnlyWhenAPageNeedsMore)
{
    PageMemory memory;
    unsigned char* const pixels = memory.Pixels(4000);
    unsigned char* const dots = memory.Dots(500);
    ASSERT_NE(pixels, nullptr);
    ASSERT_NE(dots, nullptr);
    EXPECT_EQ(memory.Pixels(100), pixels) << "a smaller page shrinks nothing";
    EXPECT_EQ(memory.Pixels(4000), pixels);
    EXPECT_EQ(memory.Dots(500), dots);
    unsigned char* const larger = memory.Pixels(9000);
    ASSERT_NE(larger, nullptr);
    larger[8999] = 1;  // the whole size is there
    EXPECT_EQ(memory.Pixels(4000), larger) << "a grown buffer stays grown";
}

// The page's body after encoding it through an encoder on `memory` (or on
// its own memory when null), and where that body's bytes lay.
struct Encoded {
    Bytes body;
    const unsigned char* storage;
};

Encoded Encode(const RasterPage& page, PageMemory* memory)
{
    const JobSettings job{24, MediaOptions()};
    PageEncoder encoder(page.header, job, memory);
    EXPECT_TRUE(encoder.Problem().empty()) << encoder.Problem();
    Bytes pixels = page.pixels;
    EXPECT_TRUE(encoder.Encode(pixels.data()));
    const PageEncoder::Piece body = encoder.Pieces()[2];
    return {Bytes(body.data, body.data + body.size), body.data};
}

TEST(PageMemory, PagesOfAJobShareTheBodyStorageAndPrintTheSame)
{
    RasterPage bits1 = MakeBitmapPage(700, 300, 360, 360);
    FillPattern(bits1, 1);
    RasterPage bits2 = MakeBitmapPage(700, 300, 360, 360);
    FillPattern(bits2, 2);
    RasterPage grey = MakeGrayPage(700, 300, 360, 360, CUPS_CSPACE_SW);
    FillPattern(grey, 3);
    RasterPage ink = MakeGrayPage(500, 200, 180, 180, CUPS_CSPACE_K);
    FillPattern(ink, 4);

    PageMemory memory;
    const Encoded first = Encode(bits1, &memory);
    EXPECT_EQ(memory.Body().data(), first.storage) << "the body storage went back to the memory";
    const std::vector<const RasterPage*> later = {&bits2, &grey, &ink, &bits1};
    for (const RasterPage* page : later) {
        SCOPED_TRACE(page->header.cupsBitsPerPixel == 8 ? "grey page" : "one-bit page");
        const Encoded shared = Encode(*page, &memory);
        EXPECT_EQ(shared.storage, first.storage) << "the body storage was not kept";
        EXPECT_TRUE(shared.body == Encode(*page, nullptr).body);
        EXPECT_FALSE(shared.body.empty());
    }
}

}  // namespace
