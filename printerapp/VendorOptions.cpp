// SPDX-License-Identifier: Apache-2.0
// VendorOptions: the printer's own job attributes, from the option table.
#include "printerapp/VendorOptions.h"

#include "page/OptionTable.h"
#include "printer/OptionChoices.h"
#include "printerapp/Drivers.h"

using options::Option;
using options::OptionSpec;

namespace {

// Calls `use` for every option that is a job attribute, in table order.
template <typename Use>
void ForEachAttribute(Use use)
{
    for (std::size_t i = 0; i < options::OptionCount(); ++i) {
        const OptionSpec& spec = options::AllOptions()[i];
        if (spec.ippAttribute != nullptr)
            use(spec);
    }
}

}  // namespace

// Names every attribute and lists its keywords and default.
void VendorOptions::Advertise(pappl_pr_driver_data_t& driverData, ipp_t* driverAttributes)
{
    driverData.num_vendor = 0;
    ForEachAttribute([&](const OptionSpec& spec) {
        driverData.vendor[driverData.num_vendor++] = spec.ippAttribute;
        const std::string supported = std::string(spec.ippAttribute) + "-supported";
        const std::string byDefault = std::string(spec.ippAttribute) + "-default";
        ipp_attribute_t* values =
            ippAddStrings(driverAttributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(),
                          static_cast<int>(spec.numChoices), nullptr, nullptr);
        for (std::size_t i = 0; i < spec.numChoices; ++i)
            ippSetString(driverAttributes, &values, static_cast<int>(i),
                         spec.choices[i].ippKeyword);
        ippAddString(driverAttributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, byDefault.c_str(), nullptr,
                     spec.choices[spec.defaultChoice].ippKeyword);
    });
}

// One line of a strings file per attribute, per value and per paper size.
std::string VendorOptions::Labels()
{
    std::string strings;
    for (std::size_t i = 0; i < options::MediaCount(); ++i)
        strings += std::string("\"media.") + options::AllMedia()[i].pwgName + "\" = \"" +
                   options::AllMedia()[i].label + "\";\n";
    ForEachAttribute([&](const OptionSpec& spec) {
        strings += std::string("\"") + spec.ippAttribute + "\" = \"" + spec.label + "\";\n";
        for (std::size_t i = 0; i < spec.numChoices; ++i)
            strings += std::string("\"") + spec.ippAttribute + "." + spec.choices[i].ippKeyword +
                       "\" = \"" + spec.choices[i].label + "\";\n";
    });
    return strings;
}

// Reads the printer's head and its current defaults.
JobSettings VendorOptions::ForJob(pappl_job_t* job, const pappl_pr_options_t& options)
{
    pappl_printer_t* printer = papplJobGetPrinter(job);
    ipp_t* defaults = papplPrinterGetDriverAttributes(printer);
    JobSettings settings = SettingsFor(options, Drivers::PinsOf(printer), defaults);
    ippDelete(defaults);
    return settings;
}

// Reads the job's attribute values, or the printer's defaults for those
// it does not name; a value an attribute does not have takes the option's
// default. `finishings` `trim` cuts after each page when neither the job
// nor the printer chose a cutter.
JobSettings VendorOptions::SettingsFor(const pappl_pr_options_t& options, int pinType,
                                       ipp_t* printerDefaults)
{
    MediaOptions choices;
    ForEachAttribute([&](const OptionSpec& spec) {
        const char* keyword = cupsGetOption(spec.ippAttribute, options.num_vendor, options.vendor);
        if (keyword == nullptr && printerDefaults != nullptr) {
            const std::string byDefault = std::string(spec.ippAttribute) + "-default";
            keyword = ippGetString(
                ippFindAttribute(printerDefaults, byDefault.c_str(), IPP_TAG_ZERO), 0, nullptr);
        }
        choices.Set(spec.option, options::ChoiceByKeyword(spec, keyword));
    });
    const OptionSpec& cutter = options::Spec(Option::Cutter);
    if ((options.finishings & PAPPL_FINISHINGS_TRIM) != 0 &&
        choices.Get(Option::Cutter) == cutter.defaultChoice)
        choices.Set(Option::Cutter, options::ChoiceByPpdName(cutter, choice::kOption3));
    return JobSettings{pinType, choices};
}
