// SPDX-License-Identifier: Apache-2.0
// PageRaster: rendering of a printed page's dots onto a pixel grid.
#include "tools/vprinter/PageRaster.h"

#include <algorithm>
#include <cstdint>

namespace vprinter {
namespace {

// Pixel index of a coordinate (printer units) at `dpi`, rounded down.
std::int64_t ToPixel(std::int64_t units, int dpi)
{
    return units * dpi / kUnitsPerInch;
}

// Pixels needed to cover `units` (printer units) at `dpi`, rounded up.
std::int64_t CoverPixels(std::int64_t units, int dpi)
{
    return (units * dpi + kUnitsPerInch - 1) / kUnitsPerInch;
}

}  // namespace

// Sizes the raster from the page, then sets one pixel per dot.
bool PageRaster::Render(const PrintedPage& page, int xDpi, int yDpi, PageRaster& out)
{
    if (xDpi < 1 || xDpi > kMaxDpi || yDpi < 1 || yDpi > kMaxDpi)
        return false;
    std::int64_t columns = std::max<std::int64_t>(1, CoverPixels(page.rightEdge, xDpi));
    std::int64_t rows = std::max<std::int64_t>(1, CoverPixels(page.length, yDpi));
    for (const Dot& dot : page.dots) {
        columns = std::max(columns, ToPixel(dot.x, xDpi) + 1);
        rows = std::max(rows, ToPixel(dot.y, yDpi) + 1);
    }
    PageRaster raster;
    raster.width = static_cast<int>(columns);
    raster.height = static_cast<int>(rows);
    raster.bytesPerLine = static_cast<std::size_t>((columns + 7) / 8);
    raster.bits.assign(raster.bytesPerLine * static_cast<std::size_t>(rows), 0);
    for (const Dot& dot : page.dots) {
        const std::size_t x = static_cast<std::size_t>(ToPixel(dot.x, xDpi));
        const std::size_t y = static_cast<std::size_t>(ToPixel(dot.y, yDpi));
        raster.bits[y * raster.bytesPerLine + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    out = std::move(raster);
    return true;
}

// Bit test with bounds check.
bool PageRaster::IsSet(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return false;
    const std::size_t index =
        static_cast<std::size_t>(y) * bytesPerLine + static_cast<std::size_t>(x) / 8;
    return (bits[index] & (0x80 >> (x % 8))) != 0;
}

}  // namespace vprinter
