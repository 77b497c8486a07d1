// SPDX-License-Identifier: Apache-2.0
// PageRaster: a printed page drawn onto a one-bit pixel grid, laid out like
// the filter's page bitmaps: rows from the top, most significant bit = the
// leftmost pixel, a set bit = a dot, padding bits clear.
#ifndef RIDEVEDUDARUZO_TOOLS_VPRINTER_PAGERASTER_H
#define RIDEVEDUDARUZO_TOOLS_VPRINTER_PAGERASTER_H

#include <cstddef>
#include <vector>

#include "tools/vprinter/PrintedPage.h"

namespace vprinter {

class PageRaster {
public:
    // Highest resolution Render accepts on either axis; together with the
    // printer's page limits it bounds a raster to about 40 MiB.
    static constexpr int kMaxDpi = 720;

    // Draws `page` at xDpi x yDpi: the dot at (x, y) sets pixel
    // (x * xDpi / kUnitsPerInch, y * yDpi / kUnitsPerInch), rounded down. The raster reaches
    // the page's right edge and its length (or its lowest dot), and is at
    // least 1 x 1. False, leaving `out` as it was, for a resolution outside
    // 1..kMaxDpi.
    static bool Render(const PrintedPage& page, int xDpi, int yDpi, PageRaster& out);

    int Width() const { return width; }
    int Height() const { return height; }
    std::size_t BytesPerLine() const { return bytesPerLine; }
    // All rows, BytesPerLine() bytes each.
    const std::vector<unsigned char>& Bits() const { return bits; }
    // True when pixel (x, y) holds a dot; false outside the raster.
    bool IsSet(int x, int y) const;

private:
    int width = 0;
    int height = 0;
    std::size_t bytesPerLine = 0;
    std::vector<unsigned char> bits;
};

}  // namespace vprinter

#endif
