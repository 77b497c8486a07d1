// VendorOptions: the printer's own job attributes and their PPD choices.
#include "printerapp/VendorOptions.h"

#include <cstring>

#include "printer/OptionChoices.h"

namespace {

// PPD option names read by the page encoder outside MediaOptions.
constexpr const char* kHalftoneOption = "RidevHalftone";
constexpr const char* kCutterOption = "RidevCutter";
// The cutter choice that `finishings` `trim` stands for: cut after each page.
constexpr const char* kCutEachPage = choice::kOption3;
// The cutter choice that does not cut.
constexpr const char* kNoCut = choice::kOption1;

constexpr VendorChoice kHalftones[] = {
    {"auto", choice::kHalftoneAuto, "Automatic"},
    {"supercell-16x16", choice::kHalftoneSupercell, "Supercell 16 x 16"},
    {"matrix-6x6", choice::kHalftone6x6, "6 x 6 Matrix"},
    {"matrix-8x8", choice::kHalftone8x8, "8 x 8 Matrix"},
};
constexpr VendorChoice kPaperTypes[] = {
    {"continuous", choice::kTicketPaper, "Continuous or Roll Paper"},
    {"single-sheets", "SHEET", "Single Sheets (Extra Form Feed)"},
};
constexpr VendorChoice kPrintDirections[] = {
    {"printer-setting", "PrinterDefault", "Printer Setting"},
    {"bidirectional", choice::kBidirectional, "Bidirectional"},
    {"unidirectional", choice::kUnidirectional, "Unidirectional"},
};
constexpr VendorChoice kPrintModes[] = {
    {"printer-setting", "PrinterDefault", "Printer Setting"},
    {"bidirectional", choice::kDoublePrint, "Bidirectional Mode"},
    {"unidirectional", choice::kSimplePrint, "Unidirectional Mode"},
};
constexpr VendorChoice kCashDrawers[] = {
    {"none", choice::kOption1, "Do Not Open"},
    {"after-document", choice::kOption2, "Open After the Document"},
    {"before-document", choice::kOption3, "Open Before the Document"},
};
constexpr VendorChoice kBlackMarks[] = {
    {"none", choice::kOption1, "No Black Mark"},
    {"after-page", choice::kOption2, "Feed to the Mark After Each Page"},
    {"before-page", choice::kOption3, "Feed to the Mark Before Each Page"},
};
constexpr VendorChoice kCutters[] = {
    {"none", choice::kOption1, "Do Not Cut"},
    {"after-document", choice::kOption2, "Cut After the Document"},
    {"after-page", choice::kOption3, "Cut After Each Page"},
    {"after-page-no-feed", choice::kOption4, "Cut After Each Page Without Feed"},
};
constexpr VendorChoice kCutFeeds[] = {
    {"long", choice::kOption1, "Long Feed Before the Cut"},
    {"short", choice::kOption2, "Short Feed Before the Cut"},
    {"short-alternative", choice::kOption3, "Short Feed Before the Cut (Alternative)"},
};

template <std::size_t N>
constexpr VendorOption Option(const char* attribute, const char* ppdOption, const char* label,
                              const VendorChoice (&choices)[N])
{
    return {attribute, ppdOption, label, choices, N};
}

const VendorOption kOptions[] = {
    Option("ridev-halftone", kHalftoneOption, "Halftone Pattern", kHalftones),
    Option("ridev-paper-type", "RidevPaperType", "Paper Type", kPaperTypes),
    Option("ridev-print-direction", "RidevPrintDirection", "Print Direction", kPrintDirections),
    Option("ridev-print-mode", "RidevPrintMode", "Print Mode", kPrintModes),
    Option("ridev-cash-drawer", "RidevCashDrawer", "Cash Drawer", kCashDrawers),
    Option("ridev-black-mark", "RidevBlackMark", "Black Mark Paper", kBlackMarks),
    Option("ridev-cutter", kCutterOption, "Cutter", kCutters),
    Option("ridev-cut-feed", "RidevCutType", "Cut Feed", kCutFeeds),
};

// The PPD choice of an attribute value; the default choice for a value the
// attribute does not have.
const char* PpdChoice(const VendorOption& option, const char* keyword)
{
    for (std::size_t i = 0; keyword != nullptr && i < option.numChoices; ++i) {
        if (std::strcmp(option.choices[i].keyword, keyword) == 0)
            return option.choices[i].ppdChoice;
    }
    return option.choices[0].ppdChoice;
}

// Frees a CUPS option list when it goes out of scope.
class OptionList {
public:
    OptionList() = default;
    ~OptionList() { cupsFreeOptions(count, options); }
    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

    // Sets one option.
    void Add(const char* name, const char* value)
    {
        count = cupsAddOption(name, value, count, &options);
    }

    int count = 0;
    cups_option_t* options = nullptr;
};

}  // namespace

const VendorOption* VendorOptions::All()
{
    return kOptions;
}

std::size_t VendorOptions::Count()
{
    return sizeof kOptions / sizeof kOptions[0];
}

// Names every attribute and lists its keywords and default.
void VendorOptions::Advertise(pappl_pr_driver_data_t& driverData, ipp_t* driverAttributes)
{
    driverData.num_vendor = 0;
    for (const VendorOption& option : kOptions) {
        driverData.vendor[driverData.num_vendor++] = option.attribute;
        const std::string supported = std::string(option.attribute) + "-supported";
        const std::string byDefault = std::string(option.attribute) + "-default";
        ipp_attribute_t* values =
            ippAddStrings(driverAttributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(),
                          static_cast<int>(option.numChoices), nullptr, nullptr);
        for (std::size_t i = 0; i < option.numChoices; ++i)
            ippSetString(driverAttributes, &values, static_cast<int>(i), option.choices[i].keyword);
        ippAddString(driverAttributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, byDefault.c_str(), nullptr,
                     option.choices[0].keyword);
    }
}

// One line of a strings file per attribute and per value.
std::string VendorOptions::Labels()
{
    std::string strings;
    for (const VendorOption& option : kOptions) {
        strings += std::string("\"") + option.attribute + "\" = \"" + option.label + "\";\n";
        for (std::size_t i = 0; i < option.numChoices; ++i)
            strings += std::string("\"") + option.attribute + "." + option.choices[i].keyword +
                       "\" = \"" + option.choices[i].label + "\";\n";
    }
    return strings;
}

// Reads the job's attribute values the way the filter reads job options.
JobSettings VendorOptions::SettingsFor(const pappl_pr_options_t& options, int pinType)
{
    OptionList ppdOptions;
    for (const VendorOption& option : kOptions) {
        const char* keyword = cupsGetOption(option.attribute, options.num_vendor, options.vendor);
        ppdOptions.Add(option.ppdOption, PpdChoice(option, keyword));
    }
    const char* cutter = cupsGetOption(kCutterOption, ppdOptions.count, ppdOptions.options);
    if ((options.finishings & PAPPL_FINISHINGS_TRIM) != 0 && std::strcmp(cutter, kNoCut) == 0)
        ppdOptions.Add(kCutterOption, kCutEachPage);

    const char* halftone = cupsGetOption(kHalftoneOption, ppdOptions.count, ppdOptions.options);
    return JobSettings{pinType, halftone,
                       MediaOptions(nullptr, ppdOptions.count, ppdOptions.options)};
}
