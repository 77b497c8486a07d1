// SPDX-License-Identifier: Apache-2.0
// DotMatrixPrinter: builds the document, page and body pieces of one printed
// page from its command tables and its ESC/P encoder, and adapts the tables
// to paper, print direction, cash drawer, black-mark paper and cutter.
#include "printer/DotMatrixPrinter.h"

#include "printer/OptionChoices.h"

#include <initializer_list>
#include <map>
#include <utility>

namespace {

// Stored command texts ("<..>" encloses hexadecimal bytes).
const char* const kInitialise = "<1B>@";
const char* const kCarriageReturn = "<0D>";
const char* const kFormFeed = "<0C>";
const char* const kBidirectional = "<1B>U<00>";
const char* const kUnidirectional = "<1B>U<01>";
const char* const kCashDrawerPulse = "<1B><70><00><33><00>";
const char* const kBlackMarkFeed = "<1d><0c>";
const char* const kCutAfterLongFeed = "<1d>V<4270>";
const char* const kCutAfterShortFeed = "<1d>V<4201>";
const char* const kCutNoFeed = "<1d>V<01>";

// Keys, which order the commands within a piece (lowest first).
constexpr int kKeyExtraFormFeed = -1;
constexpr int kKeyInitialise = 0;
constexpr int kKeyFormFeed = 0;
constexpr int kKeyCarriageReturn = 1;
constexpr int kKeyDirection = 1;
constexpr int kKeyPrintMode = 100;
constexpr int kKeyMedia = 101;  // cash drawer, black mark, per-document cut
constexpr int kKeyPageCut = 102;
constexpr int kKeyEndJobInitialise = 104;

// The halftone pattern a name selects; unknown names give the automatic one.
OrvESCP::Halfton PatternFromName(const std::string& name)
{
    if (name == choice::kHalftoneAuto) {
        return OrvESCP::HalftonAuto;
    }
    if (name == choice::kHalftoneSupercell) {
        return OrvESCP::HalftonSupercell;
    }
    if (name == choice::kHalftone8x8) {
        return OrvESCP::Halfton8x8;
    }
    if (name == choice::kHalftone6x6) {
        return OrvESCP::Halfton6x6;
    }
    return OrvESCP::HalftonAuto;
}

// The cut command a cutter choice selects, or null for none.
const char* CutCommand(const std::string& cut)
{
    if (cut == choice::kOption1) {
        return kCutAfterLongFeed;
    }
    if (cut == choice::kOption2 || cut == choice::kOption3) {
        return kCutAfterShortFeed;
    }
    return nullptr;
}

// Joins the texts of the tables in key order and converts them in one go.
void BuildPiece(std::initializer_list<const std::map<int, std::string>*> tables,
                std::vector<unsigned char>& out)
{
    std::string text;
    for (const auto* table : tables) {
        for (const auto& entry : *table) {
            text += entry.second;
        }
    }
    OrvESCP::SequenceToByte(text, out);
}

}  // namespace

DotMatrixPrinter::DotMatrixPrinter(int pinType, int dpiX, int dpiY)
    : encoder(pinType, dpiX, dpiY)
{
    DotMatrixPrinter::StartJobCmd();
    DotMatrixPrinter::StartDocCmd();
    DotMatrixPrinter::StartPageCmd();
    DotMatrixPrinter::EndPageCmd();
    DotMatrixPrinter::EndDocCmd();
    DotMatrixPrinter::EndJobCmd();
}

DotMatrixPrinter::~DotMatrixPrinter() = default;

// The start-job table has no default command.
void DotMatrixPrinter::StartJobCmd() {}

// ESC @ opens the document.
void DotMatrixPrinter::StartDocCmd()
{
    startDoc[kKeyInitialise] = kInitialise;
}

// CR opens the page.
void DotMatrixPrinter::StartPageCmd()
{
    startPage[kKeyCarriageReturn] = kCarriageReturn;
}

// Form feed closes the page.
void DotMatrixPrinter::EndPageCmd()
{
    endPage[kKeyFormFeed] = kFormFeed;
}

// The end-document table has no default command.
void DotMatrixPrinter::EndDocCmd() {}

// ESC @ closes the job.
void DotMatrixPrinter::EndJobCmd()
{
    endJob[kKeyEndJobInitialise] = kInitialise;
}

// A second form feed before the page-end one.
void DotMatrixPrinter::SetEjectPage()
{
    endPage[kKeyExtraFormFeed] = kFormFeed;
}

// True when the encoder can encode a page for this head and resolution.
bool DotMatrixPrinter::CanEncode() const
{
    return encoder.HasProfile();
}

// Encodes a one-bit page into the page body.
void DotMatrixPrinter::SetPage(const unsigned char* bitmap, unsigned long bytesPerLine,
                               unsigned long width, unsigned long height)
{
    encoder.DotMatrix2Page(bitmap, bytesPerLine, width, height);
}

