// SPDX-License-Identifier: Apache-2.0
// ResolutionPicker: combines the pages' grids into one preview resolution.
#include "tools/preview/ResolutionPicker.h"

#include <numeric>

#include "page/OptionTable.h"
#include "tools/vprinter/PageRaster.h"

namespace preview {
namespace {

// Dots per inch of a grid step, or `fallback` when the step is unknown or
// too fine to draw.
int DpiForGrid(std::int32_t grid, int fallback)
{
    if (grid <= 0)
        return fallback;
    const int dpi = vprinter::kUnitsPerInch / grid;
    return dpi <= vprinter::PageRaster::kMaxDpi ? dpi : fallback;
}

}  // namespace

// The head's finest resolution: the first of the option table's list.
Resolution ResolutionPicker::DefaultFor(vprinter::PinModel model)
{
    const options::HeadSpec* head = options::FindHead(static_cast<int>(model));
    if (head == nullptr)
        head = options::AllHeads();
    return Resolution{head->resolutions[0].x, head->resolutions[0].y};
}

// Page grids divide kUnitsPerInch, so their gcd is the finest step any page needs.
void ResolutionPicker::Add(const vprinter::PrintedPage& page)
{
    gridX = std::gcd(gridX, page.gridX);
    gridY = std::gcd(gridY, page.gridY);
}

// Each axis falls back to the model default on its own.
Resolution ResolutionPicker::Pick(vprinter::PinModel model) const
{
    const Resolution fallback = DefaultFor(model);
    return Resolution{DpiForGrid(gridX, fallback.x), DpiForGrid(gridY, fallback.y)};
}

}  // namespace preview
