// SPDX-License-Identifier: Apache-2.0
// ImageCheck: a JPEG or PNG document looked at before it is decoded. The
// framework decodes a whole image into memory (three bytes a pixel) before
// scaling it to the page, and its PNG reader can loop forever on a
// damaged file. So an image's declared size is read from its header and
// refused when its pixels would take more than a page may (kMaxPageBytes),
// and a PNG is read through once, row by row with a one-row buffer, so
// that a cut or damaged file is refused before the framework sees it.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_IMAGECHECK_H
#define RIDEVEDUDARUZO_PRINTERAPP_IMAGECHECK_H

#include <cstdint>
#include <string>

class ImageCheck {
public:
    // Why the PNG file cannot be printed; empty when it can.
    static std::string PngProblem(const char* path);

    // Why the JPEG file cannot be printed; empty when it can.
    static std::string JpegProblem(const char* path);

    // Why an image of this size cannot be printed; empty when it can.
    static std::string SizeProblem(std::uint64_t width, std::uint64_t height);
};

#endif
