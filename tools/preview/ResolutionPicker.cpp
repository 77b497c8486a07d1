// ResolutionPicker: combines the pages' grids into one preview resolution.
#include "tools/preview/ResolutionPicker.h"

#include <numeric>

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

Resolution ResolutionPicker::DefaultFor(vprinter::PinModel model)
{
    if (model == vprinter::PinModel::Pins9)
        return Resolution{160, 144};
    return Resolution{360, 360};
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
