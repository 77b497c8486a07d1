// MediaOptions: the job's media and finishing choices (paper type, print
// direction and mode, cash drawer, black-mark paper, cutter), read once per
// job from the job's options or the PPD, and applied to each page's printer
// object. The PPD option keywords and their choices:
//   RidevPaperType      TICKET (default) | any other paper type: extra form feed
//   RidevPrintDirection PrinterDefault (default) | Bidirectional | Unidirectional
//   RidevPrintMode      PrinterDefault (default) | DOUBLEPRN | SIMPLEPRN
//   RidevCashDrawer     Option1 (default, none) | Option2 after | Option3 before the document
//   RidevBlackMark      Option1 (default, none) | Option2 after | Option3 before each page
//   RidevCutter         Option1 (default, none) | Option2 per document |
//                       Option3 per page | Option4 per page without feed
//   RidevCutType        Option1 (default, long feed) | Option2 | Option3 (short feed)
// The default choices change nothing: a job that sets none of them prints
// exactly the default page frame.
#ifndef RIDEVEDUDARUZO_FILTER_MEDIAOPTIONS_H
#define RIDEVEDUDARUZO_FILTER_MEDIAOPTIONS_H

#include <string>

#include <cups/cups.h>

class DotMatrixPrinter;
class PpdFile;

class MediaOptions {
public:
    // Reads the choices (see Choice); an option set by neither the PPD nor
    // the job stays empty and is not applied.
    // The PPD may be null.
    MediaOptions(const PpdFile* ppd, int numOptions, cups_option_t* options);

    // Writes the chosen settings into a freshly built printer object.
    void ApplyTo(DotMatrixPrinter& printer) const;

    // The same settings without the commands that belong to the document's
    // start and end (cash-drawer pulse, cut after the document): what the
    // pages inside a document of several pages are framed with.
    MediaOptions WithoutDocumentCommands() const;
    // True when the settings put commands at the document's start or end.
    bool HasDocumentCommands() const;

    // The value of one option: the PPD's marked choice (job options are
    // marked in it) when the PPD offers the option, else the job option,
    // else "".
    static std::string Choice(const PpdFile* ppd, int numOptions, cups_option_t* options,
                              const char* keyword);

private:
    std::string paperType;
    std::string printDirection;
    std::string printMode;
    std::string cashDrawer;
    std::string blackMark;
    std::string cutter;
    std::string cutType;
};

#endif
