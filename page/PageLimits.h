// SPDX-License-Identifier: Apache-2.0
// PageLimits: the page geometry the filter accepts. The page loop holds a
// whole page in memory, so a header that promises no pixels, a width its
// lines cannot hold, far more bytes than any real sheet, more columns than
// a bit-image command can count or a length far beyond any real medium is
// refused before anything is allocated or read.
#ifndef RIDEVEDUDARUZO_PAGE_PAGELIMITS_H
#define RIDEVEDUDARUZO_PAGE_PAGELIMITS_H

#include <cups/raster.h>

#include <cstdint>
#include <string>

// Largest page buffer the filter allocates: 64 MiB. The largest real page,
// a 22-inch continuous form on a 13.6-inch carriage at 360 x 360 dpi, is
// under 5 MB at one bit per pixel, so only a damaged or hostile header
// reaches this bound. It also keeps the size within the 32-bit length that
// cupsRasterReadPixels takes.
constexpr std::uint64_t kMaxPageBytes = 64ull * 1024 * 1024;

// Longest page the filter takes, in inches of paper at the page's vertical
// resolution (cupsHeight / dpiY). The longest medium of the PPDs is a
// 22-inch continuous form (their largest custom size); receipt rolls are cut
// into 11-inch pages. A page longer than 200 inches, nine times that form,
// comes only from a damaged or hostile header, which would otherwise make
// the printer feed metres of paper (a 64 MiB page of one-byte lines at
// 180 dpi runs to 9.5 km).
constexpr std::uint32_t kMaxPageLengthInches = 200;

// Widest page the filter takes, in pixels: every pixel of a row is one
// print-head column, and a bit-image command counts its columns in two
// bytes. A wider page (over 180 inches even at 360 dpi) would get counts cut
// to 16 bits, and the printer would take the rest of its pixels as commands.
constexpr std::uint32_t kMaxPageWidth = 65535;

// Bytes of pixel data the header promises: cupsBytesPerLine x cupsHeight.
std::uint64_t PageBytes(const cups_page_header2_t& header);

// Rows of the longest page the filter takes at a vertical resolution.
std::uint64_t MaxPageRows(std::uint32_t dpiY);

// Describes why the filter cannot take a page with this header, or returns
// an empty string when the geometry is usable. Lines hold cupsWidth pixels
// of cupsBitsPerPixel bits each.
std::string PageGeometryProblem(const cups_page_header2_t& header);

#endif
