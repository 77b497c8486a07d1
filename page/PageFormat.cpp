// SPDX-License-Identifier: Apache-2.0
// PageFormat: pixel formats the filter accepts and their conversions.
#include "page/PageFormat.h"

#include <cstring>
#include <string>

namespace {

// True for the colour spaces in which a pixel value is luminance.
bool IsLuminanceSpace(unsigned colorSpace)
{
    return colorSpace == CUPS_CSPACE_W || colorSpace == CUPS_CSPACE_SW;
}

// The short name of a colour space, or its number when it has none here.
std::string ColorSpaceName(unsigned colorSpace)
{
    switch (colorSpace) {
    case CUPS_CSPACE_W:
        return "W";
    case CUPS_CSPACE_RGB:
        return "RGB";
    case CUPS_CSPACE_RGBA:
        return "RGBA";
    case CUPS_CSPACE_K:
        return "K";
    case CUPS_CSPACE_CMY:
        return "CMY";
    case CUPS_CSPACE_CMYK:
        return "CMYK";
    case CUPS_CSPACE_WHITE:
        return "WHITE";
    case CUPS_CSPACE_CIEXYZ:
        return "CIEXYZ";
    case CUPS_CSPACE_CIELab:
        return "CIELab";
    case CUPS_CSPACE_RGBW:
        return "RGBW";
    case CUPS_CSPACE_SW:
        return "SW";
    case CUPS_CSPACE_SRGB:
        return "sRGB";
    case CUPS_CSPACE_ADOBERGB:
        return "AdobeRGB";
    default:
        return std::to_string(colorSpace);
    }
}

// The name of a colour order.
std::string ColorOrderName(unsigned colorOrder)
{
    switch (colorOrder) {
    case CUPS_ORDER_CHUNKED:
        return "chunked";
    case CUPS_ORDER_BANDED:
        return "banded";
    case CUPS_ORDER_PLANAR:
        return "planar";
    default:
        return std::to_string(colorOrder);
    }
}

}  // namespace

PageFormat PageFormatOf(const cups_page_header2_t& header)
{
    const unsigned bits = header.cupsBitsPerColor;
    const unsigned space = HeaderFieldValue(header.cupsColorSpace);
    const unsigned order = HeaderFieldValue(header.cupsColorOrder);
    if (order != CUPS_ORDER_CHUNKED || header.cupsBitsPerPixel != bits)
        return PageFormat::Unsupported;
    if (bits == 1 && space == CUPS_CSPACE_K)
        return PageFormat::InkBits;
    if (bits == 1 && IsLuminanceSpace(space))
        return PageFormat::WhiteBits;
    if (bits == 8 && space == CUPS_CSPACE_K)
        return PageFormat::InkLevels;
    if (bits == 8 && IsLuminanceSpace(space))
        return PageFormat::Luminance;
    return PageFormat::Unsupported;
}

std::string DescribePixelFormat(const cups_page_header2_t& header)
{
    return std::to_string(header.cupsBitsPerColor) + " bits per colour in colour space " +
           ColorSpaceName(HeaderFieldValue(header.cupsColorSpace)) + " (" +
           std::to_string(header.cupsBitsPerPixel) + " bits per pixel, " +
           ColorOrderName(HeaderFieldValue(header.cupsColorOrder)) + " order)";
}

void InvertWhiteBits(unsigned char* bitmap, std::size_t bytesPerLine, std::size_t width,
                     std::size_t height)
{
    const std::size_t fullBytes = width / 8;
    const unsigned tailBits = static_cast<unsigned>(width % 8);
    // The pixels of a partly used last byte sit in its high bits.
    const unsigned char tailMask = static_cast<unsigned char>(0xFF00u >> tailBits);
    for (std::size_t y = 0; y < height; ++y) {
        unsigned char* row = bitmap + y * bytesPerLine;
        for (std::size_t i = 0; i < fullBytes; ++i)
            row[i] = static_cast<unsigned char>(~row[i]);
        std::size_t used = fullBytes;
        if (tailBits != 0) {
            row[used] = static_cast<unsigned char>(~row[used] & tailMask);
            ++used;
        }
        std::memset(row + used, 0, bytesPerLine - used);
    }
}

void InkLevelsToLuminance(unsigned char* pixels, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = static_cast<unsigned char>(255 - pixels[i]);
}
