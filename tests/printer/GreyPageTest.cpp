// SPDX-License-Identifier: Apache-2.0
// Grey page entry: the pattern name chooses the halftone matrix, and the
// dithered page is encoded like a one-bit page.
#include <gtest/gtest.h>

#include "printer/DotMatrixPrinter.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A grey ramp, darker to the right and downwards.
Bytes GreyRamp()
{
    Bytes grey(kWidth * kHeight);
    for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
            grey[row * kWidth + x] = static_cast<unsigned char>(255 - 2 * x - row);
        }
    }
    return grey;
}

// Page body of the grey page given to the grey entry with a pattern name.
Bytes BodyByName(const std::string& name)
{
    const Bytes grey = GreyRamp();
    DotMatrixPrinter printer(24, 180, 180);
    printer.SetPage(grey.data(), kWidth, kWidth, kHeight, name);
    Bytes body;
    printer.Page(body);
    return body;
}

// Page body of the grey page dithered with a pattern, then encoded.
Bytes BodyByPattern(OrvESCP::Halfton pattern)
{
    const Bytes grey = GreyRamp();
    Bytes bits(kWidth * kHeight, 0);
    OrvESCP::Gray2DotMatrix(grey.data(), kWidth, kWidth, kHeight, bits, pattern);
    DotMatrixPrinter printer(24, 180, 180);
    printer.SetPage(bits.data(), kWidth, kWidth, kHeight);
    Bytes body;
    printer.Page(body);
    return body;
}

TEST(GreyPage, PatternNameChoosesTheMatrix)
{
    const std::pair<const char*, OrvESCP::Halfton> cases[] = {
        {"HT_PATSIZE_AUTO", OrvESCP::HalftonAuto},
        {"HT_PATSIZE_6x6_M", OrvESCP::Halfton6x6},
        {"HT_PATSIZE_8x8_M", OrvESCP::Halfton8x8},
        {"HT_PATSIZE_SUPERCELL_M", OrvESCP::HalftonSupercell},
        {"HT_PATSIZE_8X8_M", OrvESCP::HalftonAuto},
        {"", OrvESCP::HalftonAuto},
        {"anything", OrvESCP::HalftonAuto},
    };
    for (const auto& [name, pattern] : cases) {
        SCOPED_TRACE(name);
        const Bytes body = BodyByName(name);
        ASSERT_FALSE(body.empty());
        EXPECT_EQ(body, BodyByPattern(pattern));
    }
    // The patterns really differ on this page.
    EXPECT_NE(BodyByPattern(OrvESCP::Halfton6x6), BodyByPattern(OrvESCP::Halfton8x8));
    EXPECT_NE(BodyByPattern(OrvESCP::Halfton6x6), BodyByPattern(OrvESCP::HalftonSupercell));
}

TEST(GreyPage, MissingOrEmptyPagePrintsNothing)
{
    const Bytes grey(kWidth, 0);
    DotMatrixPrinter printer(24, 180, 180);
    printer.SetPage(nullptr, kWidth, kWidth, 1, "HT_PATSIZE_AUTO");
    printer.SetPage(grey.data(), kWidth, kWidth, 0, "HT_PATSIZE_AUTO");
    Bytes body = {0x99};
    printer.Page(body);
    EXPECT_TRUE(body.empty());
}

}  // namespace
