// SPDX-License-Identifier: Apache-2.0
// OptionTable: the job options and print heads.
#include "page/OptionTable.h"

#include <strings.h>

#include <cstring>

#include "printer/OptionChoices.h"

namespace options {
namespace {

constexpr ChoiceSpec kGreyShades[] = {
    {choice::kBlackWhite, nullptr, "Black and White"},
    {choice::kHalftoned, nullptr, "Halftoned Grey"},
};
constexpr ChoiceSpec kHalftones[] = {
    {choice::kHalftoneAuto, "auto", "Automatic"},
    {choice::kHalftoneSupercell, "supercell-16x16", "Supercell 16 x 16"},
    {choice::kHalftone6x6, "matrix-6x6", "6 x 6 Matrix"},
    {choice::kHalftone8x8, "matrix-8x8", "8 x 8 Matrix"},
};
constexpr ChoiceSpec kPaperTypes[] = {
    {choice::kTicketPaper, "continuous", "Continuous or Roll Paper"},
    {choice::kSheetPaper, "single-sheets", "Single Sheets (Extra Form Feed)"},
};
// Both options set the direction the head prints in (ESC U); the second
// is sent after the first, so when it is set it decides.
constexpr ChoiceSpec kPrintDirections[] = {
    {choice::kPrinterDefault, "printer-setting", "Printer Setting"},
    {choice::kBidirectional, "bidirectional", "Both Ways (Faster)"},
    {choice::kUnidirectional, "unidirectional", "One Way (Sharper Lines)"},
};
constexpr ChoiceSpec kPrintModes[] = {
    {choice::kPrinterDefault, "printer-setting", "No Override"},
    {choice::kDoublePrint, "bidirectional", "Both Ways, Whatever the Print Direction"},
    {choice::kSimplePrint, "unidirectional", "One Way, Whatever the Print Direction"},
};
constexpr ChoiceSpec kCashDrawers[] = {
    {choice::kOption1, "none", "Do Not Open"},
    {choice::kOption2, "after-document", "Open After the Document"},
    {choice::kOption3, "before-document", "Open Before the Document"},
};
constexpr ChoiceSpec kBlackMarks[] = {
    {choice::kOption1, "none", "No Black Mark"},
    {choice::kOption2, "after-page", "Feed to the Mark After Each Page"},
    {choice::kOption3, "before-page", "Feed to the Mark Before Each Page"},
};
constexpr ChoiceSpec kCutters[] = {
    {choice::kOption1, "none", "Do Not Cut"},
    {choice::kOption2, "after-document", "Cut After the Document"},
    {choice::kOption3, "after-page", "Cut After Each Page"},
    {choice::kOption4, "after-page-no-feed", "Cut After Each Page Without Feed"},
};
constexpr ChoiceSpec kCutTypes[] = {
    {choice::kOption1, "long", "Long Feed Before the Cut"},
    {choice::kOption2, "short", "Short Feed Before the Cut"},
    {choice::kOption3, "short-alternative", "Short Feed Before the Cut (Alternative)"},
};

template <std::size_t N>
constexpr OptionSpec Entry(Option option, const char* ppdKeyword, const char* ippAttribute,
                           const char* label, const ChoiceSpec (&choices)[N])
{
    return {option, ppdKeyword, ippAttribute, label, choices, N, 0};
}

// In the order of the Option enum; every default is the first choice.
constexpr OptionSpec kOptions[] = {
    Entry(Option::GreyShades, "RidevGreyShades", nullptr, "Grey Shades", kGreyShades),
    Entry(Option::Halftone, "RidevHalftone", "ridev-halftone", "Halftone Pattern", kHalftones),
    Entry(Option::PaperType, "RidevPaperType", "ridev-paper-type", "Paper Type", kPaperTypes),
    Entry(Option::PrintDirection, "RidevPrintDirection", "ridev-print-direction", "Print Direction",
          kPrintDirections),
    Entry(Option::PrintMode, "RidevPrintMode", "ridev-print-mode", "Print Direction Override",
          kPrintModes),
    Entry(Option::CashDrawer, "RidevCashDrawer", "ridev-cash-drawer", "Cash Drawer", kCashDrawers),
    Entry(Option::BlackMark, "RidevBlackMark", "ridev-black-mark", "Black Mark Paper", kBlackMarks),
    Entry(Option::Cutter, "RidevCutter", "ridev-cutter", "Cutter", kCutters),
    Entry(Option::CutType, "RidevCutType", "ridev-cut-feed", "Cut Feed", kCutTypes),
};

// 360 x 360 dpi (24 and 18 pins) and 160 x 144 dpi (9 pins) print each band
// in two interleaved passes; at 180 x 180 dpi the 18-pin head covers 72
// rows in one pass.
constexpr Resolution kEscpResolutions[] = {{360, 360}, {360, 180}, {180, 180}, {120, 180}};
constexpr Resolution kReceiptResolutions[] = {{160, 144}, {160, 72}, {80, 72}};

// The 24- and 18-pin heads print on office paper; the 9-pin head is a
// receipt printer's, with a 76 mm roll.
constexpr HeadSpec kHeads[] = {
    {24, Dialect::Escp, "ridev24", "ESC/P 24-Pin Dot Matrix", kEscpResolutions, 4, 2, nullptr},
    {18, Dialect::Escp, "ridev18", "ESC/P 18-Pin Dot Matrix", kEscpResolutions, 4, 2, nullptr},
    {9, Dialect::ImpactReceipt, "ridev9", "ESC/P 9-Pin Dot Matrix", kReceiptResolutions, 3, 1,
     "oe_76mm-roll_3x11in"},
};

// The US fan-fold form runs 14 7/8 inches across the tractor and 11 inches
// from fold to fold, the other way round from the standard size of that
// name, hence a name of its own.
constexpr MediaSpec kMedia[] = {
    {"na_letter_8.5x11in", "Letter", "US Letter"},
    {"iso_a4_210x297mm", "A4", "A4"},
    {"na_legal_8.5x14in", "Legal", "US Legal"},
    {"iso_a5_148x210mm", "A5", "A5"},
    {"na_executive_7.25x10.5in", "Executive", "Executive"},
    {"oe_76mm-roll_3x11in", "3x11", "Roll 3 in (76 mm), 11 in Pages"},
    {"oe_58mm-roll_2.25x11in", "2.25x11", "Roll 2.25 in (58 mm), 11 in Pages"},
    {"oe_letter-fanfold_8.5x11in", "Letter.FanFold", "Continuous 8.5 x 11 in"},
    {"na_german-std-fanfold_8.5x12in", "FanFoldGerman", "European Fanfold"},
    {"oe_us-fanfold_14.875x11in", "FanFoldUS", "US Fanfold"},
};

}  // namespace

const OptionSpec* AllOptions()
{
    return kOptions;
}

std::size_t OptionCount()
{
    return sizeof kOptions / sizeof kOptions[0];
}

const OptionSpec& Spec(Option option)
{
    return kOptions[static_cast<std::size_t>(option)];
}

std::size_t ChoiceByPpdName(const OptionSpec& spec, const char* name)
{
    for (std::size_t i = 0; name != nullptr && i < spec.numChoices; ++i) {
        if (strcasecmp(spec.choices[i].ppdName, name) == 0)
            return i;
    }
    return spec.defaultChoice;
}

std::size_t ChoiceByKeyword(const OptionSpec& spec, const char* keyword)
{
    for (std::size_t i = 0; keyword != nullptr && i < spec.numChoices; ++i) {
        const char* own = spec.choices[i].ippKeyword;
        if (own != nullptr && std::strcmp(own, keyword) == 0)
            return i;
    }
    return spec.defaultChoice;
}

const HeadSpec* AllHeads()
{
    return kHeads;
}

std::size_t HeadCount()
{
    return sizeof kHeads / sizeof kHeads[0];
}

const HeadSpec* FindHead(int pins)
{
    for (const HeadSpec& head : kHeads) {
        if (head.pins == pins)
            return &head;
    }
    return nullptr;
}

const MediaSpec* AllMedia()
{
    return kMedia;
}

std::size_t MediaCount()
{
    return sizeof kMedia / sizeof kMedia[0];
}

}  // namespace options
