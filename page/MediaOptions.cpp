// SPDX-License-Identifier: Apache-2.0
// MediaOptions: a job's choices and how they set up the printer object.
#include "page/MediaOptions.h"

#include <cstring>

#include "printer/DotMatrixPrinter.h"
#include "printer/OptionChoices.h"

using options::Option;

namespace {

// True when the two choice names are the same.
bool Is(const char* name, const char* choiceName)
{
    return std::strcmp(name, choiceName) == 0;
}

}  // namespace

MediaOptions::MediaOptions()
{
    for (std::size_t i = 0; i < options::OptionCount(); ++i)
        chosen.push_back(options::AllOptions()[i].defaultChoice);
}

void MediaOptions::Set(Option option, std::size_t choice)
{
    if (choice < options::Spec(option).numChoices)
        chosen[static_cast<std::size_t>(option)] = choice;
}

std::size_t MediaOptions::Get(Option option) const
{
    return chosen[static_cast<std::size_t>(option)];
}

const char* MediaOptions::PpdName(Option option) const
{
    return options::Spec(option).choices[Get(option)].ppdName;
}

// Applies the settings; the cutter goes last, so that of a cash-drawer pulse
// and a per-document cut (which share one place at the end of the
// document) the cut is kept. Default choices set nothing.
void MediaOptions::ApplyTo(DotMatrixPrinter& printer) const
{
    const char* paperType = PpdName(Option::PaperType);
    if (!Is(paperType, choice::kTicketPaper))
        printer.SetPaperType(paperType);
    const char* direction = PpdName(Option::PrintDirection);
    if (Is(direction, choice::kUnidirectional))
        printer.SetUniDirection(true);
    else if (Is(direction, choice::kBidirectional))
        printer.SetUniDirection(false);
    const char* mode = PpdName(Option::PrintMode);
    if (Is(mode, choice::kDoublePrint) || Is(mode, choice::kSimplePrint))
        printer.SetPrintMode(mode);
    printer.SetCashMode(PpdName(Option::CashDrawer));
    printer.SetBlackMarkMode(PpdName(Option::BlackMark));
    printer.SetCutterMode(PpdName(Option::Cutter), PpdName(Option::CutType));
}

MediaOptions MediaOptions::WithoutDocumentCommands() const
{
    MediaOptions inside = *this;
    const options::OptionSpec& drawer = options::Spec(Option::CashDrawer);
    inside.Set(Option::CashDrawer, drawer.defaultChoice);
    if (Is(PpdName(Option::Cutter), choice::kOption2))
        inside.Set(Option::Cutter, options::Spec(Option::Cutter).defaultChoice);
    return inside;
}

bool MediaOptions::HasDocumentCommands() const
{
    const char* drawer = PpdName(Option::CashDrawer);
    const bool pulse = Is(drawer, choice::kOption2) || Is(drawer, choice::kOption3);
    return pulse || Is(PpdName(Option::Cutter), choice::kOption2);
}
