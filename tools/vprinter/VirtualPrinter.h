// VirtualPrinter: an ESC/P dot-matrix printer simulated from the printer's
// side. It reads a printer stream byte by byte, moves its head and paper as
// the commands say and records every dot it strikes, sheet by sheet.
//
// Understood: CR, FF, ESC @, ESC J n, ESC $ nL nH, ESC * m nL nH data and,
// on 18- and 24-pin models, ESC ( U and ESC ( v. Anything else stops the
// printer with a StreamError naming the offending byte and its offset.
//
// Limits against hostile streams: a sheet is at most kMaxPageWidth wide and
// kMaxPageLength long (a bit image or ESC $ beyond the width, or a feed
// beyond the length, is an error), and at most kMaxDotsPerPage dots may be
// struck on one sheet (overstrikes included).
#ifndef RIDEVEDUDARUZO_TOOLS_VPRINTER_VIRTUALPRINTER_H
#define RIDEVEDUDARUZO_TOOLS_VPRINTER_VIRTUALPRINTER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/vprinter/PrintedPage.h"
#include "tools/vprinter/StreamError.h"

namespace vprinter {

// Print head models. The pin count fixes the ESC J feed step (1/144 inch
// for 9 pins, 1/180 inch otherwise) and the commands available: a 9-pin
// head has only the 8-dot bit-image modes and no ESC ( commands.
enum class PinModel { Pins9 = 9, Pins18 = 18, Pins24 = 24 };

// Everything one stream produced.
struct PrintResult {
    std::vector<PrintedPage> pages;
    bool ok = true;     // false when the printer stopped at `error`
    StreamError error;  // meaningful only when ok is false
};

class VirtualPrinter {
public:
    static constexpr std::int32_t kMaxPageWidth = 18 * kUnitsPerInch;
    static constexpr std::int32_t kMaxPageLength = 36 * kUnitsPerInch;
    static constexpr std::size_t kMaxDotsPerPage = std::size_t{1} << 25;

    // Receives each page as soon as the printer is done with it.
    using PageSink = std::function<void(PrintedPage&&)>;

    explicit VirtualPrinter(PinModel model);

    // Maps a pin count (9, 18 or 24) to its model; false for other counts.
    static bool ModelForPins(int pins, PinModel& model);

    // Feed step of ESC J for this model, in 1/3600 inch.
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
};

}  // namespace vprinter

#endif
