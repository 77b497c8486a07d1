// SPDX-License-Identifier: Apache-2.0
// OrvESCP: encoder state, pin profiles, the page scan and the vertical
// paper moves (ESC J, ESC ( v, ESC ( U).
#include "escp/OrvESCP.h"

#include <algorithm>
#include <utility>

#include "escp/BandColumns.h"
#include "escp/EncoderLog.h"
#include "escp/EscpCodes.h"

namespace {

constexpr int kNoBitmapMode = -1;

// Bytes reserved for the commands of a page body beyond its bit-image data.
constexpr std::uint64_t kCommandRoom = 4096;

// First row at or after `row` with a dot in any of its bytes (padding bits
// included), or height when there is none: the rows lie one after another,
// so the blank ones are the zero bytes at the start of the rest of the page.
std::uint64_t FirstInkedRow(const unsigned char* bitmap, std::uint64_t bytesPerLine,
                            std::uint64_t row, std::uint64_t height)
{
    if (bytesPerLine == 0) {
        return height;
    }
    const std::uint64_t zeros =
        BandColumns::LeadingZeroBytes(bitmap + row * bytesPerLine, (height - row) * bytesPerLine);
    return row + zeros / bytesPerLine;
}

}  // namespace

OrvESCP::OrvESCP(int pins, int horizontalDpi, int verticalDpi)
    : pinType(pins),
      verticalUnit(0),
      dpiX(horizontalDpi),
      dpiY(verticalDpi),
      linesPerRow(0),
      bitmapM(kNoBitmapMode)
{
    switch (pinType) {
    case 18:
        InitPin18();
        break;
    case 24:
        InitPin24();
        break;
    case 9:
        InitPin9();
        break;
    default:
        break;
    }
    ENCODER_LOG("pinType: %d", pinType);
    ENCODER_LOG("dpiX: %d", dpiX);
    ENCODER_LOG("dpiY: %d", dpiY);
    ENCODER_LOG("linesPerRow: %d", linesPerRow);
    ENCODER_LOG("verticalUnit: %d", verticalUnit);
    ENCODER_LOG("bitmapM: %d", bitmapM);
}

OrvESCP::~OrvESCP() = default;

// 24-pin head: 48-row bands at 360 dpi vertically, 24 rows otherwise.
void OrvESCP::InitPin24()
{
    const bool fine = dpiY == 360;
    linesPerRow = fine ? 48 : 24;
    verticalUnit = fine ? 360 : 180;
    if (dpiX == 360 && (dpiY == 360 || dpiY == 180)) {
        bitmapM = 40;
    } else if (dpiX == 180 && dpiY == 180) {
        bitmapM = 39;
    } else if (dpiX == 120 && dpiY == 180) {
        bitmapM = 33;
    } else {
        bitmapM = 39;
    }
}

// 18-pin head: as 24 pins, except 72-row bands in mode 41 at 180 x 180.
void OrvESCP::InitPin18()
{
    InitPin24();
    if (dpiX == 180 && dpiY == 180) {
        linesPerRow = 72;
        bitmapM = 41;
    }
}

// 9-pin head: feeds in 1/144 inch; only three pairs have a density mode.
void OrvESCP::InitPin9()
{
    linesPerRow = dpiY == 144 ? 16 : 8;
    verticalUnit = 144;
    if (dpiX == 160 && (dpiY == 144 || dpiY == 72)) {
        bitmapM = 1;
    } else if (dpiX == 80 && dpiY == 72) {
        bitmapM = 0;
    }
}

