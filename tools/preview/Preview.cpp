// SPDX-License-Identifier: Apache-2.0
// Preview: command line, input reading and the page-by-page PNG output of
// the preview program.
#include "tools/preview/Preview.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "tools/preview/PngWriter.h"
#include "tools/preview/ResolutionPicker.h"
#include "tools/vprinter/PageRaster.h"
#include "tools/vprinter/VirtualPrinter.h"

namespace preview {
namespace {

constexpr const char* kProgram = "ridevedudaruzo-preview";
constexpr const char* kUsage =
    "usage: ridevedudaruzo-preview [--model 9|18|24] [--dpi XxY] input.prn outprefix\n";

struct Options {
    vprinter::PinModel model = vprinter::PinModel::Pins24;
    bool dpiGiven = false;
    Resolution dpi;
    std::string input;
    std::string outPrefix;
};

// A whole decimal number in 1..max, nothing else.
bool ParseNumber(const std::string& text, int max, int& value)
{
    if (text.empty() || text.size() > 4)
        return false;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > max)
        return false;
    value = number;
    return true;
}

// "XxY" with both numbers in 1..PageRaster::kMaxDpi.
bool ParseDpi(const std::string& text, Resolution& dpi)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos)
        return false;
    return ParseNumber(text.substr(0, cross), vprinter::PageRaster::kMaxDpi, dpi.x) &&
           ParseNumber(text.substr(cross + 1), vprinter::PageRaster::kMaxDpi, dpi.y);
}

// Fills `options` from the arguments; false with a message on `err`.
bool ParseArguments(const std::vector<std::string>& args, Options& options, std::ostream& err)
{
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--model") {
            int pins = 0;
            if (!hasValue || !ParseNumber(args[i + 1], 99, pins) ||
                !vprinter::VirtualPrinter::ModelForPins(pins, options.model)) {
                err << kProgram << ": --model takes 9, 18 or 24\n" << kUsage;
                return false;
            }
            ++i;
        } else if (arg == "--dpi") {
            if (!hasValue || !ParseDpi(args[i + 1], options.dpi)) {
                err << kProgram << ": --dpi takes XxY, each from 1 to "
                    << vprinter::PageRaster::kMaxDpi << "\n"
                    << kUsage;
                return false;
            }
            options.dpiGiven = true;
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << kProgram << ": unknown option " << arg << "\n" << kUsage;
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        err << kUsage;
        return false;
    }
    options.input = files[0];
    options.outPrefix = files[1];
    return true;
}

// Reads the whole input file, refusing files over kMaxInputBytes.
bool ReadInput(const std::string& path, std::vector<unsigned char>& data, std::ostream& err)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        err << kProgram << ": " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    unsigned char chunk[65536];
    bool ok = true;
    while (ok) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got > kMaxInputBytes - data.size()) {
            err << kProgram << ": " << path << ": larger than " << (kMaxInputBytes >> 20)
                << " MiB\n";
            ok = false;
        } else {
            data.insert(data.end(), chunk, chunk + got);
        }
        if (got < sizeof chunk)
            break;
    }
    if (ok && std::ferror(file)) {
        err << kProgram << ": " << path << ": " << std::strerror(errno) << "\n";
        ok = false;
    }
    std::fclose(file);
    return ok;
}

// Renders and saves one page; false after reporting a failure on `err`.
bool WritePage(const vprinter::PrintedPage& page, const Resolution& dpi, const std::string& path,
               std::ostream& out, std::ostream& err)
{
    vprinter::PageRaster raster;
    std::string error;
    if (!vprinter::PageRaster::Render(page, dpi.x, dpi.y, raster)) {
        error = "cannot render at " + std::to_string(dpi.x) + "x" + std::to_string(dpi.y) + " dpi";
    } else if (WritePng(raster, dpi.x, dpi.y, path, error)) {
        out << "wrote " << path << ": " << raster.Width() << "x" << raster.Height() << " pixels at "
            << dpi.x << "x" << dpi.y << " dpi, " << page.dots.size() << " dots"
            << (page.ejected ? "" : " (not ejected)") << "\n";
        return true;
    }
    err << kProgram << ": " << error << "\n";
    return false;
}

}  // namespace

// Parse, read, pick the resolution (first run), render every page (second run).
int RunPreview(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Options options;
    if (!ParseArguments(args, options, err))
        return kStatusUsage;
    std::vector<unsigned char> stream;
    if (!ReadInput(options.input, stream, err))
        return kStatusFailed;

    const vprinter::VirtualPrinter printer(options.model);
    vprinter::StreamError streamError;
    Resolution dpi = options.dpi;
    if (!options.dpiGiven) {
        ResolutionPicker picker;
        printer.Print(
            stream.data(), stream.size(),
            [&picker](vprinter::PrintedPage&& page) { picker.Add(page); }, streamError);
        dpi = picker.Pick(options.model);
    }

    int pages = 0;
    bool written = true;
    const bool accepted = printer.Print(
        stream.data(), stream.size(),
        [&](vprinter::PrintedPage&& page) {
            ++pages;
            const std::string path = options.outPrefix + "-" + std::to_string(pages) + ".png";
            if (written)
                written = WritePage(page, dpi, path, out, err);
        },
        streamError);

    if (!accepted) {
        err << kProgram << ": " << options.input << ": " << streamError.Describe() << "\n";
        return kStatusFailed;
    }
    if (pages == 0) {
        err << kProgram << ": " << options.input << ": the stream prints no page\n";
        return kStatusFailed;
    }
    return written ? kStatusOk : kStatusFailed;
}

}  // namespace preview
