// SPDX-License-Identifier: Apache-2.0
// e2e-compare: checks that a printer stream carries exactly the dots of a
// CUPS raster. It reads the raster pages with libcups, prints the stream on
// the virtual ESC/P printer, and compares the two page by page: every inked
// pixel inside cupsWidth x cupsHeight must have been struck at its place on
// the sheet, and nothing else. It also checks that the stream is made of
// whole pages: every sheet was ejected by a form feed and the stream ends
// with the form feed and the reset that close a page.
//
// The raster must be one-bit black, or, with --halftone, eight-bit grey
// (colour space W or sW, 0 is black). A grey page's inked pixels are those of
// its ordered dither with the named pattern, made by the encoder library's
// own dithering, so the printed dots must be that dither exactly.
//
// Usage: e2e-compare [--model 9|18|24] [--partial] [--halftone PATTERN]
//                    <raster-file> <printer-stream>
//   --model     pins of the print head (default 24)
//   --partial   the stream may hold fewer pages than the raster (a cancelled
//               job); those it holds must match the raster's first pages
//   --halftone  the raster is grey and was printed with this choice of the
//               PPD option RidevHalftone: HT_PATSIZE_AUTO,
//               HT_PATSIZE_SUPERCELL_M, HT_PATSIZE_6x6_M or HT_PATSIZE_8x8_M
// Exit status: 0 when everything matches, 1 when it does not, 2 on bad usage
// or unreadable input.
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "escp/OrvESCP.h"
#include "tools/vprinter/VirtualPrinter.h"

