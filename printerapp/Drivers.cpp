// Drivers: driver data for the 9-, 18- and 24-pin print heads.
#include "printerapp/Drivers.h"

#include <cstring>
#include <string>

#include "printerapp/JobCallbacks.h"
#include "printerapp/VendorOptions.h"

namespace {

// What differs from one print head to the next.
struct HeadModel {
    int pins;
    const char* makeAndModel;
    int numResolutions;
    int xResolution[PAPPL_MAX_RESOLUTION];
    int yResolution[PAPPL_MAX_RESOLUTION];
    int defaultResolution;  // index into the two arrays above
};

// The heads and resolutions of the PPDs. 360 x 360 dpi (24 and 18 pins)
// and 160 x 144 dpi (9 pins) print each band in two interleaved passes.
const HeadModel kHeads[] = {
    {9, "ESC/P 9-Pin Dot Matrix", 3, {160, 160, 80}, {144, 72, 72}, 1},
    {18, "ESC/P 18-Pin Dot Matrix", 4, {360, 360, 180, 120}, {360, 180, 180, 180}, 2},
    {24, "ESC/P 24-Pin Dot Matrix", 4, {360, 360, 180, 120}, {360, 180, 180, 180}, 2},
};

pappl_pr_driver_t kDrivers[] = {
    {"ridev9", "ESC/P 9-Pin Dot Matrix", "MFG:Generic;CMD:ESCP9;MDL:ESC/P 9-Pin Dot Matrix;",
     const_cast<HeadModel*>(&kHeads[0])},
    {"ridev18", "ESC/P 18-Pin Dot Matrix", "MFG:Generic;CMD:ESCP18;MDL:ESC/P 18-Pin Dot Matrix;",
     const_cast<HeadModel*>(&kHeads[1])},
    {"ridev24", "ESC/P 24-Pin Dot Matrix", "MFG:Generic;CMD:ESCP24;MDL:ESC/P 24-Pin Dot Matrix;",
     const_cast<HeadModel*>(&kHeads[2])},
};

// Media of the PPDs: cut sheets, continuous fan-fold forms, 76 and 58 mm
// receipt rolls with 11-inch pages, and the range of custom (continuous)
// sizes.
const char* const kMedia[] = {
    "na_letter_8.5x11in",
    "iso_a4_210x297mm",
    "na_legal_8.5x14in",
    "iso_a5_148x210mm",
    "na_executive_7.25x10.5in",
    "oe_letter-fanfold_8.5x11in",
    "na_german-std-fanfold_8.5x12in",
    "na_fanfold-us_11x14.875in",
    "oe_76mm-roll_3x11in",
    "oe_58mm-roll_2.25x11in",
    "custom_min_2x1in",
    "custom_max_15x22in",
};
constexpr const char* kDefaultMedia = "iso_a4_210x297mm";

// Advertised margins in hundredths of millimetres: a quarter inch at the
// sides and an eighth at top and bottom. The filter prints the whole page
// it is given, so these only guide the layout of documents; they are
// never zero, which clients would take for borderless printing.
constexpr int kSideMargin = 635;
constexpr int kTopBottomMargin = 318;

// Pages per minute, as the PPDs' throughput.
constexpr int kPagesPerMinute = 1;

// The head model of a driver name, or nullptr.
const HeadModel* HeadFor(const char* driverName)
{
    for (const pappl_pr_driver_t& driver : kDrivers) {
        if (driverName != nullptr && std::strcmp(driver.name, driverName) == 0)
            return static_cast<const HeadModel*>(driver.extension);
    }
    return nullptr;
}

// Fills the media lists: every size, one source with A4 loaded.
void SetMedia(pappl_pr_driver_data_t& data)
{
    data.num_media = 0;
    for (const char* media : kMedia)
        data.media[data.num_media++] = media;
    data.left_right = kSideMargin;
    data.bottom_top = kTopBottomMargin;
    data.borderless = false;

    data.num_source = 1;
    data.source[0] = "main";
    data.num_type = 1;
    data.type[0] = "stationery";

    pappl_media_col_t& ready = data.media_ready[0];
    const pwg_media_t* size = pwgMediaForPWG(kDefaultMedia);
    papplCopyString(ready.size_name, kDefaultMedia, sizeof ready.size_name);
    papplCopyString(ready.source, data.source[0], sizeof ready.source);
    papplCopyString(ready.type, data.type[0], sizeof ready.type);
    ready.size_width = size->width;
    ready.size_length = size->length;
    ready.left_margin = ready.right_margin = kSideMargin;
    ready.top_margin = ready.bottom_margin = kTopBottomMargin;
    data.media_default = ready;
}

// The value of one key of an IEEE 1284 device ID ("CMD", "MDL"...), or "".
std::string DeviceIdValue(int count, cups_option_t* pairs, const char* longKey,
                          const char* shortKey)
{
    const char* value = cupsGetOption(longKey, count, pairs);
    if (value == nullptr)
        value = cupsGetOption(shortKey, count, pairs);
    return value != nullptr ? value : "";
}

// True when a command-set list names a language starting with `prefix`.
bool HasCommandSet(const std::string& commandSets, const char* prefix)
{
    std::size_t start = 0;
    while (start <= commandSets.size()) {
        const std::size_t end = commandSets.find(',', start);
        const std::string entry = commandSets.substr(start, end - start);
        if (entry.compare(0, std::strlen(prefix), prefix) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

// Printer attributes that driverless clients expect and the framework does
// not set: the printer prints pages as they come (no rendering intent to
// choose, one-sided sheets, no preferred attributes to suggest).
void AddConformanceAttributes(ipp_t* attributes)
{
    ippAddBoolean(attributes, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    ippAddString(attributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default",
                 nullptr, "auto");
    ippAddString(attributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported",
                 nullptr, "auto");
    ippAddString(attributes, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back",
                 nullptr, "normal");
}

}  // namespace

pappl_pr_driver_t* Drivers::List()
{
    return kDrivers;
}

int Drivers::Count()
{
    return static_cast<int>(sizeof kDrivers / sizeof kDrivers[0]);
}

// Sets the callbacks, head, resolutions, media and options of one driver.
bool Drivers::Configure(pappl_system_t* system, const char* driverName, const char*, const char*,
                        pappl_pr_driver_data_t* driverData, ipp_t** driverAttributes, void*)
{
    const HeadModel* head = HeadFor(driverName);
    if (head == nullptr) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "No driver named \"%s\".",
                 driverName ? driverName : "");
        return false;
    }
    pappl_pr_driver_data_t& data = *driverData;
    data.extension = const_cast<HeadModel*>(head);
    JobCallbacks::Install(data);
    data.format = kEscpFormat;
    papplCopyString(data.make_and_model, head->makeAndModel, sizeof data.make_and_model);
    data.ppm = kPagesPerMinute;
    data.kind = PAPPL_KIND_DOCUMENT | PAPPL_KIND_RECEIPT;
    data.input_face_up = false;
    data.output_face_up = false;
    data.orient_default = IPP_ORIENT_NONE;
    data.quality_default = IPP_QUALITY_NORMAL;
    data.color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_MONOCHROME;
    data.color_default = PAPPL_COLOR_MODE_MONOCHROME;
    // Eight-bit grey only: the driver dithers with the printer's own
    // halftone patterns, and takes each page's size and resolution from
    // the page itself.
    data.raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8;
    data.sides_supported = PAPPL_SIDES_ONE_SIDED;
    data.sides_default = PAPPL_SIDES_ONE_SIDED;
    data.finishings = PAPPL_FINISHINGS_TRIM;
    data.has_supplies = true;  // the ink ribbon, see JobCallbacks::UpdateStatus
    data.identify_supported = PAPPL_IDENTIFY_ACTIONS_SOUND;
    data.identify_default = PAPPL_IDENTIFY_ACTIONS_SOUND;

    data.num_resolution = head->numResolutions;
    for (int i = 0; i < head->numResolutions; ++i) {
        data.x_resolution[i] = head->xResolution[i];
        data.y_resolution[i] = head->yResolution[i];
    }
    data.x_default = head->xResolution[head->defaultResolution];
    data.y_default = head->yResolution[head->defaultResolution];

    SetMedia(data);

    if (*driverAttributes == nullptr)
        *driverAttributes = ippNew();
    VendorOptions::Advertise(data, *driverAttributes);
    AddConformanceAttributes(*driverAttributes);
    return true;
}

// Picks the head from the printer's command sets and model name.
const char* Drivers::ForDevice(const char*, const char*, const char* deviceId, void*)
{
    if (deviceId == nullptr)
        return nullptr;
    cups_option_t* pairs = nullptr;
    const int count = papplDeviceParseID(deviceId, &pairs);
    const std::string commands = DeviceIdValue(count, pairs, "COMMAND SET", "CMD");
    const std::string model = DeviceIdValue(count, pairs, "MODEL", "MDL");
    cupsFreeOptions(count, pairs);

    if (HasCommandSet(commands, "ESCP9") || model.compare(0, 3, "FX-") == 0 ||
        model.compare(0, 3, "LX-") == 0)
        return "ridev9";
    if (HasCommandSet(commands, "ESCP18"))
        return "ridev18";
    if (HasCommandSet(commands, "ESCP24") || model.compare(0, 3, "LQ-") == 0 ||
        model.compare(0, 4, "DLQ-") == 0)
        return "ridev24";
    return nullptr;
}

// Looks the head model up by the printer's driver name.
int Drivers::PinsOf(pappl_printer_t* printer)
{
    const HeadModel* head = HeadFor(papplPrinterGetDriverName(printer));
    return head != nullptr ? head->pins : 0;
}
