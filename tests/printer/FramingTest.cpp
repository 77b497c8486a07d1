// SPDX-License-Identifier: Apache-2.0
// Page framing: the default document, page and body pieces, that pieces
// replace their output, the page body as the encoder made it, and printers
// whose encoder cannot encode.
#include <gtest/gtest.h>

#include "printer/DotMatrixPrinter.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::AsBytes;
using escptest::Bytes;
using escptest::Hex;
using escptest::OneBitPage;

namespace {

using Piece = void (DotMatrixPrinter::*)(std::vector<unsigned char>&);

TEST(Framing, DefaultPieces)
{
    const std::pair<Piece, const char*> pieces[] = {
        {&DotMatrixPrinter::StartDoc, "1B 40"}, {&DotMatrixPrinter::StartPage, "0D"},
        {&DotMatrixPrinter::Page, ""},          {&DotMatrixPrinter::EndPage, "0C"},
        {&DotMatrixPrinter::EndDoc, "1B 40"},
    };
    DotMatrixPrinter printer(24, 180, 180);
    for (const auto& [piece, expected] : pieces) {
        SCOPED_TRACE(expected);
        Bytes out = {0x99};  // replaced, not appended to
        (printer.*piece)(out);
        EXPECT_EQ(Hex(out), expected);
        (printer.*piece)(out);
        EXPECT_EQ(Hex(out), expected);
    }
}

TEST(Framing, PageIsTheEncodedBody)
{
    OneBitPage page(4, 60);
    page.InkRect(3, 10, 20, 40);
    OrvESCP encoder(24, 180, 180);
    encoder.DotMatrix2Page(page.Data(), 4, 32, 60);
    ASSERT_FALSE(encoder.PrinterData().empty());

    DotMatrixPrinter printer(24, 180, 180);
    printer.SetPage(page.Data(), 4, 32, 60);
    Bytes out = {0x99};
    printer.Page(out);
    EXPECT_EQ(out, AsBytes(encoder.PrinterData()));
    printer.Page(out);
    EXPECT_EQ(out, AsBytes(encoder.PrinterData()));
}

TEST(Framing, CanEncodeFollowsTheProfile)
{
    const std::tuple<int, int, int, bool> cases[] = {
        {24, 360, 360, true}, {18, 180, 180, true},  {9, 160, 144, true},
        {9, 360, 360, false}, {12, 180, 180, false},
    };
    OneBitPage page(1, 48);
    page.InkRect(0, 0, 7, 47);
    for (const auto& [pins, dpiX, dpiY, canEncode] : cases) {
        SCOPED_TRACE(testing::Message() << pins << " pins at " << dpiX << " x " << dpiY);
        DotMatrixPrinter printer(pins, dpiX, dpiY);
        EXPECT_EQ(printer.CanEncode(), canEncode);
        printer.SetPage(page.Data(), 1, 8, 48);
        Bytes body;
        printer.Page(body);
        EXPECT_EQ(body.empty(), !canEncode);
    }
}

// A printer that counts eject requests instead of adding a form feed.
class MarkedEjectPrinter : public DotMatrixPrinter {
public:
    MarkedEjectPrinter()
        : DotMatrixPrinter(24, 180, 180)
    {
    }
    void SetEjectPage() override { ejectCalls++; }
    int ejectCalls = 0;
};

TEST(Framing, PaperTypeCallsTheOverriddenEject)
{
    MarkedEjectPrinter printer;
    printer.SetPaperType("A4");
    EXPECT_EQ(printer.ejectCalls, 1);
    Bytes out;
    printer.EndPage(out);
    EXPECT_EQ(Hex(out), "0C");
}

}  // namespace
