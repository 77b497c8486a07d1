// SPDX-License-Identifier: Apache-2.0
// ExpectedOutput: reference printer bytes built through DotMatrixPrinter.
#include "tests/support/ExpectedOutput.h"

#include "printer/DotMatrixPrinter.h"

namespace testsupport {

namespace {

// Appends the five pieces of a printer whose page has been set.
void AppendPieces(DotMatrixPrinter& printer, std::vector<unsigned char>& out)
{
    std::vector<unsigned char> piece;
    printer.StartDoc(piece);
    out.insert(out.end(), piece.begin(), piece.end());
    printer.StartPage(piece);
    out.insert(out.end(), piece.begin(), piece.end());
    printer.Page(piece);
    out.insert(out.end(), piece.begin(), piece.end());
    printer.EndPage(piece);
    out.insert(out.end(), piece.begin(), piece.end());
    printer.EndDoc(piece);
    out.insert(out.end(), piece.begin(), piece.end());
}

}  // namespace

std::vector<unsigned char> PrinterPageBytes(int pinType, int dpiX, int dpiY,
                                            const unsigned char* bitmap, unsigned long bytesPerLine,
                                            unsigned long width, unsigned long height)
{
    DotMatrixPrinter printer(pinType, dpiX, dpiY);
    printer.SetPage(bitmap, bytesPerLine, width, height);
    std::vector<unsigned char> out;
    AppendPieces(printer, out);
    return out;
}

std::vector<unsigned char> PrinterGrayPageBytes(int pinType, int dpiX, int dpiY,
                                                const unsigned char* gray,
                                                unsigned long bytesPerLine, unsigned long width,
                                                unsigned long height, const std::string& pattern)
{
    DotMatrixPrinter printer(pinType, dpiX, dpiY);
    printer.SetPage(gray, bytesPerLine, width, height, pattern);
    std::vector<unsigned char> out;
    AppendPieces(printer, out);
    return out;
}

std::vector<unsigned char> PrinterPageBody(int pinType, int dpiX, int dpiY,
                                           const unsigned char* bitmap, unsigned long bytesPerLine,
                                           unsigned long width, unsigned long height)
{
    DotMatrixPrinter printer(pinType, dpiX, dpiY);
    printer.SetPage(bitmap, bytesPerLine, width, height);
    std::vector<unsigned char> body;
    printer.Page(body);
    return body;
}

std::vector<unsigned char> ExpectedPageBytes(int pinType, const RasterPage& page)
{
    const cups_page_header2_t& h = page.header;
    return PrinterPageBytes(pinType, static_cast<int>(h.HWResolution[0]),
                            static_cast<int>(h.HWResolution[1]), page.pixels.data(),
                            h.cupsBytesPerLine, h.cupsWidth, h.cupsHeight);
}

std::vector<unsigned char> ExpectedJobBytes(int pinType, const std::vector<RasterPage>& pages)
{
    std::vector<unsigned char> out;
    for (const RasterPage& page : pages) {
        const std::vector<unsigned char> bytes = ExpectedPageBytes(pinType, page);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

}  // namespace testsupport
