// SPDX-License-Identifier: Apache-2.0
// Command sequence text: "<..>" groups of hexadecimal pairs and literal
// characters converted to bytes, malformed text handled without reading past
// its end, and the digit helpers.
#include <gtest/gtest.h>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;
using escptest::Hex;

namespace {

struct TextCase {
    std::string text;
    Bytes expected;
};

TEST(CommandText, ConvertsToBytes)
{
    const TextCase cases[] = {
        // The framing texts.
        {"<1B>@", {0x1B, 0x40}},
        {"<0D>", {0x0D}},
        {"<0C>", {0x0C}},
        {"<1B>U<00>", {0x1B, 0x55, 0x00}},
        {"<1B>U<01>", {0x1B, 0x55, 0x01}},
        {"<1B><70><00><33><00>", {0x1B, 0x70, 0x00, 0x33, 0x00}},
        {"<1d><0c>", {0x1D, 0x0C}},
        {"<1d>V<4270>", {0x1D, 0x56, 0x42, 0x70}},
        {"<1d>V<4201>", {0x1D, 0x56, 0x42, 0x01}},
        {"<1d>V<01>", {0x1D, 0x56, 0x01}},
        // Notation details.
        {"", {}},
        {"@<>@", {0x40, 0x40}},
        {"<1b><aF>", {0x1B, 0xAF}},
        {">", {0x3E}},
        {"<42><70>", {0x42, 0x70}},
        {"A\xE9Z", {0x41, 0xE9, 0x5A}},
        {"<0G><G0><1G>", {0xFF, 0xF0, 0x0F}},
        // Malformed text: an open group ends with the text, a lone digit
        // before ">" or at the end is dropped.
        {"<", {}},
        {"<1", {}},
        {"<1B", {0x1B}},
        {"<1B4", {0x1B}},
        {"<1>@", {0x40}},
        {"<123>@", {0x12, 0x40}},
        {"<1B>>", {0x1B, 0x3E}},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        Bytes out = {0x99, 0x98};  // replaced, not appended to
        OrvESCP::SequenceToByte(c.text, out);
        EXPECT_EQ(Hex(out), Hex(c.expected));
    }
}

TEST(CommandText, DigitValues)
{
    const std::pair<char, int> digits[] = {{'0', 0},  {'9', 9},  {'A', 10}, {'F', 15}, {'a', 10},
                                           {'f', 15}, {'G', -1}, {'<', -1}, {' ', -1}};
    for (const auto& [c, value] : digits) {
        SCOPED_TRACE(c);
        EXPECT_EQ(OrvESCP::Char2Num(c), static_cast<char>(value));
    }
    const std::pair<const char*, int> pairs[] = {{"00", 0x00}, {"7f", 0x7F}, {"FF", 0xFF},
                                                 {"0G", 0xFF}, {"G0", 0xF0}, {"1G", 0x0F}};
    for (const auto& [text, value] : pairs) {
        SCOPED_TRACE(text);
        EXPECT_EQ(OrvESCP::HexToNum(text), value);
    }
}

TEST(CommandText, DecimalHelpers)
{
    Bytes out;
    OrvESCP::NumSpilit(1, out);
    OrvESCP::NumSpilit(20, out);
    EXPECT_EQ(Hex(out), "31 32 30");
    out.clear();
    OrvESCP::NumSpilit(305, out);
    OrvESCP::NumSpilit(0, out);
    EXPECT_EQ(Hex(out), "33 30 35 30");

    EXPECT_EQ(OrvESCP::Num2String(-1), "");
    EXPECT_EQ(OrvESCP::Num2String(0), "0");
    EXPECT_EQ(OrvESCP::Num2String(42), "42");
}

}  // namespace
