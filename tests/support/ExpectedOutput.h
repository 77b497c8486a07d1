// SPDX-License-Identifier: Apache-2.0
// ExpectedOutput: the printer bytes a correct filter writes for a page,
// computed with the project's own DotMatrixPrinter so that tests compare
// against the library rather than a second copy of the encoder.
#ifndef RIDEVEDUDARUZO_TESTS_SUPPORT_EXPECTEDOUTPUT_H
#define RIDEVEDUDARUZO_TESTS_SUPPORT_EXPECTEDOUTPUT_H

#include <string>
#include <vector>

#include "tests/support/RasterWriter.h"

namespace testsupport {

// The five pieces (document start, page start, body, page end, document
// end) of a one-bit page bitmap, in output order.
std::vector<unsigned char> PrinterPageBytes(int pinType, int dpiX, int dpiY,
                                            const unsigned char* bitmap, unsigned long bytesPerLine,
                                            unsigned long width, unsigned long height);

// The five pieces of an 8-bit luminance page dithered with the pattern.
std::vector<unsigned char> PrinterGrayPageBytes(int pinType, int dpiX, int dpiY,
                                                const unsigned char* gray,
                                                unsigned long bytesPerLine, unsigned long width,
                                                unsigned long height, const std::string& pattern);

// The page body alone (what DotMatrixPrinter::Page gives) of a one-bit page.
std::vector<unsigned char> PrinterPageBody(int pinType, int dpiX, int dpiY,
                                           const unsigned char* bitmap, unsigned long bytesPerLine,
                                           unsigned long width, unsigned long height);

// The output for a one-bit ink page (cupsColorSpace K) of a test raster.
std::vector<unsigned char> ExpectedPageBytes(int pinType, const RasterPage& page);

// The output for several one-bit ink pages, one after the other.
std::vector<unsigned char> ExpectedJobBytes(int pinType, const std::vector<RasterPage>& pages);

}  // namespace testsupport

#endif
