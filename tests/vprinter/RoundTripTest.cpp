// SPDX-License-Identifier: Apache-2.0
// Round trips through the real encoder: random pages are encoded by
// DotMatrixPrinter at every resolution pair that it accepts for a head (found
// by trying a wide grid of pairs), framed as the filter frames them, and
// printed on the virtual printer, which must strike exactly the page's ink,
// each dot at its pixel's place on paper: nothing more, nothing less, and
// nothing printed at another size than the page's own resolution.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "page/OptionTable.h"
#include "printer/DotMatrixPrinter.h"
#include "tools/vprinter/PageRaster.h"
#include "tools/vprinter/VirtualPrinter.h"

namespace vprinter {
namespace {

using Bytes = std::vector<unsigned char>;

// A one-bit page bitmap as the filter hands it to the printer object:
// rows of bytesPerLine bytes, most significant bit leftmost, padding clear.
struct TestPage {
    const char* shape = "";
    unsigned long width = 0;
    unsigned long height = 0;
    unsigned long bytesPerLine = 0;
    Bytes bits;

    TestPage(const char* name, unsigned long columns, unsigned long rows, unsigned long extraBytes)
        : shape(name),
          width(columns),
          height(rows),
          bytesPerLine((columns + 7) / 8 + extraBytes),
          bits(bytesPerLine * height, 0)
    {
    }

    bool Ink(unsigned long x, unsigned long y) const
    {
        return (bits[y * bytesPerLine + x / 8] & (0x80 >> (x % 8))) != 0;
    }
    void Set(unsigned long x, unsigned long y, bool ink)
    {
        const unsigned char mask = static_cast<unsigned char>(0x80 >> (x % 8));
        unsigned char& byte = bits[y * bytesPerLine + x / 8];
        byte = ink ? (byte | mask) : (byte & ~mask);
    }
    // Random ink with the given chance in columns [x0, x1) of rows [y0, y1).
    void Noise(unsigned long x0, unsigned long x1, unsigned long y0, unsigned long y1,
               double chance, std::mt19937& random)
    {
        std::bernoulli_distribution ink(chance);
        for (unsigned long y = y0; y < std::min(y1, height); ++y) {
            for (unsigned long x = x0; x < std::min(x1, width); ++x)
                Set(x, y, ink(random));
        }
    }
    // Blank columns [x0, x1) of rows [y0, y1).
    void Clear(unsigned long x0, unsigned long x1, unsigned long y0, unsigned long y1)
    {
        for (unsigned long y = y0; y < std::min(y1, height); ++y) {
            for (unsigned long x = x0; x < std::min(x1, width); ++x)
                Set(x, y, false);
        }
    }
};

// A head and a resolution pair the encoder accepts for it.
struct Profile {
    int pins;
    int dpiX;
    int dpiY;
};

bool operator==(const Profile& a, const Profile& b)
{
    return a.pins == b.pins && a.dpiX == b.dpiX && a.dpiY == b.dpiY;
}

std::ostream& operator<<(std::ostream& out, const Profile& p)
{
    return out << p.pins << " pins at " << p.dpiX << " x " << p.dpiY;
}

// Resolutions tried on each axis: every whole number up to 1000 dpi, finer
// ones that the printer's grid holds, and values that are no resolution.
std::vector<int> SweptResolutions()
{
    std::vector<int> values;
    for (int dpi = 0; dpi <= 1000; ++dpi)
        values.push_back(dpi);
    for (int dpi :
         {1080, 1200, 1440, 2400, 2880, 3600, 7200, 65535, INT_MAX, -1, -72, -180, -360, INT_MIN})
        values.push_back(dpi);
    return values;
}

// Every (pins, dpiX, dpiY) of the swept grid that the printer object can
// encode, for the heads of the option table, in the table's order.
std::vector<Profile> SweptProfiles()
{
    const std::vector<int> resolutions = SweptResolutions();
    std::vector<Profile> accepted;
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const int pins = options::AllHeads()[h].pins;
        for (int dpiX : resolutions) {
            for (int dpiY : resolutions) {
                if (DotMatrixPrinter(pins, dpiX, dpiY).CanEncode())
                    accepted.push_back(Profile{pins, dpiX, dpiY});
            }
        }
    }
    return accepted;
}

// The resolutions the option table gives each head, in its order.
std::vector<Profile> TableProfiles()
{
    std::vector<Profile> profiles;
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const options::HeadSpec& head = options::AllHeads()[h];
        for (std::size_t r = 0; r < head.numResolutions; ++r)
            profiles.push_back({head.pins, head.resolutions[r].x, head.resolutions[r].y});
    }
    return profiles;
}

