// SPDX-License-Identifier: Apache-2.0
// PageEncoder: checks a page header, converts the page's pixels into the
// form the printer object takes and collects the page's printer bytes.
#include "page/PageEncoder.h"

#include <climits>
#include <new>

#include "page/PageLimits.h"
#include "printer/DotMatrixPrinter.h"

namespace {

// Lowest horizontal resolution the filter prints at. Below it a 1/60-inch
// step of the horizontal position is less than one column, the encoder's
// grid step is 0, and every blank stretch of a band restarts the band's
// image at its first column: the page body grows with the square of the
// width (gigabytes from a few kilobytes of raster). No print head of the
// pin profiles runs below 80 dpi.
constexpr unsigned kMinDpiX = 60;

// True when the encoder can lay out columns at the page's horizontal
// resolution: at least kMinDpiX and, as the printer object takes it as an
// int, not beyond INT_MAX (which would make it negative).
bool UsableDpiX(const cups_page_header2_t& header)
{
    return header.HWResolution[0] >= kMinDpiX &&
           header.HWResolution[0] <= static_cast<unsigned>(INT_MAX);
}

// Hands the page to the printer object in the form its format needs,
// converting the buffer in place where the printer takes another form; a
// grey page is dithered into `dots`. False when memory runs out.
bool SetPrinterPage(DotMatrixPrinter& printer, unsigned char* pixels,
                    const cups_page_header2_t& header, PageFormat format,
                    const std::string& halftone, PageMemory& memory)
{
    const unsigned long bytesPerLine = header.cupsBytesPerLine;
    const unsigned long width = header.cupsWidth;
    const unsigned long height = header.cupsHeight;
    switch (format) {
    case PageFormat::WhiteBits:
        InvertWhiteBits(pixels, bytesPerLine, width, height);
        printer.SetPage(pixels, bytesPerLine, width, height);
        break;
    case PageFormat::InkLevels:
    case PageFormat::Luminance: {
        if (format == PageFormat::InkLevels)
            InkLevelsToLuminance(pixels, bytesPerLine * height);
        unsigned char* dots = memory.Dots((width + 7) / 8 * height);
        if (dots == nullptr)
            return false;
        printer.SetPage(pixels, bytesPerLine, width, height, halftone, dots);
        break;
    }
    case PageFormat::InkBits:
    case PageFormat::Unsupported:  // refused before its pixels are read
        printer.SetPage(pixels, bytesPerLine, width, height);
        break;
    }
    return true;
}

}  // namespace

// Runs the header checks in the order the page loop reports them: pixel
// format, geometry, then the print head's resolutions.
PageEncoder::PageEncoder(const cups_page_header2_t& pageHeader, const JobSettings& jobSettings,
                         PageMemory* pageMemory)
    : header(pageHeader),
      job(jobSettings),
      format(PageFormatOf(pageHeader)),
      ownMemory(pageMemory == nullptr ? std::make_unique<PageMemory>() : nullptr),
      memory(pageMemory == nullptr ? *ownMemory : *pageMemory)
{
    if (format == PageFormat::Unsupported) {
        problem = DescribePixelFormat(header) + " is not supported";
        return;
    }
    problem = PageGeometryProblem(header);
    if (!problem.empty())
        return;
    printer =
        std::make_unique<DotMatrixPrinter>(job.pinType, static_cast<int>(header.HWResolution[0]),
                                           static_cast<int>(header.HWResolution[1]));
    if (!printer->CanEncode() || !UsableDpiX(header)) {
        problem = std::to_string(header.HWResolution[0]) + "x" +
                  std::to_string(header.HWResolution[1]) + " dpi is not a resolution of the " +
                  std::to_string(job.pinType) + "-pin print head";
        printer.reset();
    }
}

// Gives the page body's storage back to the memory it was lent from.
PageEncoder::~PageEncoder()
{
    if (printer && bodyLent)
        printer->SwapPageBody(memory.Body());
}

// Applies the media settings, builds the page's framing, then converts the
// page.
bool PageEncoder::Encode(unsigned char* pixels, const BodyDrain& drain)
{
    if (!printer)
        return false;
    try {
        job.media.ApplyTo(*printer);
        printer->StartDoc(docStart);
        printer->StartPage(pageStart);
        printer->EndPage(pageEnd);
        printer->EndDoc(docEnd);
        BuildInnerDocumentFraming();
        // The body is written into the storage kept from earlier pages.
        if (!bodyLent) {
            printer->SwapPageBody(memory.Body());
            bodyLent = true;
        }
        bool drained = true;
        if (drain) {
            printer->SetBodyDrain(
                [&drain, &drained](const BodyBytes& part) {
                    drained = drain(part);
                    return drained;
                },
                kBodyPartBytes);
        }
        const bool converted = SetPrinterPage(*printer, pixels, header, format,
                                              job.media.PpdName(options::Option::Halftone), memory);
        printer->SetBodyDrain(nullptr, 0);
        if (!converted || !drained)
            return false;
    } catch (const std::bad_alloc&) {
        printer->SetBodyDrain(nullptr, 0);
        return false;
    }
    return true;
}

// The document framing without the document's start and end commands, from
// a printer object with the same settings less those; the same bytes as
// the page's own framing when the job sets no such command.
void PageEncoder::BuildInnerDocumentFraming()
{
    if (!job.media.HasDocumentCommands()) {
        innerDocStart = docStart;
        innerDocEnd = docEnd;
        return;
    }
    DotMatrixPrinter framing(job.pinType, static_cast<int>(header.HWResolution[0]),
                             static_cast<int>(header.HWResolution[1]));
    job.media.WithoutDocumentCommands().ApplyTo(framing);
    framing.StartDoc(innerDocStart);
    framing.EndDoc(innerDocEnd);
}

std::vector<PageEncoder::Piece> PageEncoder::OpeningPieces(bool firstOfDocument) const
{
    if (!printer)
        return {};
    return {firstOfDocument ? docStart : innerDocStart, pageStart, printer->PageBody(), pageEnd};
}

std::vector<PageEncoder::Piece> PageEncoder::StartPieces(bool firstOfDocument) const
{
    if (!printer)
        return {};
    return {firstOfDocument ? docStart : innerDocStart, pageStart};
}

std::vector<PageEncoder::Piece> PageEncoder::BodyAndPageEnd() const
{
    if (!printer)
        return {};
    return {printer->PageBody(), pageEnd};
}

const std::vector<unsigned char>& PageEncoder::ClosingPiece(bool lastOfDocument) const
{
    return lastOfDocument ? docEnd : innerDocEnd;
}

std::vector<PageEncoder::Piece> PageEncoder::Pieces() const
{
    if (!printer)
        return {};
    return {docStart, pageStart, printer->PageBody(), pageEnd, docEnd};
}
