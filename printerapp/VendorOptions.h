// VendorOptions: the printer's own job attributes, one for each option of
// the PPDs (halftone pattern, paper type, print direction and mode, cash
// drawer, black mark, cutter and cut feed). Each attribute has IPP keyword
// values that stand for one choice of the PPD option; its default is the
// PPD's default choice. The cutter can also be asked for with the standard
// `finishings` value `trim`, which cuts after each page.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_VENDOROPTIONS_H
#define RIDEVEDUDARUZO_PRINTERAPP_VENDOROPTIONS_H

#include <cstddef>
#include <string>

#include <pappl/pappl.h>

#include "filter/PageEncoder.h"

// One keyword of an attribute and the PPD choice it stands for.
struct VendorChoice {
    const char* keyword;
    const char* ppdChoice;
    const char* label;  // shown in the web interface
};

// One job attribute and the PPD option it stands for; the first choice is
// the default.
struct VendorOption {
    const char* attribute;  // e.g. "ridev-cutter"
    const char* ppdOption;  // e.g. "RidevCutter"
    const char* label;      // shown in the web interface, e.g. "Cutter"
    const VendorChoice* choices;
    std::size_t numChoices;
};

class VendorOptions {
public:
    // Every attribute, in the order the web interface shows them.
    static const VendorOption* All();
    static std::size_t Count();

    // Adds the attributes' names to the driver data and their supported and
    // default values to the driver's attributes.
    static void Advertise(pappl_pr_driver_data_t& driverData, ipp_t* driverAttributes);

    // The English labels of the attributes and their values for the web
    // interface, as a strings file ("ridev-cutter.none" = "Do Not Cut";).
    static std::string Labels();

    // The settings a job prints with: its attribute values (or the
    // printer's defaults) turned into the PPD options the filter reads.
    static JobSettings SettingsFor(const pappl_pr_options_t& options, int pinType);
};

#endif
