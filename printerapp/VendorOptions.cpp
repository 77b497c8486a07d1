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
    {"auto", choice::kHalftoneAuto},
    {"supercell-16x16", choice::kHalftoneSupercell},
    {"matrix-6x6", choice::kHalftone6x6},
    {"matrix-8x8", choice::kHalftone8x8},
};
constexpr VendorChoice kPaperTypes[] = {
    {"continuous", choice::kTicketPaper},
    {"single-sheets", "SHEET"},
};
constexpr VendorChoice kPrintDirections[] = {
    {"printer-setting", "PrinterDefault"},
    {"bidirectional", choice::kBidirectional},
    {"unidirectional", choice::kUnidirectional},
};
constexpr VendorChoice kPrintModes[] = {
    {"printer-setting", "PrinterDefault"},
    {"bidirectional", choice::kDoublePrint},
    {"unidirectional", choice::kSimplePrint},
};
constexpr VendorChoice kCashDrawers[] = {
    {"none", choice::kOption1},
    {"after-document", choice::kOption2},
    {"before-document", choice::kOption3},
};
constexpr VendorChoice kBlackMarks[] = {
    {"none", choice::kOption1},
    {"after-page", choice::kOption2},
    {"before-page", choice::kOption3},
};
constexpr VendorChoice kCutters[] = {
    {"none", choice::kOption1},
    {"after-document", choice::kOption2},
    {"after-page", choice::kOption3},
    {"after-page-no-feed", choice::kOption4},
};
constexpr VendorChoice kCutFeeds[] = {
    {"long", choice::kOption1},
    {"short", choice::kOption2},
    {"short-alternative", choice::kOption3},
};

template <std::size_t N>
constexpr VendorOption Option(const char* attribute, const char* ppdOption,
                              const VendorChoice (&choices)[N])
{
    return {attribute, ppdOption, choices, N};
}

const VendorOption kOptions[] = {
    Option("ridev-halftone", kHalftoneOption, kHalftones),
    Option("ridev-paper-type", "RidevPaperType", kPaperTypes),
    Option("ridev-print-direction", "RidevPrintDirection", kPrintDirections),
    Option("ridev-print-mode", "RidevPrintMode", kPrintModes),
    Option("ridev-cash-drawer", "RidevCashDrawer", kCashDrawers),
    Option("ridev-black-mark", "RidevBlackMark", kBlackMarks),
    Option("ridev-cutter", kCutterOption, kCutters),
    Option("ridev-cut-feed", "RidevCutType", kCutFeeds),
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