// Dithers a grey page with the named pattern into a bitmap of its own, at
// the one-bit stride, then encodes it.
void DotMatrixPrinter::SetPage(const unsigned char* gray, unsigned long bytesPerLine,
                               unsigned long width, unsigned long height,
                               const std::string& pattern)
{
    if (gray == nullptr) {
        return;
    }
    std::vector<unsigned char> dots((width + 7) / 8 * height + 1);
    SetPage(gray, bytesPerLine, width, height, pattern, dots.data());
}

// Dithers a grey page into `dots` (rows (width + 7) / 8 bytes apart), then
// encodes it.
void DotMatrixPrinter::SetPage(const unsigned char* gray, unsigned long bytesPerLine,
                               unsigned long width, unsigned long height,
                               const std::string& pattern, unsigned char* dots)
{
    if (gray == nullptr || dots == nullptr) {
        return;
    }
    const unsigned long dotBytesPerLine = (width + 7) / 8;
    if (OrvESCP::DitherPage(gray, bytesPerLine, width, height, dots, dotBytesPerLine,
                            PatternFromName(pattern)) != 1) {
        encoder.PrinterData().clear();
        return;
    }
    encoder.DotMatrix2Page(dots, dotBytesPerLine, width, height);
}

void DotMatrixPrinter::SwapPageBody(BodyBytes& storage)
{
    encoder.PrinterData().swap(storage);
}

// Start-job then start-document commands.
void DotMatrixPrinter::SetBodyDrain(OrvESCP::BodyDrain drain, std::size_t partBytes)
{
    encoder.SetBodyDrain(std::move(drain), partBytes);
}
void DotMatrixPrinter::StartDoc(std::vector<unsigned char>& out)
{
    BuildPiece({&startJob, &startDoc}, out);
}

// Start-page commands.
void DotMatrixPrinter::StartPage(std::vector<unsigned char>& out)
{
    BuildPiece({&startPage}, out);
}

// A copy of the encoded page body.
void DotMatrixPrinter::Page(std::vector<unsigned char>& out)
{
    const BodyBytes& body = encoder.PrinterData();
    out.assign(body.begin(), body.end());
}

// The encoder's page body, read in place.
const BodyBytes& DotMatrixPrinter::PageBody()
{
    return encoder.PrinterData();
}

// End-page commands.
void DotMatrixPrinter::EndPage(std::vector<unsigned char>& out)
{
    BuildPiece({&endPage}, out);
}

// End-document then end-job commands.
void DotMatrixPrinter::EndDoc(std::vector<unsigned char>& out)
{
    BuildPiece({&endDoc, &endJob}, out);
}

// Any paper but ticket paper gets an extra form feed at the page end.
void DotMatrixPrinter::SetPaperType(const std::string& type)
{
    if (type != choice::kTicketPaper) {
        SetEjectPage();
    }
}

// Unidirectional printing for "SIMPLEPRN", bidirectional for anything else.
void DotMatrixPrinter::SetPrintMode(const std::string& mode)
{
    startDoc[kKeyPrintMode] = mode == choice::kSimplePrint ? kUnidirectional : kBidirectional;
}

// Cash-drawer pulse after ("Option2") or before ("Option3") the document.
void DotMatrixPrinter::SetCashMode(const std::string& mode)
{
    if (mode == choice::kOption2) {
        endDoc[kKeyMedia] = kCashDrawerPulse;
    } else if (mode == choice::kOption3) {
        startDoc[kKeyMedia] = kCashDrawerPulse;
    }
}

// Black-mark feed after ("Option2") or before ("Option3") the page.
void DotMatrixPrinter::SetBlackMarkMode(const std::string& mode)
{
    if (mode == choice::kOption2) {
        endPage[kKeyMedia] = kBlackMarkFeed;
    } else if (mode == choice::kOption3) {
        startPage[kKeyMedia] = kBlackMarkFeed;
    }
}

// Cut per document ("Option2") or per page ("Option3") with the command
// chosen by `cut`, or per page without feed ("Option4").
void DotMatrixPrinter::SetCutterMode(const std::string& mode, const std::string& cut)
{
    if (mode == choice::kOption2) {
        if (const char* command = CutCommand(cut)) {
            endDoc[kKeyMedia] = command;
        }
    } else if (mode == choice::kOption3) {
        if (const char* command = CutCommand(cut)) {
            endPage[kKeyPageCut] = command;
        }
    } else if (mode == choice::kOption4) {
        endPage[kKeyPageCut] = kCutNoFeed;
    }
}

// Print direction at the document start.
void DotMatrixPrinter::SetUniDirection(bool on)
{
    startDoc[kKeyDirection] = on ? kUnidirectional : kBidirectional;
}
