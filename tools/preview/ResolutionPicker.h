// SPDX-License-Identifier: Apache-2.0
// ResolutionPicker: chooses the resolution at which the preview draws a
// stream: the coarsest grid that holds every column and dot row of every
// page exactly (so 180 x 180 for a 24-pin page printed in mode 39 with
// 1/180-inch feeds), or the model's default where no page has a bit image
// or the exact grid is finer than PageRaster::kMaxDpi.
#ifndef RIDEVEDUDARUZO_TOOLS_PREVIEW_RESOLUTIONPICKER_H
#define RIDEVEDUDARUZO_TOOLS_PREVIEW_RESOLUTIONPICKER_H

#include <cstdint>

#include "tools/vprinter/PrintedPage.h"
#include "tools/vprinter/VirtualPrinter.h"

namespace preview {

struct Resolution {
    int x = 0;
    int y = 0;
};

class ResolutionPicker {
public:
    // Defaults: 360 x 360 for 18- and 24-pin heads, 160 x 144 for 9 pins
    // (their finest column pitch and feed step).
    static Resolution DefaultFor(vprinter::PinModel model);

    // Takes one page's grids into account.
    void Add(const vprinter::PrintedPage& page);

    // The resolution for all pages added so far.
    Resolution Pick(vprinter::PinModel model) const;

private:
    std::int32_t gridX = 0;
    std::int32_t gridY = 0;
};

}  // namespace preview

#endif
