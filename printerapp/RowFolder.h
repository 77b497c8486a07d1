// SPDX-License-Identifier: Apache-2.0
// RowFolder: prints a page whose resolution is square (as every Apple
// raster page is) on a head that prints that many columns per inch but
// fewer rows: the 9-pin head prints a 160 x 160 dpi page at 160 x 144 dpi
// and an 80 x 80 dpi page at 80 x 72. The page keeps its size; each row the
// head prints takes the darkest of the page rows that fall on it, so a thin
// line is never lost. Pages at a resolution of the head, and pages that
// cannot be folded so, pass unchanged (the page encoder then says why it
// cannot print them).
#ifndef RIDEVEDUDARUZO_PRINTERAPP_ROWFOLDER_H
#define RIDEVEDUDARUZO_PRINTERAPP_ROWFOLDER_H

#include <cups/raster.h>

#include "page/PageFormat.h"

class RowFolder {
public:
    // A folder that passes every row unchanged.
    RowFolder() = default;
    // Sets up for a page with this header on a head with `pins` pins.
    RowFolder(const cups_page_header2_t& page, int pins);

    // The header the page is printed with: the page's own, or the folded
    // page's (fewer rows per inch and fewer rows, the same size).
    const cups_page_header2_t& Printed() const { return printed; }
    // The number of rows the page comes with.
    unsigned PageRows() const { return pageRows; }
    // The printed row that page row `y` falls on.
    unsigned RowOf(unsigned y) const;
    // Puts a page row into the printed row `target` (bytes per line long):
    // copies it when it is the first row to fall there, else keeps the
    // darker of the two for each pixel.
    void Merge(unsigned char* target, const unsigned char* row, bool first) const;

private:
    cups_page_header2_t printed{};
    unsigned pageRows = 0;
    unsigned pageDpiY = 0;
    PageFormat format = PageFormat::Unsupported;
};

#endif
