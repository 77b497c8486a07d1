// SPDX-License-Identifier: Apache-2.0
// Media and finishing settings: which command each setting puts into which
// piece, the order of commands within a piece, and later settings replacing
// earlier ones.
#include <gtest/gtest.h>

#include <functional>

#include "printer/DotMatrixPrinter.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;
using escptest::Hex;

namespace {

using Piece = void (DotMatrixPrinter::*)(std::vector<unsigned char>&);

struct SettingCase {
    const char* name;
    std::function<void(DotMatrixPrinter&)> apply;
    Piece piece;
    const char* expected;
};

TEST(Settings, CommandsLandInTheirPiecesInKeyOrder)
{
    const Piece startDoc = &DotMatrixPrinter::StartDoc;
    const Piece startPage = &DotMatrixPrinter::StartPage;
    const Piece endPage = &DotMatrixPrinter::EndPage;
    const Piece endDoc = &DotMatrixPrinter::EndDoc;
    const SettingCase cases[] = {
        {"ticket paper", [](auto& p) { p.SetPaperType("TICKET"); }, endPage, "0C"},
        {"other paper", [](auto& p) { p.SetPaperType("A4"); }, endPage, "0C 0C"},
        {"empty paper name", [](auto& p) { p.SetPaperType(""); }, endPage, "0C 0C"},
        {"ticket in lower case", [](auto& p) { p.SetPaperType("ticket"); }, endPage, "0C 0C"},
        {"paper twice",
         [](auto& p) {
             p.SetPaperType("A4");
             p.SetPaperType("A4");
         },
         endPage, "0C 0C"},
        {"eject", [](auto& p) { p.SetEjectPage(); }, endPage, "0C 0C"},
        {"single-direction mode", [](auto& p) { p.SetPrintMode("SIMPLEPRN"); }, startDoc,
         "1B 40 1B 55 01"},
        {"double-direction mode", [](auto& p) { p.SetPrintMode("DOUBLEPRN"); }, startDoc,
         "1B 40 1B 55 00"},
        {"unknown mode", [](auto& p) { p.SetPrintMode("simpleprn"); }, startDoc, "1B 40 1B 55 00"},
        {"unidirection on", [](auto& p) { p.SetUniDirection(true); }, startDoc, "1B 40 1B 55 01"},
        {"unidirection off", [](auto& p) { p.SetUniDirection(false); }, startDoc, "1B 40 1B 55 00"},
        {"direction before mode",
         [](auto& p) {
             p.SetPrintMode("DOUBLEPRN");
             p.SetUniDirection(true);
         },
         startDoc, "1B 40 1B 55 01 1B 55 00"},
        {"cash drawer before the document", [](auto& p) { p.SetCashMode("Option3"); }, startDoc,
         "1B 40 1B 70 00 33 00"},
        {"cash drawer after the document", [](auto& p) { p.SetCashMode("Option2"); }, endDoc,
         "1B 70 00 33 00 1B 40"},
        {"no cash drawer", [](auto& p) { p.SetCashMode("Option1"); }, endDoc, "1B 40"},
        {"cash value in lower case", [](auto& p) { p.SetCashMode("option2"); }, endDoc, "1B 40"},
        {"cut replaces the cash drawer",
         [](auto& p) {
             p.SetCashMode("Option2");
             p.SetCutterMode("Option2", "Option1");
         },
         endDoc, "1D 56 42 70 1B 40"},
        {"cash drawer replaces the cut",
         [](auto& p) {
             p.SetCutterMode("Option2", "Option1");
             p.SetCashMode("Option2");
         },
         endDoc, "1B 70 00 33 00 1B 40"},
        {"black mark before the page", [](auto& p) { p.SetBlackMarkMode("Option3"); }, startPage,
         "0D 1D 0C"},
        {"black mark after the page", [](auto& p) { p.SetBlackMarkMode("Option2"); }, endPage,
         "0C 1D 0C"},
        {"no black mark", [](auto& p) { p.SetBlackMarkMode("Option9"); }, endPage, "0C"},
        {"cut per document, short feed", [](auto& p) { p.SetCutterMode("Option2", "Option3"); },
         endDoc, "1D 56 42 01 1B 40"},
        {"cut per document, unknown cut", [](auto& p) { p.SetCutterMode("Option2", "Option4"); },
         endDoc, "1B 40"},
        {"cut per page, long feed", [](auto& p) { p.SetCutterMode("Option3", "Option1"); }, endPage,
         "0C 1D 56 42 70"},
        {"cut per page, unknown cut", [](auto& p) { p.SetCutterMode("Option3", ""); }, endPage,
         "0C"},
        {"cut without feed", [](auto& p) { p.SetCutterMode("Option4", "anything"); }, endPage,
         "0C 1D 56 01"},
        {"no cutter", [](auto& p) { p.SetCutterMode("Option1", "Option1"); }, endPage, "0C"},
        {"page end order",
         [](auto& p) {
             p.SetCutterMode("Option3", "Option2");
             p.SetBlackMarkMode("Option2");
             p.SetPaperType("A4");
         },
         endPage, "0C 0C 1D 0C 1D 56 42 01"},
        {"document start order",
         [](auto& p) {
             p.SetCashMode("Option3");
             p.SetPrintMode("SIMPLEPRN");
             p.SetUniDirection(false);
         },
         startDoc, "1B 40 1B 55 00 1B 55 01 1B 70 00 33 00"},
    };
    for (const SettingCase& c : cases) {
        SCOPED_TRACE(c.name);
        DotMatrixPrinter printer(24, 180, 180);
        c.apply(printer);
        Bytes out;
        (printer.*c.piece)(out);
        EXPECT_EQ(Hex(out), c.expected);
    }
}

}  // namespace
