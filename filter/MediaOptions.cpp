// MediaOptions: reads the media and finishing choices of a job and applies
// them to the printer object of each page.
#include "filter/MediaOptions.h"

#include "printer/DotMatrixPrinter.h"

namespace {

constexpr const char* kPaperTypeOption = "RidevPaperType";
constexpr const char* kPrintDirectionOption = "RidevPrintDirection";
constexpr const char* kPrintModeOption = "RidevPrintMode";
constexpr const char* kCashDrawerOption = "RidevCashDrawer";
constexpr const char* kBlackMarkOption = "RidevBlackMark";
constexpr const char* kCutterOption = "RidevCutter";
constexpr const char* kCutTypeOption = "RidevCutType";

// Paper that needs no extra form feed; also the PPD's default choice.
constexpr const char* kTicketPaper = "TICKET";
// Cut with the long feed when the job names no cut type.
constexpr const char* kDefaultCutType = "Option1";

}  // namespace

// Reads every media and finishing choice of the job.
MediaOptions::MediaOptions(ppd_file_t* ppd, int numOptions, cups_option_t* options)
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

// Returns the job's value of an option, else the PPD's marked choice.
std::string MediaOptions::Choice(ppd_file_t* ppd, int numOptions, cups_option_t* options,
                                 const char* keyword)
{
    if (const char* value = cupsGetOption(keyword, numOptions, options))
        return value;
    if (ppd == nullptr)
        return "";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, keyword);
#pragma GCC diagnostic pop
    return marked != nullptr ? marked->choice : "";
}

// Applies the settings; the cutter goes last, so that of a cash-drawer pulse
// and a per-document cut (which share one place at the end of the
// document) the cut is kept.
void MediaOptions::ApplyTo(DotMatrixPrinter& printer) const
{
    if (!paperType.empty() && paperType != kTicketPaper)
        printer.SetPaperType(paperType);
    if (printDirection == "Unidirectional")
        printer.SetUniDirection(true);
    else if (printDirection == "Bidirectional")
        printer.SetUniDirection(false);
    if (printMode == "DOUBLEPRN" || printMode == "SIMPLEPRN")
        printer.SetPrintMode(printMode);
    if (!cashDrawer.empty())
        printer.SetCashMode(cashDrawer);
    if (!blackMark.empty())
        printer.SetBlackMarkMode(blackMark);
    if (!cutter.empty())
        printer.SetCutterMode(cutter, cutType);
}
