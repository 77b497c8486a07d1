// SPDX-License-Identifier: Apache-2.0
// Drivers: driver data for the 9-, 18- and 24-pin print heads.
#include "printerapp/Drivers.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "page/OptionTable.h"

#include "printerapp/JobCallbacks.h"
#include "printerapp/PrinterPages.h"
#include "printerapp/VendorOptions.h"

namespace {

// The drivers, one per print head of the option table, in its order; each
// driver's extension is its head's entry.
struct DriverList {
    std::vector<std::string> deviceIds;
    std::vector<pappl_pr_driver_t> drivers;

    DriverList()
    {
        deviceIds.reserve(options::HeadCount());
        for (std::size_t i = 0; i < options::HeadCount(); ++i) {
            const options::HeadSpec& head = options::AllHeads()[i];
            deviceIds.push_back("MFG:Generic;CMD:ESCP" + std::to_string(head.pins) +
                                ";MDL:" + head.modelName + ";");
            drivers.push_back({head.driverName, head.modelName, deviceIds.back().c_str(),
                               const_cast<options::HeadSpec*>(&head)});
        }
    }
};

DriverList& Registered()
{
    static DriverList list;
    return list;
}

// The range of custom (continuous) sizes of the PPDs, after their named
// sizes.
constexpr const char* kCustomMin = "custom_min_2x1in";
constexpr const char* kCustomMax = "custom_max_15x22in";

// Advertised margins in hundredths of millimetres: a quarter inch at the
// sides and an eighth at top and bottom. The filter prints the whole page
// it is given, so these only guide the layout of documents; they are
// never zero, which clients would take for borderless printing.
constexpr int kSideMargin = 635;
constexpr int kTopBottomMargin = 318;

// Pages per minute, as the PPDs' throughput.
constexpr int kPagesPerMinute = 1;

// The print head of a driver name, or nullptr.
const options::HeadSpec* HeadFor(const char* driverName)
{
    for (std::size_t i = 0; driverName != nullptr && i < options::HeadCount(); ++i) {
        if (std::strcmp(options::AllHeads()[i].driverName, driverName) == 0)
            return &options::AllHeads()[i];
    }
    return nullptr;
}

// Fills the media lists: every size, one source with the head's medium
// loaded (a receipt roll, or the locale's sheet size).
void SetMedia(const options::HeadSpec& head, pappl_pr_driver_data_t& data)
{
    data.num_media = 0;
    for (std::size_t i = 0; i < options::MediaCount(); ++i)
        data.media[data.num_media++] = options::AllMedia()[i].pwgName;
    data.media[data.num_media++] = kCustomMin;
    data.media[data.num_media++] = kCustomMax;
    data.left_right = kSideMargin;
    data.bottom_top = kTopBottomMargin;
    data.borderless = false;

    data.num_source = 1;
    data.source[0] = "main";
    data.num_type = 1;
    data.type[0] = "stationery";

    const char* loaded =
        head.loadedMedia != nullptr ? head.loadedMedia : papplLocGetDefaultMediaSizeName();
    pappl_media_col_t& ready = data.media_ready[0];
    const pwg_media_t* size = pwgMediaForPWG(loaded);
    papplCopyString(ready.size_name, loaded, sizeof ready.size_name);
    papplCopyString(ready.source, data.source[0], sizeof ready.source);
    papplCopyString(ready.type, data.type[0], sizeof ready.type);
    ready.size_width = size->width;
    ready.size_length = size->length;
    ready.left_margin = ready.right_margin = kSideMargin;
    ready.top_margin = ready.bottom_margin = kTopBottomMargin;
    data.media_default = ready;
}

// Lists the head's resolutions in the order the framework reads them: it
// takes the first for draft quality, the middle one for normal quality and
// the last for high quality, and offers Apple raster clients the last two.
// So the list runs from the fewest dots per square inch to the most, with
// the head's default resolution moved to the middle: on the 24- and 18-pin
// heads that gives 120 x 180, 360 x 180, 180 x 180, 360 x 360 (Apple
// raster at the two square ones, 180 and 360 dpi).
void SetResolutions(const options::HeadSpec& head, pappl_pr_driver_data_t& data)
{
    std::vector<options::Resolution> order(head.resolutions,
                                           head.resolutions + head.numResolutions);
    std::sort(order.begin(), order.end(),
              [](const options::Resolution& a, const options::Resolution& b) {
                  return a.x * a.y < b.x * b.y;
              });
    const options::Resolution& byDefault = head.resolutions[head.defaultResolution];
    const auto isDefault = [&](const options::Resolution& r) {
        return r.x == byDefault.x && r.y == byDefault.y;
    };
    std::iter_swap(std::find_if(order.begin(), order.end(), isDefault),
                   order.begin() + static_cast<std::ptrdiff_t>(order.size() / 2));

    data.num_resolution = static_cast<int>(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        data.x_resolution[i] = order[i].x;
        data.y_resolution[i] = order[i].y;
    }
    data.x_default = byDefault.x;
    data.y_default = byDefault.y;
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
    return Registered().drivers.data();
}

int Drivers::Count()
{
    return static_cast<int>(Registered().drivers.size());
}

// Fills a printer's driver data; a failure is logged on the system.
bool Drivers::Configure(pappl_system_t* system, const char* driverName, const char* deviceUri,
                        const char* deviceId, pappl_pr_driver_data_t* driverData,
                        ipp_t** driverAttributes, void* data)
{
    try {
        return ConfigureDriver(system, driverName, deviceUri, deviceId, driverData,
                               driverAttributes, data);
    } catch (const std::exception& error) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Cannot set up the driver \"%s\": %s.",
                 driverName ? driverName : "", error.what());
    } catch (...) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Cannot set up the driver \"%s\".",
                 driverName ? driverName : "");
    }
    return false;
}

// Sets the callbacks, head, resolutions, media and options of one driver
// (the body of Configure).
bool Drivers::ConfigureDriver(pappl_system_t* system, const char* driverName, const char*,
                              const char*, pappl_pr_driver_data_t* driverData,
                              ipp_t** driverAttributes, void*)
{
    const options::HeadSpec* head = HeadFor(driverName);
    if (head == nullptr) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "No driver named \"%s\".",
                 driverName ? driverName : "");
        return false;
    }
    pappl_pr_driver_data_t& data = *driverData;
    data.extension = const_cast<options::HeadSpec*>(head);
    JobCallbacks::Install(data);
    data.testpage_cb = PrinterPages::TestPage;
    data.format = kEscpFormat;
    papplCopyString(data.make_and_model, head->modelName, sizeof data.make_and_model);
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

    SetResolutions(*head, data);
    SetMedia(*head, data);

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
        return options::FindHead(9)->driverName;
    if (HasCommandSet(commands, "ESCP18"))
        return options::FindHead(18)->driverName;
    if (HasCommandSet(commands, "ESCP24") || model.compare(0, 3, "LQ-") == 0 ||
        model.compare(0, 4, "DLQ-") == 0)
        return options::FindHead(24)->driverName;
    return nullptr;
}

// Looks the head model up by the printer's driver name.
int Drivers::PinsOf(pappl_printer_t* printer)
{
    const options::HeadSpec* head = HeadFor(papplPrinterGetDriverName(printer));
    return head != nullptr ? head->pins : 0;
}