// True when a page can be encoded with the current profile and prints at
// its own size: a density mode is set, one pass of a band fills exactly the
// mode's column of dots, the mode prints dpiX columns per inch, the pins of
// the pass (or of both interleaved passes) land on dpiY rows per inch, and
// every feed is a whole number of steps. Otherwise the bit images would carry
// more (or fewer) bytes per column than the printer takes, so that it would
// read pixel data as commands (a 24-pin head at 180 x 360 dpi, for instance,
// has 48-row bands but a 24-dot mode), or the page would be printed
// stretched or squeezed (a 24-pin head at 300 x 300 dpi prints 180 columns
// and 180 rows per inch).
bool OrvESCP::HasProfile() const
{
    if (bitmapM < 0 || linesPerRow < 8 || linesPerRow % 8 != 0) {
        return false;
    }
    const int passes = UsesDoublePass() ? 2 : 1;
    if (linesPerRow / passes != escp::DotsPerColumn(bitmapM)) {
        return false;
    }
    if (escp::ColumnsPerInch(bitmapM, pinType == 9) != dpiX) {
        return false;
    }
    if (escp::DotRowsPerInch(bitmapM) * passes != dpiY) {
        return false;
    }
    return verticalUnit % dpiY == 0;
}

// The page body bytes, modifiable.
BodyBytes& OrvESCP::PrinterData()
{
    return printerData;
}

// First byte of the page body; meaningful only while it is not empty.
unsigned char* OrvESCP::PrinterDataByte()
{
    return printerData.data();
}

// Plain field accessors; the setters do not re-run the profile rules.
int OrvESCP::DpiX() const
{
    return dpiX;
}
void OrvESCP::SetDpiX(int value)
{
    dpiX = value;
}
int OrvESCP::DpiY() const
{
    return dpiY;
}
void OrvESCP::SetDpiY(int value)
{
    dpiY = value;
}
int OrvESCP::VerticalUnit() const
{
    return verticalUnit;
}
void OrvESCP::SetVerticalUnit(int value)
{
    verticalUnit = value;
}
std::uint8_t OrvESCP::LinesPerRow() const
{
    return linesPerRow;
}
void OrvESCP::SetLinesPerRow(std::uint8_t value)
{
    linesPerRow = value;
}

// Two interleaved passes at 360 x 360 and 160 x 144, when each pass fills
// whole bytes per column.
bool OrvESCP::UsesDoublePass() const
{
    const bool doublePair = (dpiX == 360 && dpiY == 360) || (dpiX == 160 && dpiY == 144);
    return doublePair && linesPerRow > 0 && linesPerRow % 16 == 0;
}

// Columns per unit of ESC $: dpiX / 60 is the 1/60 inch of 18- and 24-pin
// printers at 120, 180 and 360 dpi, and, rounded down, the 1/80 inch of the
// 9-pin receipt printers at 80 and 160 dpi (1 and 2 columns).
int OrvESCP::GridStep() const
{
    return dpiX / 60;
}

