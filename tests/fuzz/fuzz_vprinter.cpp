// SPDX-License-Identifier: Apache-2.0
// Fuzz target: the virtual printer on a hostile printer stream, and the
// rendering of every sheet it prints. The first bytes choose the head, the
// sheet limits (any values, which the printer lowers to its defaults) and
// the render resolution (valid and invalid ones); the rest is the stream.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/FuzzInput.h"
#include "tools/vprinter/PageRaster.h"
#include "tools/vprinter/VirtualPrinter.h"

namespace {

const vprinter::PinModel kModels[] = {vprinter::PinModel::Pins9, vprinter::PinModel::Pins18,
                                      vprinter::PinModel::Pins24};
// Render resolutions: valid ones and ones Render must refuse.
const int kDpi[] = {1, 60, 72, 90, 144, 180, 360, 720, 0, -1, 721};
// Above this render resolution the sheet is kept to a few inches, so one
// run never rasterises a full-size page at high resolution.
constexpr int kLargeSheetDpi = 180;
constexpr std::int32_t kSmallSheet = 4 * vprinter::kUnitsPerInch;

// A signed 32-bit value from four input bytes.
std::int32_t Int32(fuzz::FuzzInput& in)
{
    std::uint32_t value = in.Word();
    value |= std::uint32_t{in.Word()} << 16;
    return static_cast<std::int32_t>(value);
}

}  // namespace

// Prints the stream and renders each sheet.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const vprinter::PinModel model = in.Pick(kModels);
    const int xDpi = in.Pick(kDpi);
    const int yDpi = in.Pick(kDpi);
    vprinter::SheetLimits limits;
    if (in.Byte() & 1) {
        limits.width = Int32(in);
        limits.length = Int32(in);
        limits.dots = in.Word();
    }
    if (xDpi > kLargeSheetDpi || yDpi > kLargeSheetDpi) {
        limits.width = limits.width < kSmallSheet ? limits.width : kSmallSheet;
        limits.length = limits.length < kSmallSheet ? limits.length : kSmallSheet;
    }

    const vprinter::VirtualPrinter printer(model, limits);
    vprinter::StreamError error;
    printer.Print(
        in.Rest(), in.Remaining(),
        [&](vprinter::PrintedPage&& page) {
            vprinter::PageRaster raster;
            vprinter::PageRaster::Render(page, xDpi, yDpi, raster);
        },
        error);
    return 0;
}
