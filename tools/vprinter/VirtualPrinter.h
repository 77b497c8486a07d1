// SPDX-License-Identifier: Apache-2.0
// VirtualPrinter: an ESC/P dot-matrix printer simulated from the printer's
// side. It reads a printer stream byte by byte, moves its head and paper as
// the commands say and records every dot it strikes, sheet by sheet.
//
// Understood: CR, FF, ESC @, ESC J n, ESC $ nL nH, ESC * m nL nH data and,
// on 18- and 24-pin models, ESC ( U and ESC ( v. Anything else stops the
// printer with a StreamError naming the offending byte and its offset.
//
// The 18- and 24-pin models are ESC/P printers: ESC J feeds 1/180 inch,
// ESC $ counts 1/60 inch (or the unit set by ESC ( U), and bit images come
// in 8-dot modes of 60 and 120 dpi, 24-dot modes of 60 to 360 dpi and the
// 72-dot mode 41. The 9-pin model is an impact receipt or slip printer:
// ESC J feeds 1/144 inch, ESC $ counts 1/80 inch, and its bit images are
// mode 0 (80 dpi) and mode 1 (160 dpi), 8 dots 1/72 inch apart.
//
// Limits against hostile streams (SheetLimits, by default 18 inches wide,
// 36 inches long and 2^24 dots, enough for a letter or A4 sheet printed
// solid black at 360 x 360 dpi): a bit image or ESC $ beyond the width, a
// feed or bit image beyond the length, or more dots struck on one sheet
// (overstrikes included) is an error. They bound the memory one sheet takes
// (8 bytes a dot, so at most 128 MiB) and the size of any raster drawn
// from it.
#ifndef RIDEVEDUDARUZO_TOOLS_VPRINTER_VIRTUALPRINTER_H
#define RIDEVEDUDARUZO_TOOLS_VPRINTER_VIRTUALPRINTER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/vprinter/PrintedPage.h"
#include "tools/vprinter/StreamError.h"

namespace vprinter {

// Print head models. The pin count fixes the dialect: the ESC J feed step
// (1/144 inch for 9 pins, 1/180 inch otherwise), the ESC $ unit (1/80 inch
// for 9 pins, 1/60 otherwise) and the commands available: a 9-pin head has
// only the 8-dot bit-image modes, at 80 and 160 dpi, and no ESC ( commands.
enum class PinModel { Pins9 = 9, Pins18 = 18, Pins24 = 24 };

// Everything one stream produced.
struct PrintResult {
    std::vector<PrintedPage> pages;
    bool ok = true;     // false when the printer stopped at `error`
    StreamError error;  // meaningful only when ok is false
};

// Largest sheet the printer accepts.
struct SheetLimits {
    std::int32_t width = 18 * kUnitsPerInch;
    std::int32_t length = 36 * kUnitsPerInch;
    std::size_t dots = std::size_t{1} << 24;
};

class VirtualPrinter {
public:
    // Receives each page as soon as the printer is done with it.
    using PageSink = std::function<void(PrintedPage&&)>;

    // Limits above the defaults are lowered to them.
    explicit VirtualPrinter(PinModel head, const SheetLimits& sheet = SheetLimits{});

    // Maps a pin count (9, 18 or 24) to its model; false for other counts.
    static bool ModelForPins(int pins, PinModel& model);

    // Feed step of ESC J for this model, in printer units (kUnitsPerInch).
    std::int32_t FeedStep() const;

    // Prints a whole stream, starting from the power-on state. Each sheet
    // goes to `sink` when a form feed ejects it; the sheet in the printer
    // when the stream ends (or is rejected) follows if anything was printed
    // or fed on it. Returns false, with `error` filled, at the first byte
    // the printer cannot accept; nothing after it is read.
    bool Print(const unsigned char* data, std::size_t size, const PageSink& sink,
               StreamError& error) const;

    // Convenience form that collects all pages.
    PrintResult Print(const std::vector<unsigned char>& stream) const;

private:
    PinModel model;
    SheetLimits limits;
};

}  // namespace vprinter

#endif
