// SPDX-License-Identifier: Apache-2.0
// RowFolder: square pages folded onto a head's fewer rows per inch.
#include "printerapp/RowFolder.h"

#include <algorithm>
#include <cstring>

#include "page/OptionTable.h"

namespace {

// The head's rows per inch for a square page at `dpi`: the most rows, fewer
// than `dpi`, of a head resolution with `dpi` columns; 0 when the head
// prints the page as it is or has no such resolution.
unsigned FoldedDpiY(const options::HeadSpec& head, unsigned dpi)
{
    unsigned best = 0;
    for (std::size_t i = 0; i < head.numResolutions; ++i) {
        const options::Resolution& r = head.resolutions[i];
        if (static_cast<unsigned>(r.x) != dpi)
            continue;
        if (static_cast<unsigned>(r.y) == dpi)
            return 0;
        if (static_cast<unsigned>(r.y) < dpi)
            best = std::max(best, static_cast<unsigned>(r.y));
    }
    return best;
}

}  // namespace

// Folds only square pages in a format whose darker pixel is known.
RowFolder::RowFolder(const cups_page_header2_t& page, int pins)
    : printed(page),
      pageRows(page.cupsHeight),
      pageDpiY(page.HWResolution[1]),
      format(PageFormatOf(page))
{
    const options::HeadSpec* head = options::FindHead(pins);
    if (head == nullptr || format == PageFormat::Unsupported || page.HWResolution[0] != pageDpiY ||
        pageRows == 0)
        return;
    const unsigned foldedDpiY = FoldedDpiY(*head, pageDpiY);
    if (foldedDpiY == 0)
        return;
    printed.HWResolution[1] = foldedDpiY;
    printed.cupsHeight = static_cast<unsigned>(
        static_cast<unsigned long long>(pageRows - 1) * foldedDpiY / pageDpiY + 1);
}

unsigned RowFolder::RowOf(unsigned y) const
{
    if (printed.HWResolution[1] == pageDpiY || pageDpiY == 0)
        return y;
    return static_cast<unsigned>(static_cast<unsigned long long>(y) * printed.HWResolution[1] /
                                 pageDpiY);
}

// The darker pixel: more ink bits, fewer white bits, the lower luminance,
// the higher ink level.
void RowFolder::Merge(unsigned char* target, const unsigned char* row, bool first) const
{
    const unsigned bytes = printed.cupsBytesPerLine;
    if (first) {
        std::memcpy(target, row, bytes);
        return;
    }
    for (unsigned i = 0; i < bytes; ++i) {
        switch (format) {
        case PageFormat::InkBits:
            target[i] |= row[i];
            break;
        case PageFormat::WhiteBits:
            target[i] &= row[i];
            break;
        case PageFormat::Luminance:
            target[i] = std::min(target[i], row[i]);
            break;
        case PageFormat::InkLevels:
            target[i] = std::max(target[i], row[i]);
            break;
        case PageFormat::Unsupported:
            target[i] = row[i];
            break;
        }
    }
}
