// Fuzz target: the printer object and its encoder with hostile page shapes
// and settings. The first byte chooses what is driven:
//   0  a one-bit page through DotMatrixPrinter::SetPage and the five pieces
//   1  an 8-bit grey page through the grey SetPage with a pattern name
//   2  the command-text conversions on arbitrary text
// then come the pin type (profile heads and unknown ones), the resolution
// (profile pairs and odd values), the page shape and the pixels.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "escp/OrvESCP.h"
#include "printer/DotMatrixPrinter.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

struct Resolution {
    int x;
    int y;
};

// Pin counts: the three heads and values no profile knows.
const int kPins[] = {9, 18, 24, 0, 8, -1, 25, 48};
// Resolutions: every profile pair, then pairs no profile expects.
const Resolution kResolutions[] = {
    {360, 360}, {360, 180}, {180, 180}, {120, 180}, {160, 144}, {160, 72}, {80, 72},
    {180, 360}, {60, 60},   {0, 0},     {1, 1},     {-360, 360}, {720, 720}, {360, 1},
    {INT_MAX, INT_MIN},     {144, 160}};
// Grey pattern names: the known ones, an unknown one and an empty one.
const char* const kPatterns[] = {"HT_PATSIZE_AUTO", "HT_PATSIZE_SUPERCELL_M", "HT_PATSIZE_6x6_M",
                                 "HT_PATSIZE_8x8_M", "HT_PATSIZE_9x9_M", ""};

// The page buffer: bytesPerLine x height bytes, filled from the input and
// padded with zeros when the input runs out.
std::vector<unsigned char> PageBuffer(fuzz::FuzzInput& in, std::size_t bytes)
{
    std::vector<unsigned char> page(bytes, 0);
    const std::size_t copied = bytes < in.Remaining() ? bytes : in.Remaining();
    if (copied != 0)
        std::memcpy(page.data(), in.Rest(), copied);
    in.Skip(copied);
    return page;
}

// Sets a page on a fresh printer and builds all five pieces.
void DrivePrinter(fuzz::FuzzInput& in, bool grey)
{
    const int pins = in.Pick(kPins);
    const Resolution dpi = in.Pick(kResolutions);
    const std::string pattern = in.Pick(kPatterns);
    const unsigned long bytesPerLine = in.Byte() % 48 + 1;
    // Widths up to a few pixels past what a line holds, to reach the clamp.
    const unsigned long width = in.Word() % (bytesPerLine * 8 + 24);
    const unsigned long height = in.Byte() % 160;
    const bool nullPage = (in.Byte() & 0x0f) == 0x0f;
    std::vector<unsigned char> pixels = PageBuffer(in, bytesPerLine * height);

    DotMatrixPrinter printer(pins, dpi.x, dpi.y);
    const unsigned char* page = nullPage || pixels.empty() ? nullptr : pixels.data();
    if (grey)
        printer.SetPage(page, bytesPerLine, width, height, pattern);
    else
        printer.SetPage(page, bytesPerLine, width, height);
    std::vector<unsigned char> piece;
    printer.StartDoc(piece);
    printer.StartPage(piece);
    printer.Page(piece);
    printer.EndPage(piece);
    printer.EndDoc(piece);
}

// Runs the command-text conversions on the rest of the input.
void DriveText(fuzz::FuzzInput& in)
{
    const std::string text(reinterpret_cast<const char*>(in.Rest()), in.Remaining());
    std::vector<unsigned char> out;
    OrvESCP::SequenceToByte(text, out);
    OrvESCP::HexToNum(text);
    for (char c : text)
        OrvESCP::Char2Num(c);
    int n = 0;
    std::memcpy(&n, text.data(), text.size() < sizeof n ? text.size() : sizeof n);
    OrvESCP::Num2String(n);
    OrvESCP::NumSpilit(static_cast<unsigned long>(n), out);
}

}  // namespace

// Drives one part of the printer, chosen by the first byte.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    switch (in.Byte() % 3) {
    case 0:
        DrivePrinter(in, false);
        break;
    case 1:
        DrivePrinter(in, true);
        break;
    default:
        DriveText(in);
        break;
    }
    return 0;
}