// The swept pairs sorted like the table's: by head, then highest first.
std::vector<Profile> InTableOrder(std::vector<Profile> profiles)
{
    const auto headIndex = [](int pins) { return options::FindHead(pins) - options::AllHeads(); };
    std::sort(profiles.begin(), profiles.end(), [&](const Profile& a, const Profile& b) {
        if (a.pins != b.pins)
            return headIndex(a.pins) < headIndex(b.pins);
        return a.dpiX != b.dpiX ? a.dpiX > b.dpiX : a.dpiY > b.dpiY;
    });
    return profiles;
}

// The page shapes every profile prints. Sizes are in the page's own dots
// (dpiX across, dpiY down); widths are not multiples of 8.
std::vector<TestPage> MakePages(const Profile& p, std::mt19937& random)
{
    const unsigned long inchX = static_cast<unsigned long>(p.dpiX);
    const unsigned long inchY = static_cast<unsigned long>(p.dpiY);
    std::vector<TestPage> pages;

    // Ink up to every edge, with a blank gap of one inch plus one column
    // (skipped by the head) in the middle.
    TestPage dense("dense, inked to the edges", 2 * inchX + 13, inchY / 2 + 5, 0);
    dense.Noise(0, dense.width, 0, dense.height, 0.3, random);
    dense.Clear(inchX / 4, inchX / 4 + inchX + 1, 0, dense.height);
    for (unsigned long y = 0; y < dense.height; y += 2)
        dense.Set(dense.width - 1, y, true);
    pages.push_back(dense);

    // Leading white more than an inch wide, a gap of exactly one inch (kept
    // in the image), a two-inch blank stretch of rows, ink in the last row.
    TestPage gaps("gaps and blank stretches", 3 * inchX + 5, 3 * inchY + 3, 1);
    gaps.Noise(inchX + 7, inchX + 27, 0, gaps.height, 0.4, random);
    gaps.Noise(2 * inchX + 27, 2 * inchX + 37, 0, gaps.height, 0.4, random);
    gaps.Clear(0, gaps.width, inchY / 3, inchY / 3 + 2 * inchY + 1);
    for (unsigned long x = inchX + 7; x < gaps.width; x += 5)
        gaps.Set(x, gaps.height - 1, true);
    pages.push_back(gaps);

    // Fewer rows than one pass of the head, padding bytes beyond the width.
    TestPage tiny("tiny, shorter than a band", 11, 3, 2);
    tiny.Noise(0, tiny.width, 0, tiny.height, 0.5, random);
    tiny.Set(10, 2, true);
    pages.push_back(tiny);

    TestPage blank("blank", inchX + 1, inchY / 4, 0);
    pages.push_back(blank);
    return pages;
}

// The five pieces the filter writes for one page, in its order.
Bytes EncodePage(const Profile& p, const TestPage& page)
{
    DotMatrixPrinter printer(p.pins, p.dpiX, p.dpiY);
    EXPECT_TRUE(printer.CanEncode());
    printer.SetPage(page.bits.data(), page.bytesPerLine, page.width, page.height);
    Bytes stream;
    Bytes piece;
    for (void (DotMatrixPrinter::*emit)(Bytes&) :
         {&DotMatrixPrinter::StartDoc, &DotMatrixPrinter::StartPage, &DotMatrixPrinter::Page,
          &DotMatrixPrinter::EndPage, &DotMatrixPrinter::EndDoc}) {
        (printer.*emit)(piece);
        stream.insert(stream.end(), piece.begin(), piece.end());
    }
    return stream;
}

// Where the printer should strike each inked pixel: columns and rows at the
// page's own resolution.
std::vector<Dot> ExpectedDots(const Profile& p, const TestPage& page)
{
    std::vector<Dot> dots;
    for (unsigned long y = 0; y < page.height; ++y) {
        for (unsigned long x = 0; x < page.width; ++x) {
            if (page.Ink(x, y)) {
                dots.push_back(Dot{static_cast<std::int32_t>(x) * (kUnitsPerInch / p.dpiX),
                                   static_cast<std::int32_t>(y) * (kUnitsPerInch / p.dpiY)});
            }
        }
    }
    return dots;  // already in row-major order
}