namespace {

// One raster page reduced to what the comparison needs.
struct RasterPage {
    unsigned width = 0;
    unsigned height = 0;
    unsigned dpiX = 0;
    unsigned dpiY = 0;
    unsigned greyLevels = 0;          // distinct values on a grey page
    std::vector<vprinter::Dot> dots;  // inked pixels, in printer units
};

// The dither pattern each choice of the halftone option stands for.
struct HalftoneChoice {
    const char* name;
    OrvESCP::Halfton pattern;
};
constexpr HalftoneChoice kHalftoneChoices[] = {
    {"HT_PATSIZE_AUTO", OrvESCP::HalftonAuto},
    {"HT_PATSIZE_SUPERCELL_M", OrvESCP::HalftonSupercell},
    {"HT_PATSIZE_6x6_M", OrvESCP::Halfton6x6},
    {"HT_PATSIZE_8x8_M", OrvESCP::Halfton8x8},
};

bool HalftoneFromName(const std::string& name, OrvESCP::Halfton& pattern)
{
    for (const HalftoneChoice& choice : kHalftoneChoices) {
        if (name == choice.name) {
            pattern = choice.pattern;
            return true;
        }
    }
    return false;
}

// How the pages of the raster are expected to look.
struct RasterKind {
    bool grey = false;                                // eight-bit grey, dithered
    OrvESCP::Halfton pattern = OrvESCP::HalftonAuto;  // the dither for grey pages
};

// Width of one raster column on paper, in printer units: every head prints
// one column per raster pixel at the raster's own resolution (the 9-pin
// receipt printers' modes 0 and 1 are 80 and 160 dpi).
bool ColumnPitch(unsigned dpiX, std::int32_t& pitch)
{
    if (dpiX == 0 || vprinter::kUnitsPerInch % dpiX != 0)
        return false;
    pitch = static_cast<std::int32_t>(vprinter::kUnitsPerInch / dpiX);
    return true;
}

// Checks that a page header has the pixel format the comparison expects.
bool HasExpectedFormat(const cups_page_header2_t& header, const RasterKind& kind,
                       std::size_t number)
{
    if (!kind.grey) {
        if (header.cupsBitsPerPixel == 1 && header.cupsColorSpace == CUPS_CSPACE_K)
            return true;
        std::fprintf(stderr, "e2e-compare: page %zu is not a one-bit black raster\n", number);
        return false;
    }
    if (header.cupsBitsPerColor == 8 && header.cupsBitsPerPixel == 8 &&
        header.cupsColorOrder == CUPS_ORDER_CHUNKED &&
        (header.cupsColorSpace == CUPS_CSPACE_W || header.cupsColorSpace == CUPS_CSPACE_SW)) {
        return true;
    }
    std::fprintf(stderr,
                 "e2e-compare: page %zu is not an eight-bit grey raster (%u bits per pixel, "
                 "colour space %u)\n",
                 number, header.cupsBitsPerPixel, header.cupsColorSpace);
    return false;
}

// The one-bit page whose set bits are the page's inked pixels: the raster
// itself, or the dither of a grey raster. Rows keep cupsBytesPerLine bytes.
bool InkBitmap(const cups_page_header2_t& header, const RasterKind& kind,
               std::vector<unsigned char>& pixels, RasterPage& page)
{
    if (!kind.grey)
        return true;
    bool seen[256] = {};
    for (unsigned char value : pixels)
        seen[value] = true;
    page.greyLevels = static_cast<unsigned>(std::count(std::begin(seen), std::end(seen), true));
    std::vector<unsigned char> bits(pixels.size(), 0);
    if (OrvESCP::Gray2DotMatrix(pixels.data(), static_cast<int>(header.cupsBytesPerLine),
                                static_cast<int>(header.cupsWidth),
                                static_cast<int>(header.cupsHeight), bits, kind.pattern) != 1) {
        std::fprintf(stderr, "e2e-compare: the grey page could not be dithered\n");
        return false;
    }
    pixels.swap(bits);
    return true;
}

bool ReadRaster(const char* path, int pins, const RasterKind& kind, std::vector<RasterPage>& pages)
{
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        std::fprintf(stderr, "e2e-compare: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    bool ok = raster != nullptr;
    cups_page_header2_t header;
    std::vector<unsigned char> pixels;
    while (ok && cupsRasterReadHeader2(raster, &header)) {
        RasterPage page;
        page.width = header.cupsWidth;
        page.height = header.cupsHeight;
        page.dpiX = header.HWResolution[0];
        page.dpiY = header.HWResolution[1];
        std::int32_t pitchX = 0;
        if (!HasExpectedFormat(header, kind, pages.size() + 1)) {
            ok = false;
            break;
        }
        if (!ColumnPitch(page.dpiX, pitchX) || page.dpiY == 0 ||
            vprinter::kUnitsPerInch % page.dpiY != 0) {
            std::fprintf(stderr, "e2e-compare: page %zu: no %d-pin mapping for %u x %u dpi\n",
                         pages.size() + 1, pins, page.dpiX, page.dpiY);
            ok = false;
            break;
        }
        const auto pitchY = static_cast<std::int32_t>(vprinter::kUnitsPerInch / page.dpiY);
        const std::size_t bytesPerLine = header.cupsBytesPerLine;
        pixels.assign(bytesPerLine * page.height, 0);
        for (unsigned y = 0; y < page.height && ok; ++y) {
            if (cupsRasterReadPixels(raster, pixels.data() + y * bytesPerLine,
                                     header.cupsBytesPerLine) == 0) {
                std::fprintf(stderr, "e2e-compare: page %zu is cut short at row %u\n",
                             pages.size() + 1, y);
                ok = false;
            }
        }
        if (!ok || !InkBitmap(header, kind, pixels, page)) {
            ok = false;
            break;
        }
        for (unsigned y = 0; y < page.height; ++y) {
            const unsigned char* row = pixels.data() + y * bytesPerLine;
            for (unsigned x = 0; x < page.width; ++x) {
                if (row[x / 8] & (0x80u >> (x % 8))) {
                    page.dots.push_back({static_cast<std::int32_t>(x) * pitchX,
                                         static_cast<std::int32_t>(y) * pitchY});
                }
            }
        }
        // Rows are read top down and pixels left to right: already sorted.
        pages.push_back(std::move(page));
    }
    if (raster)
        cupsRasterClose(raster);
    close(fd);
    return ok;
}

bool ReadFile(const char* path, std::vector<unsigned char>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "e2e-compare: cannot open %s\n", path);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Prints up to a few dots of a difference, in raster pixels.
void ShowDots(const char* what, const std::vector<vprinter::Dot>& dots, std::int32_t pitchX,
              std::int32_t pitchY)
{
    if (dots.empty())
        return;
    std::fprintf(stderr, "  %zu %s, first at pixel", dots.size(), what);
    for (std::size_t i = 0; i < dots.size() && i < 5; ++i) {
        std::fprintf(stderr, " (%g, %g)", double(dots[i].x) / pitchX, double(dots[i].y) / pitchY);
    }
    std::fprintf(stderr, "\n");
}

bool ComparePage(std::size_t number, const RasterPage& expected,
                 const vprinter::PrintedPage& printed)
{
    std::int32_t pitchX = 1;
    ColumnPitch(expected.dpiX, pitchX);
    const auto pitchY = static_cast<std::int32_t>(vprinter::kUnitsPerInch / expected.dpiY);
    std::vector<vprinter::Dot> missing;
    std::vector<vprinter::Dot> extra;
    std::set_difference(expected.dots.begin(), expected.dots.end(), printed.dots.begin(),
                        printed.dots.end(), std::back_inserter(missing));
    std::set_difference(printed.dots.begin(), printed.dots.end(), expected.dots.begin(),
                        expected.dots.end(), std::back_inserter(extra));
    bool ok = missing.empty() && extra.empty() && printed.ejected;
    std::string grey;
    if (expected.greyLevels != 0) {
        grey = ", " + std::to_string(expected.greyLevels) + " grey levels";
    }
    std::fprintf(stderr, "page %zu: %u x %u at %u x %u dpi%s, %zu inked pixels, %zu dots: %s\n",
                 number, expected.width, expected.height, expected.dpiX, expected.dpiY,
                 grey.c_str(), expected.dots.size(), printed.dots.size(), ok ? "match" : "DIFFER");
    ShowDots("inked pixels not printed", missing, pitchX, pitchY);
    ShowDots("dots not in the raster", extra, pitchX, pitchY);
    if (!printed.ejected)
        std::fprintf(stderr, "  the sheet was never ejected\n");
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    int pins = 24;
    bool partial = false;
    bool argsOk = true;
    RasterKind kind;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--model" && i + 1 < argc) {
            pins = std::atoi(argv[++i]);
        } else if (arg == "--partial") {
            partial = true;
        } else if (arg == "--halftone" && i + 1 < argc) {
            kind.grey = true;
            argsOk = HalftoneFromName(argv[++i], kind.pattern) && argsOk;
        } else {
            files.push_back(argv[i]);
        }
    }
    vprinter::PinModel model;
    if (!argsOk || files.size() != 2 || !vprinter::VirtualPrinter::ModelForPins(pins, model)) {
        std::fprintf(stderr,
                     "usage: e2e-compare [--model 9|18|24] [--partial] [--halftone "
                     "HT_PATSIZE_AUTO|HT_PATSIZE_SUPERCELL_M|HT_PATSIZE_6x6_M|HT_PATSIZE_8x8_M] "
                     "<raster> <stream>\n");
        return 2;
    }

