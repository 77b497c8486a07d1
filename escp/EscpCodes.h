// SPDX-License-Identifier: Apache-2.0
// Byte values of the ESC/P commands that the encoder builds, named once for
// the page scan and the band encoders.
#ifndef RIDEVEDUDARUZO_ESCP_ESCPCODES_H
#define RIDEVEDUDARUZO_ESCP_ESCPCODES_H

namespace escp {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kCarriageReturn = 0x0D;
// BEL: sounds the printer's buzzer (used to identify a printer).
constexpr unsigned char kBell = 0x07;

// ESC J n: feed the paper n steps of 1/verticalUnit inch.
constexpr unsigned char kFeedSteps = 0x4A;  // 'J'
constexpr int kMaxFeedSteps = 255;

// ESC ( U and ESC ( v: extended commands with a two-byte parameter count.
constexpr unsigned char kExtended = 0x28;      // '('
constexpr unsigned char kSetUnit = 0x55;       // 'U'
constexpr unsigned char kRelativeFeed = 0x76;  // 'v'
constexpr unsigned char kSetUnitParamCount = 1;
constexpr unsigned char kRelativeFeedParamCount = 2;
// Largest feed one ESC ( v takes. Its two-byte count is signed: from 32768
// on the printer reads a negative count and moves the paper up.
constexpr int kMaxRelativeFeed = 32767;

// Units of ESC ( U, in 1/3600 inch.
constexpr unsigned char kUnit360th = 10;
constexpr unsigned char kUnit60th = 60;

// ESC $ nL nH: absolute horizontal position; ESC * m nL nH: bit image.
constexpr unsigned char kAbsoluteHorizontal = 0x24;  // '$'
constexpr unsigned char kBitImage = 0x2A;            // '*'

// Dots in one column of a bit-image density mode: the 8-dot modes 0 and 1,
// the 24-dot modes 32 to 40, the 72-dot mode 41; 0 for any other mode.
constexpr int DotsPerColumn(int mode)
{
    switch (mode) {
    case 0:
    case 1:
        return 8;
    case 32:
    case 33:
    case 38:
    case 39:
    case 40:
        return 24;
    case 41:
        return 72;
    default:
        return 0;
    }
}

// Columns per inch of a bit-image density mode; 0 for a mode the encoder
// does not know. The 9-pin head speaks the dialect of impact receipt and
// slip printers, whose 8-dot modes 0 and 1 print 80 and 160 columns per
// inch (60 and 120 on 24-pin printers).
constexpr int ColumnsPerInch(int mode, bool receiptDialect)
{
    switch (mode) {
    case 0:
        return receiptDialect ? 80 : 60;
    case 1:
        return receiptDialect ? 160 : 120;
    case 32:
        return 60;
    case 33:
        return 120;
    case 38:
        return 90;
    case 39:
    case 41:
        return 180;
    case 40:
        return 360;
    default:
        return 0;
    }
}

// Dot rows per inch within one column of a density mode: the pins of an
// 8-dot column are 1/72 inch apart, those of 24- and 72-dot columns 1/180
// inch; 0 for any other mode.
constexpr int DotRowsPerInch(int mode)
{
    switch (DotsPerColumn(mode)) {
    case 8:
        return 72;
    case 24:
    case 72:
        return 180;
    default:
        return 0;
    }
}

}  // namespace escp

#endif
