// SPDX-License-Identifier: Apache-2.0
// RasterWriter: test raster streams written through libcups.
#include "tests/support/RasterWriter.h"

#include <cstdio>
#include <cstring>

namespace testsupport {

namespace {

// A header with the fields a CUPS raster of this size and resolution has.
cups_page_header2_t MakeHeader(unsigned width, unsigned height, unsigned dpiX, unsigned dpiY,
                               unsigned bitsPerPixel, cups_cspace_t colorSpace)
{
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    header.HWResolution[0] = dpiX;
    header.HWResolution[1] = dpiY;
    header.PageSize[0] = dpiX ? width * 72 / dpiX : 0;
    header.PageSize[1] = dpiY ? height * 72 / dpiY : 0;
    header.ImagingBoundingBox[2] = header.PageSize[0];
    header.ImagingBoundingBox[3] = header.PageSize[1];
    header.NumCopies = 1;
    header.cupsWidth = width;
    header.cupsHeight = height;
    header.cupsBitsPerColor = bitsPerPixel;
    header.cupsBitsPerPixel = bitsPerPixel;
    header.cupsBytesPerLine = (width * bitsPerPixel + 7) / 8;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsColorSpace = colorSpace;
    return header;
}

// libcups write callback that appends to a byte vector.
ssize_t AppendToVector(void* context, unsigned char* data, size_t length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    out->insert(out->end(), data, data + length);
    return static_cast<ssize_t>(length);
}

}  // namespace

std::size_t RasterPage::PromisedBytes() const
{
    return std::size_t{header.cupsBytesPerLine} * header.cupsHeight;
}

void RasterPage::SetBit(unsigned x, unsigned y)
{
    pixels[std::size_t{y} * header.cupsBytesPerLine + x / 8] |=
        static_cast<unsigned char>(0x80u >> (x % 8));
}

RasterPage MakeBitmapPage(unsigned width, unsigned height, unsigned dpiX, unsigned dpiY)
{
    RasterPage page;
    page.header = MakeHeader(width, height, dpiX, dpiY, 1, CUPS_CSPACE_K);
    page.pixels.assign(page.PromisedBytes(), 0);
    return page;
}

RasterPage BitmapPageFromRows(const std::vector<std::string>& rows, unsigned dpiX, unsigned dpiY)
{
    const unsigned width = rows.empty() ? 0 : static_cast<unsigned>(rows[0].size());
    RasterPage page = MakeBitmapPage(width, static_cast<unsigned>(rows.size()), dpiX, dpiY);
    for (unsigned y = 0; y < rows.size(); ++y)
        for (unsigned x = 0; x < width && x < rows[y].size(); ++x)
            if (rows[y][x] == '#')
                page.SetBit(x, y);
    return page;
}

RasterPage MakeGrayPage(unsigned width, unsigned height, unsigned dpiX, unsigned dpiY,
                        cups_cspace_t colorSpace)
{
    RasterPage page;
    page.header = MakeHeader(width, height, dpiX, dpiY, 8, colorSpace);
    page.pixels.assign(page.PromisedBytes(), colorSpace == CUPS_CSPACE_K ? 0 : 255);
    return page;
}

void FillPattern(RasterPage& page, unsigned seed)
{
    const unsigned bytesPerLine = page.header.cupsBytesPerLine;
    unsigned state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < page.pixels.size(); ++i) {
        const std::size_t row = i / bytesPerLine;
        state = state * 1103515245u + 12345u;
        // Rows 40..79 of every 100 stay blank so the page has feeds too.
        const bool blankRow = row % 100 >= 40 && row % 100 < 80;
        page.pixels[i] = blankRow ? 0 : static_cast<unsigned char>(state >> 16);
    }
}

std::vector<unsigned char> WriteRaster(const std::vector<RasterPage>& pages,
                                       RasterCompression compression)
{
    std::vector<unsigned char> stream;
    cups_raster_t* raster =
        cupsRasterOpenIO(AppendToVector, &stream,
                         compression == RasterCompression::Compressed ? CUPS_RASTER_WRITE_COMPRESSED
                                                                      : CUPS_RASTER_WRITE);
    if (raster == nullptr)
        return stream;
    for (const RasterPage& page : pages) {
        cups_page_header2_t header = page.header;
        if (!cupsRasterWriteHeader2(raster, &header))
            break;
        // libcups takes a non-const pointer but only reads the pixels.
        std::vector<unsigned char> pixels = page.pixels;
        if (!pixels.empty())
            cupsRasterWritePixels(raster, pixels.data(), static_cast<unsigned>(pixels.size()));
    }
    cupsRasterClose(raster);
    return stream;
}

bool WriteRasterFile(const std::string& path, const std::vector<RasterPage>& pages,
                     RasterCompression compression)
{
    const std::vector<unsigned char> stream = WriteRaster(pages, compression);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(stream.data(), 1, stream.size(), file) == stream.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace testsupport
