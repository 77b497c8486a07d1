// SPDX-License-Identifier: Apache-2.0
// PrintedPage: ordering of struck dots, so a page's dots can be kept sorted.
#include "tools/vprinter/PrintedPage.h"

namespace vprinter {

// Same position on the sheet.
bool operator==(const Dot& a, const Dot& b)
{
    return a.x == b.x && a.y == b.y;
}

// Row-major order: top to bottom, then left to right.
bool operator<(const Dot& a, const Dot& b)
{
    return a.y != b.y ? a.y < b.y : a.x < b.x;
}

}  // namespace vprinter
