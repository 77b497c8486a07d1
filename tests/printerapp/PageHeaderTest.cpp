// SPDX-License-Identifier: Apache-2.0
// Raster page headers compared by their fields' values: the bytes after a
// string's end do not count, every field does.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "printerapp/PageHeader.h"

namespace {

// A zeroed header with a few fields given values.
cups_page_header2_t Header()
{
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    std::strcpy(header.MediaType, "stationery");
    std::strcpy(header.cupsPageSizeName, "iso_a4_210x297mm");
    header.cupsWidth = 1440;
    header.cupsHeight = 2000;
    header.HWResolution[0] = header.HWResolution[1] = 180;
    return header;
}

TEST(PageHeader, FieldsDecideNotTheBytesAfterAString)
{
    // The same values over different bytes after each string's end.
    EXPECT_TRUE(SameHeader(Header(), Header()));
    const cups_page_header2_t a = Header();
    cups_page_header2_t b = a;
    std::memset(b.MediaType + 11, 'x', sizeof b.MediaType - 11);
    std::memset(b.cupsString[3] + 1, 'y', sizeof b.cupsString[3] - 1);
    EXPECT_TRUE(SameHeader(a, b));

    struct Case {
        const char* name;
        std::function<void(cups_page_header2_t&)> change;
    };
    const Case cases[] = {
        {"media type", [](cups_page_header2_t& h) { std::strcpy(h.MediaType, "labels"); }},
        {"vertical resolution", [](cups_page_header2_t& h) { h.HWResolution[1] = 360; }},
        {"bits per color", [](cups_page_header2_t& h) { h.cupsBitsPerColor ^= 1; }},
        {"colour space", [](cups_page_header2_t& h) { h.cupsColorSpace = CUPS_CSPACE_K; }},
        {"page size name", [](cups_page_header2_t& h) { h.cupsPageSizeName[0] = 'n'; }},
        {"a CUPS integer", [](cups_page_header2_t& h) { h.cupsInteger[15] ^= 1; }},
        {"a CUPS string", [](cups_page_header2_t& h) { std::strcpy(h.cupsString[0], "x"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cups_page_header2_t changed = a;
        c.change(changed);
        EXPECT_FALSE(SameHeader(a, changed));
    }
}

}  // namespace
