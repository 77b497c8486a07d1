// SPDX-License-Identifier: Apache-2.0
// The printer application's own job attributes (and finishings trim), and
// the printer's defaults for those a job does not name, turned into the
// settings the filter's page encoder prints with: the framing of a page
// must be what the matching PPD options give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer/DotMatrixPrinter.h"
#include "printerapp/VendorOptions.h"

namespace {

using Bytes = std::vector<unsigned char>;

using Pairs = std::vector<std::pair<const char*, const char*>>;

struct AttributeCase {
    const char* name;
    Pairs attributes;
    Pairs printerDefaults;  // the printer's "xxx-default" values
    pappl_finishings_t finishings;
    const char* halftone;
    Bytes docStart, pageEnd, docEnd;
};

const AttributeCase kCases[] = {
    {"defaults",
     {},
     {},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C},
     {0x1B, 0x40}},
    {"halftone and single sheets",
     {{"ridev-halftone", "matrix-8x8"}, {"ridev-paper-type", "single-sheets"}},
     {},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_8x8_M",
     {0x1B, 0x40},
     {0x0C, 0x0C},
     {0x1B, 0x40}},
    {"direction, mode and drawer before",
     {{"ridev-print-direction", "unidirectional"},
      {"ridev-print-mode", "bidirectional"},
      {"ridev-cash-drawer", "before-document"}},
     {},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40, 0x1B, 0x55, 0x01, 0x1B, 0x55, 0x00, 0x1B, 0x70, 0x00, 0x33, 0x00},
     {0x0C},
     {0x1B, 0x40}},
    {"black mark after, cut each page with short feed",
     {{"ridev-black-mark", "after-page"},
      {"ridev-cutter", "after-page"},
      {"ridev-cut-feed", "short"}},
     {},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C, 0x1D, 0x0C, 0x1D, 0x56, 0x42, 0x01},
     {0x1B, 0x40}},
    {"trim cuts each page",
     {},
     {},
     PAPPL_FINISHINGS_TRIM,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C, 0x1D, 0x56, 0x42, 0x70},
     {0x1B, 0x40}},
    {"trim does not override the cutter",
     {{"ridev-cutter", "after-document"}},
     {},
     PAPPL_FINISHINGS_TRIM,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C},
     {0x1D, 0x56, 0x42, 0x70, 0x1B, 0x40}},
    {"unknown values take the defaults",
     {{"ridev-halftone", "bogus"}, {"ridev-cutter", "sideways"}},
     {},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C},
     {0x1B, 0x40}},
    {"the printer's defaults for what the job does not name",
     {{"ridev-paper-type", "continuous"}},
     {{"ridev-cutter-default", "after-page"},
      {"ridev-halftone-default", "matrix-6x6"},
      {"ridev-paper-type-default", "single-sheets"}},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_6x6_M",
     {0x1B, 0x40},
     {0x0C, 0x1D, 0x56, 0x42, 0x70},
     {0x1B, 0x40}},
    {"the job's value over the printer's default",
     {{"ridev-cutter", "none"}, {"ridev-cash-drawer", "after-document"}},
     {{"ridev-cutter-default", "after-page"}, {"ridev-cash-drawer-default", "before-document"}},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C},
     {0x1B, 0x70, 0x00, 0x33, 0x00, 0x1B, 0x40}},
    {"trim with a cutter among the printer's defaults",
     {},
     {{"ridev-cutter-default", "after-document"}},
     PAPPL_FINISHINGS_TRIM,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C},
     {0x1D, 0x56, 0x42, 0x70, 0x1B, 0x40}},
    {"a printer default the option does not have",
     {},
     {{"ridev-cut-feed-default", "sideways"}},
     PAPPL_FINISHINGS_NONE,
     "HT_PATSIZE_AUTO",
     {0x1B, 0x40},
     {0x0C},
     {0x1B, 0x40}},
};

TEST(JobAttributes, GiveThePpdOptionsFraming)
{
    for (const AttributeCase& test : kCases) {
        SCOPED_TRACE(test.name);
        pappl_pr_options_t options{};
        for (const auto& attribute : test.attributes)
            options.num_vendor = cupsAddOption(attribute.first, attribute.second,
                                               options.num_vendor, &options.vendor);
        options.finishings = test.finishings;
        ipp_t* defaults = ippNew();
        for (const auto& attribute : test.printerDefaults)
            ippAddString(defaults, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, attribute.first, nullptr,
                         attribute.second);

        const JobSettings settings = VendorOptions::SettingsFor(options, 24, defaults);
        cupsFreeOptions(options.num_vendor, options.vendor);
        ippDelete(defaults);
        EXPECT_EQ(settings.pinType, 24);
        EXPECT_STREQ(settings.media.PpdName(options::Option::Halftone), test.halftone);

        DotMatrixPrinter printer(24, 180, 180);
        settings.media.ApplyTo(printer);
        Bytes docStart, pageEnd, docEnd;
        printer.StartDoc(docStart);
        printer.EndPage(pageEnd);
        printer.EndDoc(docEnd);
        EXPECT_EQ(docStart, test.docStart);
        EXPECT_EQ(pageEnd, test.pageEnd);
        EXPECT_EQ(docEnd, test.docEnd);
    }
}

}  // namespace
