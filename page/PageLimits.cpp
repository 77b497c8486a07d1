// SPDX-License-Identifier: Apache-2.0
// PageLimits: checks of a page header's geometry before its page is read.
#include "page/PageLimits.h"

#include <string>

// Bytes of pixel data the header promises, computed without overflow.
std::uint64_t PageBytes(const cups_page_header2_t& header)
{
    return std::uint64_t{header.cupsBytesPerLine} * header.cupsHeight;
}

// kMaxPageLengthInches at dpiY rows per inch, computed without overflow.
std::uint64_t MaxPageRows(std::uint32_t dpiY)
{
    return std::uint64_t{kMaxPageLengthInches} * dpiY;
}

// Explains what is wrong with the header's geometry; empty when nothing is.
// A vertical resolution of 0 is left to the resolution check.
std::string PageGeometryProblem(const cups_page_header2_t& header)
{
    const std::string width = std::to_string(header.cupsWidth);
    const std::string height = std::to_string(header.cupsHeight);
    const std::string bytesPerLine = std::to_string(header.cupsBytesPerLine);

    if (header.cupsWidth == 0 || header.cupsHeight == 0 || header.cupsBytesPerLine == 0)
        return "the page header gives an empty page (width " + width + ", height " + height + ", " +
               bytesPerLine + " bytes per line)";
    const std::uint64_t lineBits = std::uint64_t{header.cupsWidth} * header.cupsBitsPerPixel;
    if (lineBits > 8 * std::uint64_t{header.cupsBytesPerLine})
        return "the page width of " + width + " pixels at " +
               std::to_string(header.cupsBitsPerPixel) + " bits per pixel does not fit in " +
               bytesPerLine + " bytes per line";
    if (PageBytes(header) > kMaxPageBytes)
        return "the page of " + bytesPerLine + " bytes per line by " + height +
               " lines is larger than the " + std::to_string(kMaxPageBytes >> 20) +
               " MiB page limit";
    if (header.cupsWidth > kMaxPageWidth)
        return "the page width of " + width + " pixels is more than the " +
               std::to_string(kMaxPageWidth) + " columns a bit image can hold";
    const std::uint32_t dpiY = header.HWResolution[1];
    if (dpiY != 0 && header.cupsHeight > MaxPageRows(dpiY))
        return "the page of " + height + " lines at " + std::to_string(dpiY) +
               " dpi is longer than the " + std::to_string(kMaxPageLengthInches) +
               "-inch page length limit";
    return std::string();
}
