// SPDX-License-Identifier: Apache-2.0
// RasterWriter: builds real CUPS raster streams for tests with libcups
// itself, from small pages held in memory. A page is a full page header
// (every field can be overridden before writing) plus its pixel bytes; the
// stream goes to a byte vector or a file, compressed or not.
#ifndef RIDEVEDUDARUZO_TESTS_SUPPORT_RASTERWRITER_H
#define RIDEVEDUDARUZO_TESTS_SUPPORT_RASTERWRITER_H

#include <cups/raster.h>

#include <string>
#include <vector>

namespace testsupport {

// One page of a test raster stream. `pixels` is written as it is: when it
// holds fewer bytes than cupsBytesPerLine x cupsHeight the stream ends
// inside the page (a short page; only sensible as the last page).
struct RasterPage {
    cups_page_header2_t header;
    std::vector<unsigned char> pixels;

    // Pixel bytes the header promises: cupsBytesPerLine x cupsHeight.
    std::size_t PromisedBytes() const;
    // Sets pixel (x, y) of a one-bit page (most significant bit leftmost).
    void SetBit(unsigned x, unsigned y);
};

// How the stream stores pixel rows.
enum class RasterCompression { None, Compressed };

// A blank one-bit page as a black-only PPD produces it: cupsColorSpace K
// (a set bit is ink), 1 bit per colour and pixel, chunked order, one copy.
RasterPage MakeBitmapPage(unsigned width, unsigned height, unsigned dpiX, unsigned dpiY);

// A one-bit page drawn from text rows: '#' is ink, any other character is
// paper; all rows as wide as the first.
RasterPage BitmapPageFromRows(const std::vector<std::string>& rows, unsigned dpiX, unsigned dpiY);

// A white 8-bit grey page (one byte per pixel) in the given colour space;
// the pixels are 255 for CUPS_CSPACE_W/SW (luminance) and 0 for K (ink).
RasterPage MakeGrayPage(unsigned width, unsigned height, unsigned dpiX, unsigned dpiY,
                        cups_cspace_t colorSpace);

// Fills every pixel byte with a fixed pseudo-random pattern chosen by seed,
// with bands of blank rows in between, so pages exercise feeds and images.
void FillPattern(RasterPage& page, unsigned seed);

// The whole raster stream for the pages.
std::vector<unsigned char> WriteRaster(const std::vector<RasterPage>& pages,
                                       RasterCompression compression = RasterCompression::None);

// Writes the raster stream for the pages to a file; false when it cannot.
bool WriteRasterFile(const std::string& path, const std::vector<RasterPage>& pages,
                     RasterCompression compression = RasterCompression::None);

}  // namespace testsupport

#endif