    std::vector<RasterPage> expected;
    std::vector<unsigned char> stream;
    if (!ReadRaster(files[0], pins, kind, expected) || !ReadFile(files[1], stream))
        return 2;

    const vprinter::PrintResult result = vprinter::VirtualPrinter(model).Print(stream);
    bool ok = true;
    if (!result.ok) {
        std::fprintf(stderr, "the printer stopped: %s\n", result.error.Describe().c_str());
        ok = false;
    }
    static const unsigned char kPageEnd[] = {0x0C, 0x1B, 0x40};
    if (stream.size() < sizeof kPageEnd ||
        !std::equal(std::begin(kPageEnd), std::end(kPageEnd), stream.end() - sizeof kPageEnd)) {
        std::fprintf(stderr, "the stream does not end with a whole page (0C 1B 40)\n");
        ok = false;
    }

    const std::size_t printed = result.pages.size();
    if (partial ? (printed == 0 || printed > expected.size()) : printed != expected.size()) {
        std::fprintf(stderr, "%zu pages printed, the raster has %zu\n", printed, expected.size());
        ok = false;
    }
    for (std::size_t i = 0; i < printed && i < expected.size(); ++i) {
        ok = ComparePage(i + 1, expected[i], result.pages[i]) && ok;
    }
    std::fprintf(stderr, "%s: %zu of %zu raster pages printed\n", ok ? "OK" : "MISMATCH", printed,
                 expected.size());
    return ok ? 0 : 1;
}
