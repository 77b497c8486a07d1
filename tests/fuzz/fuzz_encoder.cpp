// SPDX-License-Identifier: Apache-2.0
// Fuzz target: the printer object and its encoder with hostile page shapes
// and settings. The first byte chooses what is driven:
//   0  a one-bit page through DotMatrixPrinter::SetPage and the five pieces
//   1  an 8-bit grey page through the grey SetPage with a pattern name
//   2  the command-text conversions on arbitrary text
//   3  a one-bit page up to 65528 pixels wide, its rows repeating the input
// then come the pin type (profile heads and unknown ones), the resolution
// (profile pairs and odd values), the page shape and the pixels.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    {360, 360}, {360, 180}, {180, 180},         {120, 180}, {160, 144}, {160, 72},
    {80, 72},   {180, 360}, {60, 60},           {0, 0},     {1, 1},     {-360, 360},
    {720, 720}, {360, 1},   {INT_MAX, INT_MIN}, {144, 160}};
// Grey pattern names: the known ones, an unknown one and an empty one.
const char* const kPatterns[] = {"HT_PATSIZE_AUTO",  "HT_PATSIZE_SUPERCELL_M", "HT_PATSIZE_6x6_M",
                                 "HT_PATSIZE_8x8_M", "HT_PATSIZE_9x9_M",       ""};

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

// True for the heads and resolutions a printer's PPD offers: the pairs for
// which the profile gives a band height whose column bytes match the
// density mode. At other pairs that a 24- or 18-pin profile also encodes
// (180 x 360 dpi, for one) a column carries more bytes than the mode's, so
// their bodies are not expected to read back as whole commands.
bool IsProfilePair(int pins, const Resolution& dpi)
{
    const auto is = [&](int x, int y) { return dpi.x == x && dpi.y == y; };
    if (pins == 9)
        return is(160, 144) || is(160, 72) || is(80, 72);
    if (pins == 18 && is(180, 180))
        return true;
    return (pins == 18 || pins == 24) &&
           (is(360, 360) || is(360, 180) || is(180, 180) || is(120, 180));
}

// Bytes per column of the bit-image mode with density byte m.
std::size_t ColumnBytes(unsigned char m)
{
    if (m == 0 || m == 1)
        return 1;            // 8 dots
    return m == 41 ? 9 : 3;  // 72 dots, else 24 dots
}

// Walks a page body command by command; aborts, naming the offset, when a
// byte is not the start of a command the encoder writes or a command runs
// past the end of the body.
void CheckCommands(const std::vector<unsigned char>& body)
{
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t length = 0;
        const std::size_t left = body.size() - at;
        if (body[at] == 0x0D) {
            length = 1;
        } else if (body[at] == 0x1B && left >= 2) {
            const unsigned char letter = body[at + 1];
            if (letter == 'J')
                length = 3;
            else if (letter == '$')
                length = 4;
            else if (letter == '(' && left >= 5)
                length = 5 + body[at + 3] + 256u * body[at + 4];
            else if (letter == '*' && left >= 5)
                length = 5 + (body[at + 3] + 256u * body[at + 4]) * ColumnBytes(body[at + 2]);
        }
        if (length == 0 || length > left) {
            fprintf(stderr, "page body of %zu bytes: no whole command at offset %zu\n", body.size(),
                    at);
            abort();
        }
        at += length;
    }
}

// A page up to 65528 pixels wide (the filter takes no page wider than the
// 65535 columns a bit image can count) and up to 48 rows; the rest of the
// input is repeated to fill it (all ink when there is none).
void DriveWidePage(fuzz::FuzzInput& in)
{
    const int pins = in.Pick(kPins);
    const Resolution dpi = in.Pick(kResolutions);
    // The filter refuses pages below 60 dpi across, where the output of a
    // wide page grows with the square of its width.
    if (dpi.x < 60)
        return;
    const unsigned long bytesPerLine = in.Word() % 8191 + 1;
    const unsigned long height = in.Byte() % 48 + 1;
    std::vector<unsigned char> pixels(bytesPerLine * height, 0xFF);
    if (in.Remaining() != 0)
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = in.Rest()[i % in.Remaining()];

    DotMatrixPrinter printer(pins, dpi.x, dpi.y);
    printer.SetPage(pixels.data(), bytesPerLine, bytesPerLine * 8, height);
    std::vector<unsigned char> body;
    printer.Page(body);
    if (IsProfilePair(pins, dpi))
        CheckCommands(body);
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
    if (IsProfilePair(pins, dpi))
        CheckCommands(piece);
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
    switch (in.Byte() % 4) {
    case 0:
        DrivePrinter(in, false);
        break;
    case 1:
        DrivePrinter(in, true);
        break;
    case 2:
        DriveText(in);
        break;
    default:
        DriveWidePage(in);
        break;
    }
    return 0;
}
