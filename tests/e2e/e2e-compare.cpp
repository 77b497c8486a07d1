// e2e-compare: checks that a printer stream carries exactly the dots of a
// CUPS raster. It reads the one-bit black raster pages with libcups, prints
// the stream on the virtual ESC/P printer, and compares the two page by page:
// every inked pixel inside cupsWidth x cupsHeight must have been struck at
// its place on the sheet, and nothing else. It also checks that the stream
// is made of whole pages: every sheet was ejected by a form feed and the
// stream ends with the form feed and the reset that close a page.
//
// Usage: e2e-compare [--model 9|18|24] [--partial] <raster-file> <printer-stream>
//   --model    pins of the print head (default 24)
//   --partial  the stream may hold fewer pages than the raster (a cancelled
//              job); those it holds must match the raster's first pages
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

#include "tools/vprinter/VirtualPrinter.h"

namespace {

// One raster page reduced to what the comparison needs.
struct RasterPage {
    unsigned width = 0;
    unsigned height = 0;
    unsigned dpiX = 0;
    unsigned dpiY = 0;
    std::vector<vprinter::Dot> dots;  // inked pixels, in printer units
};

// Width of one raster column on paper, in 1/3600 inch. The 9-pin head prints
// its 160 and 80 dpi rasters with the 120 and 60 dpi bit-image densities;
// every other head and resolution prints a column per raster pixel.
bool ColumnPitch(int pins, unsigned dpiX, std::int32_t& pitch) {
    if (pins == 9) {
        if (dpiX == 160) { pitch = vprinter::kUnitsPerInch / 120; return true; }
        if (dpiX == 80) { pitch = vprinter::kUnitsPerInch / 60; return true; }
        return false;
    }
    if (dpiX == 0 || vprinter::kUnitsPerInch % dpiX != 0) return false;
    pitch = static_cast<std::int32_t>(vprinter::kUnitsPerInch / dpiX);
    return true;
}

bool ReadRaster(const char* path, int pins, std::vector<RasterPage>& pages) {
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        std::fprintf(stderr, "e2e-compare: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    bool ok = raster != nullptr;
    cups_page_header2_t header;
    std::vector<unsigned char> row;
    while (ok && cupsRasterReadHeader2(raster, &header)) {
        RasterPage page;
        page.width = header.cupsWidth;
        page.height = header.cupsHeight;
        page.dpiX = header.HWResolution[0];
        page.dpiY = header.HWResolution[1];
        std::int32_t pitchX = 0;
        if (header.cupsBitsPerPixel != 1 || header.cupsColorSpace != CUPS_CSPACE_K) {
            std::fprintf(stderr, "e2e-compare: page %zu is not a one-bit black raster\n",
                         pages.size() + 1);
            ok = false;
            break;
        }
        if (!ColumnPitch(pins, page.dpiX, pitchX) || page.dpiY == 0 ||
            vprinter::kUnitsPerInch % page.dpiY != 0) {
            std::fprintf(stderr, "e2e-compare: page %zu: no %d-pin mapping for %u x %u dpi\n",
                         pages.size() + 1, pins, page.dpiX, page.dpiY);
            ok = false;
            break;
        }
        const auto pitchY = static_cast<std::int32_t>(vprinter::kUnitsPerInch / page.dpiY);
        row.assign(header.cupsBytesPerLine, 0);
        for (unsigned y = 0; y < page.height; ++y) {
            if (cupsRasterReadPixels(raster, row.data(), header.cupsBytesPerLine) == 0) {
                std::fprintf(stderr, "e2e-compare: page %zu is cut short at row %u\n",
                             pages.size() + 1, y);
                ok = false;
                break;
            }
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
    if (raster) cupsRasterClose(raster);
    close(fd);
    return ok;
}

bool ReadFile(const char* path, std::vector<unsigned char>& bytes) {
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
              std::int32_t pitchY) {
    if (dots.empty()) return;
    std::fprintf(stderr, "  %zu %s, first at pixel", dots.size(), what);
    for (std::size_t i = 0; i < dots.size() && i < 5; ++i) {
        std::fprintf(stderr, " (%g, %g)", double(dots[i].x) / pitchX, double(dots[i].y) / pitchY);
    }
    std::fprintf(stderr, "\n");
}

bool ComparePage(std::size_t number, int pins, const RasterPage& expected,
                 const vprinter::PrintedPage& printed) {
    std::int32_t pitchX = 1;
    ColumnPitch(pins, expected.dpiX, pitchX);
    const auto pitchY = static_cast<std::int32_t>(vprinter::kUnitsPerInch / expected.dpiY);
    std::vector<vprinter::Dot> missing;
    std::vector<vprinter::Dot> extra;
    std::set_difference(expected.dots.begin(), expected.dots.end(), printed.dots.begin(),
                        printed.dots.end(), std::back_inserter(missing));
    std::set_difference(printed.dots.begin(), printed.dots.end(), expected.dots.begin(),
                        expected.dots.end(), std::back_inserter(extra));
    bool ok = missing.empty() && extra.empty() && printed.ejected;
    std::fprintf(stderr, "page %zu: %u x %u at %u x %u dpi, %zu inked pixels, %zu dots: %s\n",
                 number, expected.width, expected.height, expected.dpiX, expected.dpiY,
                 expected.dots.size(), printed.dots.size(), ok ? "match" : "DIFFER");
    ShowDots("inked pixels not printed", missing, pitchX, pitchY);
    ShowDots("dots not in the raster", extra, pitchX, pitchY);
    if (!printed.ejected) std::fprintf(stderr, "  the sheet was never ejected\n");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    int pins = 24;
    bool partial = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--model" && i + 1 < argc) {
            pins = std::atoi(argv[++i]);
        } else if (arg == "--partial") {
            partial = true;
        } else {
            files.push_back(argv[i]);
        }
    }
    vprinter::PinModel model;
    if (files.size() != 2 || !vprinter::VirtualPrinter::ModelForPins(pins, model)) {
        std::fprintf(stderr,
                     "usage: e2e-compare [--model 9|18|24] [--partial] <raster> <stream>\n");
        return 2;
    }

    std::vector<RasterPage> expected;
    std::vector<unsigned char> stream;
    if (!ReadRaster(files[0], pins, expected) || !ReadFile(files[1], stream)) return 2;

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
        std::fprintf(stderr, "%zu pages printed, the raster has %zu\n", printed,
                     expected.size());
        ok = false;
    }
    for (std::size_t i = 0; i < printed && i < expected.size(); ++i) {
        ok = ComparePage(i + 1, pins, expected[i], result.pages[i]) && ok;
    }
    std::fprintf(stderr, "%s: %zu of %zu raster pages printed\n", ok ? "OK" : "MISMATCH",
                 printed, expected.size());
    return ok ? 0 : 1;
}