// Appends a two-byte parameter, low byte first.
void OrvESCP::AppendWord(std::uint64_t value)
{
    printerData.push_back(static_cast<unsigned char>(value & 0xFF));
    printerData.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

// Walks the page from the top: blank rows become feed, every band that
// starts at an inked row is moved to and encoded.
int OrvESCP::DotMatrix2Page(const unsigned char* bitmap, std::uint64_t bytesPerLine,
                            std::uint64_t width, std::uint64_t height)
{
    if (bitmap == nullptr) {
        return -1;
    }
    printerData.clear();
    if (!HasProfile()) {
        return -1;
    }
    // Room for the whole body at once (the bit images carry each dot of the
    // page at most once, plus a little for the commands and the room the
    // column blocks are made in), or for a part when the body goes out in
    // parts.
    const std::uint64_t wholeBody = bytesPerLine * height + kCommandRoom + BandColumns::kAppendRoom;
    printerData.reserve(bodyDrain ? std::min<std::uint64_t>(wholeBody, bodyPartBytes + kCommandRoom)
                                  : wholeBody);
    width = std::min(width, bytesPerLine * 8);

    const std::uint64_t bandRows = linesPerRow;
    // After a double-pass band the head already stands one row lower.
    const std::uint64_t feedAfterBand = UsesDoublePass() ? bandRows - 1 : bandRows;
    std::uint64_t pendingFeed = 0;
    std::uint64_t row = 0;
    while (row < height) {
        // Blank rows only add to the feed.
        const std::uint64_t inked = FirstInkedRow(bitmap, bytesPerLine, row, height);
        pendingFeed += inked - row;
        row = inked;
        if (row == height) {
            break;
        }
        const unsigned char* rowStart = bitmap + row * bytesPerLine;
        AddVertical(static_cast<int>(pendingFeed));
        if (row + bandRows <= height) {
            OneLineToBytes(rowStart, bytesPerLine, width);
        } else {
            EncodeLastBand(rowStart, height - row, bytesPerLine, width);
        }
        pendingFeed = feedAfterBand;
        row += bandRows;
        if (bodyDrain && printerData.size() >= bodyPartBytes) {
            if (!bodyDrain(printerData)) {
                return 0;
            }
            printerData.clear();
        }
    }
    return 1;
}

void OrvESCP::SetBodyDrain(BodyDrain drain, std::size_t partBytes)
{
    bodyDrain = std::move(drain);
    bodyPartBytes = partBytes;
}

// Copies the page's last rows into a blank band so the band encoders can
// read a whole band without reading past the page.
void OrvESCP::EncodeLastBand(const unsigned char* bandTop, std::uint64_t rows,
                             std::uint64_t bytesPerLine, std::uint64_t width)
{
    std::vector<unsigned char> band(static_cast<std::size_t>(linesPerRow) * bytesPerLine, 0);
    std::copy(bandTop, bandTop + rows * bytesPerLine, band.begin());
    OneLineToBytes(band.data(), bytesPerLine, width);
}

// Chooses the band encoder for the resolution.
void OrvESCP::OneLineToBytes(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                             std::uint64_t width)
{
    if (UsesDoublePass()) {
        OneLineToBytesDouble(bandTop, bytesPerLine, width);
    } else {
        OneLineToBytesSingle(bandTop, bytesPerLine, width);
    }
}

// CR, then a feed of `rows` raster rows: ESC ( v in 1/360 inch at
// 360 x 360 (a chain of them beyond 32767 rows), otherwise a chain of ESC J
// in 1/verticalUnit inch.
void OrvESCP::AddVertical(int rows)
{
    printerData.push_back(escp::kCarriageReturn);
    if (dpiX == 360 && dpiY == 360) {
        AddSetUnitCmd(escp::kUnit360th);
        // ESC ( v counts in a signed 16-bit word: a longer feed takes
        // several commands.
        while (rows > escp::kMaxRelativeFeed) {
            AddVerticalEx(escp::kMaxRelativeFeed);
            rows -= escp::kMaxRelativeFeed;
        }
        AddVerticalEx(rows);
        AddSetUnitCmd(escp::kUnit60th);
        return;
    }
    std::int64_t steps = 0;
    if (dpiY != 0) {
        steps = static_cast<std::int64_t>(verticalUnit) * rows / dpiY;
    }
    while (steps >= escp::kMaxFeedSteps) {
        printerData.insert(printerData.end(), {escp::kEsc, escp::kFeedSteps,
                                               static_cast<unsigned char>(escp::kMaxFeedSteps)});
        steps -= escp::kMaxFeedSteps;
    }
    if (steps >= 1) {
        printerData.insert(printerData.end(),
                           {escp::kEsc, escp::kFeedSteps, static_cast<unsigned char>(steps)});
    }
}

// CR and ESC ( v: relative feed in the unit set by ESC ( U. Not on 9 pins.
void OrvESCP::AddVerticalEx(int units)
{
    if (pinType == 9) {
        return;
    }
    printerData.insert(printerData.end(), {escp::kCarriageReturn, escp::kEsc, escp::kExtended,
                                           escp::kRelativeFeed, escp::kRelativeFeedParamCount, 0});
    AppendWord(static_cast<std::uint64_t>(units));
}

// ESC ( U: sets the unit to unit/3600 inch. Not on 9 pins.
void OrvESCP::AddSetUnitCmd(std::uint8_t unit)
{
    if (pinType == 9) {
        return;
    }
    printerData.insert(printerData.end(), {escp::kEsc, escp::kExtended, escp::kSetUnit,
                                           escp::kSetUnitParamCount, 0, unit});
}