// A short account of the first differences, in page pixels.
std::string DescribeDifference(const Profile& p, const std::vector<Dot>& expected,
                               const std::vector<Dot>& actual)
{
    std::vector<Dot> missing;
    std::vector<Dot> extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                        std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    std::ostringstream text;
    const auto list = [&](const char* what, const std::vector<Dot>& dots) {
        text << dots.size() << " " << what << ":";
        for (std::size_t i = 0; i < std::min<std::size_t>(dots.size(), 6); ++i) {
            text << " (" << dots[i].x * p.dpiX / double(kUnitsPerInch) << ", "
                 << dots[i].y * p.dpiY / double(kUnitsPerInch) << ")";
        }
        text << "\n";
    };
    list("pixels missing", missing);
    list("dots struck off the page's ink", extra);
    return text.str();
}

// The sheet drawn at the page's own grid must reproduce the page bitmap.
void ExpectRasterMatches(const Profile& p, const PrintedPage& sheet, const TestPage& page)
{
    PageRaster raster;
    ASSERT_TRUE(PageRaster::Render(sheet, p.dpiX, p.dpiY, raster));
    EXPECT_LE(static_cast<unsigned long>(raster.Width()), std::max(page.width, 1ul));
    EXPECT_LE(static_cast<unsigned long>(raster.Height()), std::max(page.height, 1ul));
    for (unsigned long y = 0; y < page.height; ++y) {
        for (unsigned long x = 0; x < page.width; ++x) {
            if (raster.IsSet(static_cast<int>(x), static_cast<int>(y)) != page.Ink(x, y)) {
                ADD_FAILURE() << "raster differs at pixel (" << x << ", " << y << ")";
                return;
            }
        }
    }
}

class RoundTrip : public ::testing::TestWithParam<Profile> {};

// All pages of a profile go through as one job, each framed on its own.
TEST_P(RoundTrip, PrinterStrikesExactlyThePagesInk)
{
    const Profile p = GetParam();
    // A resolution off the printer's grid cannot be printed at its size.
    ASSERT_GT(p.dpiX, 0);
    ASSERT_GT(p.dpiY, 0);
    ASSERT_EQ(kUnitsPerInch % p.dpiX, 0);
    ASSERT_EQ(kUnitsPerInch % p.dpiY, 0);
    std::mt19937 random(static_cast<unsigned>(p.pins * 100000 + p.dpiX * 1000 + p.dpiY));
    const std::vector<TestPage> pages = MakePages(p, random);
    Bytes job;
    for (const TestPage& page : pages) {
        const Bytes stream = EncodePage(p, page);
        job.insert(job.end(), stream.begin(), stream.end());
    }
    PinModel model = PinModel::Pins24;
    ASSERT_TRUE(VirtualPrinter::ModelForPins(p.pins, model));
    const PrintResult result = VirtualPrinter(model).Print(job);
    ASSERT_TRUE(result.ok) << result.error.Describe();
    ASSERT_EQ(result.pages.size(), pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(pages[i].shape);
        const PrintedPage& sheet = result.pages[i];
        EXPECT_TRUE(sheet.ejected);
        const std::vector<Dot> expected = ExpectedDots(p, pages[i]);
        EXPECT_TRUE(sheet.dots == expected) << DescribeDifference(p, expected, sheet.dots);
        ExpectRasterMatches(p, sheet, pages[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(AcceptedPairs, RoundTrip, ::testing::ValuesIn(TableProfiles()),
                         [](const ::testing::TestParamInfo<Profile>& profile) {
                             return "Pins" + std::to_string(profile.param.pins) + "_" +
                                    std::to_string(profile.param.dpiX) + "x" +
                                    std::to_string(profile.param.dpiY);
                         });

// The printer object encodes exactly the resolutions the option table (and
// so the PPDs and the README) gives each head, and no other pair of the
// swept grid; the round trip above prints each of them.
TEST(AcceptedPairs, AreTheTablesResolutions)
{
    EXPECT_EQ(InTableOrder(SweptProfiles()), TableProfiles());
}

}  // namespace
}  // namespace vprinter
