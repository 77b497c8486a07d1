// SPDX-License-Identifier: Apache-2.0
// PageFormat: the raster pixel formats the filter prints and how each is
// turned into what the printer object takes. The print head only makes
// black dots, so the filter accepts one colour channel in chunked order:
//
//   1 bit,  K            a set bit is ink: printed as it is
//   1 bit,  W or SW      a set bit is white: inverted first
//   8 bits, W or SW      luminance (0 black, 255 white): dithered
//   8 bits, K            ink (0 white, 255 black): made luminance, dithered
//
// Every other combination of colour space, bit depth and colour order is
// refused with a message saying what the page is.
#ifndef RIDEVEDUDARUZO_PAGE_PAGEFORMAT_H
#define RIDEVEDUDARUZO_PAGE_PAGEFORMAT_H

#include <cups/raster.h>

#include <cstddef>
#include <cstring>
#include <string>

enum class PageFormat {
    InkBits,    // 1 bit per pixel, a set bit is a dot
    WhiteBits,  // 1 bit per pixel, a set bit is paper
    Luminance,  // 8 bits per pixel, 0 is black
    InkLevels,  // 8 bits per pixel, 255 is black
    Unsupported,
};

// The number stored in an enumerated header field (colour space, colour
// order, orientation, yes/no flags). The stream can hold any 32-bit value
// there, far more than the enum type has room for, so the field is read as
// its bytes, never as a value of the enum type.
template <typename Enum>
unsigned HeaderFieldValue(const Enum& field)
{
    static_assert(sizeof(Enum) == sizeof(unsigned), "raster header fields are 32 bits");
    unsigned value;
    std::memcpy(&value, &field, sizeof value);
    return value;
}

// The format of a page, from its bit depths, colour space and colour order.
PageFormat PageFormatOf(const cups_page_header2_t& header);

// A one-line description of a page's pixel format, for error messages,
// e.g. "8 bits per colour in colour space RGB (24 bits per pixel, chunked
// order)".
std::string DescribePixelFormat(const cups_page_header2_t& header);

// Turns a white-is-one bitmap into an ink bitmap in place: pixel bits are
// inverted, the padding bits beyond `width` in every row are cleared.
void InvertWhiteBits(unsigned char* bitmap, std::size_t bytesPerLine, std::size_t width,
                     std::size_t height);

// Turns 8-bit ink levels into luminance in place (v becomes 255 - v).
void InkLevelsToLuminance(unsigned char* pixels, std::size_t count);

#endif
