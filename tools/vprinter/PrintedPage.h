// SPDX-License-Identifier: Apache-2.0
// PrintedPage: what the virtual printer left on one sheet: the dots it
// struck, in 1/7200 inch from the left margin and the top of the sheet,
// plus the sheet's length and counts of the commands that built it.
#ifndef RIDEVEDUDARUZO_TOOLS_VPRINTER_PRINTEDPAGE_H
#define RIDEVEDUDARUZO_TOOLS_VPRINTER_PRINTEDPAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vprinter {

// The printer's coordinate grid: every unit and pitch it knows divides it
// (the 1/3600-inch steps of ESC ( U as well as the 160 dpi columns of the
// 9-pin head).
constexpr std::int32_t kUnitsPerInch = 7200;

// One struck dot; ordered top to bottom, then left to right.
struct Dot {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

bool operator==(const Dot& a, const Dot& b);
bool operator<(const Dot& a, const Dot& b);

// Commands that acted on one page.
struct PageStats {
    std::size_t bitImages = 0;        // ESC * commands
    std::size_t columns = 0;          // bit-image columns, blank ones included
    std::size_t feeds = 0;            // ESC J and ESC ( v commands
    std::size_t horizontalMoves = 0;  // ESC $ commands
};

struct PrintedPage {
    // Every dot struck, sorted and without repeats (overstrikes count once).
    std::vector<Dot> dots;
    // Paper position when the page ended: how far it was fed.
    std::int32_t length = 0;
    // Right edge of the rightmost bit-image column printed on the page.
    std::int32_t rightEdge = 0;
    // Coarsest grids, in 1/7200 inch, on which every column position and
    // column pitch (gridX) and every dot row and pin pitch (gridY) of the
    // page lie; rasterising at 7200 / grid dpi loses nothing. 0 when the
    // page holds no bit image.
    std::int32_t gridX = 0;
    std::int32_t gridY = 0;
    // True when a form feed ended the page; false for the sheet left in
    // the printer when the stream ended or was rejected.
    bool ejected = false;
    PageStats stats;
};

}  // namespace vprinter

#endif
