// MediaOptions: reads the media and finishing choices of a job and applies
// them to the printer object of each page.
#include "filter/MediaOptions.h"

#include "filter/PpdFile.h"
#include "printer/DotMatrixPrinter.h"
#include "printer/OptionChoices.h"

namespace {

constexpr const char* kPaperTypeOption = "RidevPaperType";
constexpr const char* kPrintDirectionOption = "RidevPrintDirection";
constexpr const char* kPrintModeOption = "RidevPrintMode";
constexpr const char* kCashDrawerOption = "RidevCashDrawer";
constexpr const char* kBlackMarkOption = "RidevBlackMark";
constexpr const char* kCutterOption = "RidevCutter";
constexpr const char* kCutTypeOption = "RidevCutType";

// Cut with the long feed when the job names no cut type.
constexpr const char* kDefaultCutType = choice::kOption1;

}  // namespace

// Reads every media and finishing choice of the job.
MediaOptions::MediaOptions(const PpdFile* ppd, int numOptions, cups_option_t* options)
    : paperType(Choice(ppd, numOptions, options, kPaperTypeOption)),
      printDirection(Choice(ppd, numOptions, options, kPrintDirectionOption)),
      printMode(Choice(ppd, numOptions, options, kPrintModeOption)),
      cashDrawer(Choice(ppd, numOptions, options, kCashDrawerOption)),
      blackMark(Choice(ppd, numOptions, options, kBlackMarkOption)),
      cutter(Choice(ppd, numOptions, options, kCutterOption)),
      cutType(Choice(ppd, numOptions, options, kCutTypeOption))
{
    if (cutType.empty())
        cutType = kDefaultCutType;
}

// Returns the PPD's marked choice of an option it offers: the job's value
// as the PPD spells it, matched without regard to case as libcups marks
// it, or the PPD's default for a value the PPD does not offer. For an
// option the PPD does not offer, the job's value as given.
std::string MediaOptions::Choice(const PpdFile* ppd, int numOptions, cups_option_t* options,
                                 const char* keyword)
{
    if (ppd != nullptr && ppd->HasOption(keyword))
        return ppd->MarkedChoice(keyword);
    const char* value = cupsGetOption(keyword, numOptions, options);
    return value != nullptr ? value : "";
}

MediaOptions MediaOptions::WithoutDocumentCommands() const
{
    MediaOptions inside = *this;
    inside.cashDrawer.clear();
    if (inside.cutter == choice::kOption2)
        inside.cutter.clear();
    return inside;
}

bool MediaOptions::HasDocumentCommands() const
{
    const bool drawer = cashDrawer == choice::kOption2 || cashDrawer == choice::kOption3;
    return drawer || cutter == choice::kOption2;
}

// Applies the settings; the cutter goes last, so that of a cash-drawer pulse
// and a per-document cut (which share one place at the end of the
// document) the cut is kept.
void MediaOptions::ApplyTo(DotMatrixPrinter& printer) const
{
    // Ticket paper, the PPD's default, needs no setting.
    if (!paperType.empty() && paperType != choice::kTicketPaper)
        printer.SetPaperType(paperType);
    if (printDirection == choice::kUnidirectional)
        printer.SetUniDirection(true);
    else if (printDirection == choice::kBidirectional)
        printer.SetUniDirection(false);
    if (printMode == choice::kDoublePrint || printMode == choice::kSimplePrint)
        printer.SetPrintMode(printMode);
    if (!cashDrawer.empty())
        printer.SetCashMode(cashDrawer);
    if (!blackMark.empty())
        printer.SetBlackMarkMode(blackMark);
    if (!cutter.empty())
        printer.SetCutterMode(cutter, cutType);
}
