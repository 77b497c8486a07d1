// SPDX-License-Identifier: Apache-2.0
// Byte values of the ESC/P commands that the virtual printer understands,
// named once for the interpreter, its tests and the tools built on it.
#ifndef RIDEVEDUDARUZO_TOOLS_VPRINTER_ESCPBYTES_H
#define RIDEVEDUDARUZO_TOOLS_VPRINTER_ESCPBYTES_H

namespace vprinter::escp {

// Single-byte controls.
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kFormFeed = 0x0C;

// Command letters that follow ESC.
constexpr unsigned char kInitialise = 0x40;          // ESC @
constexpr unsigned char kFeed = 0x4A;                // ESC J n
constexpr unsigned char kAbsoluteHorizontal = 0x24;  // ESC $ nL nH
constexpr unsigned char kBitImage = 0x2A;            // ESC * m nL nH data
constexpr unsigned char kExtended = 0x28;            // ESC ( c nL nH parameters

// Extended command letters that follow ESC (, with their parameter counts.
constexpr unsigned char kSetUnit = 0x55;  // ESC ( U 01 00 m
constexpr unsigned char kSetUnitLength = 1;
constexpr unsigned char kRelativeVertical = 0x76;  // ESC ( v 02 00 nL nH
constexpr unsigned char kRelativeVerticalLength = 2;

// Bit-image density modes (the m of ESC *). The 8-dot modes print 60 and
// 120 dpi on 18- and 24-pin printers, 80 and 160 dpi on the 9-pin receipt
// and slip printers.
constexpr unsigned char kMode8DotSingle = 0;    // 60 (9 pins: 80) dpi, 8 dots per column
constexpr unsigned char kMode8DotDouble = 1;    // 120 (9 pins: 160) dpi, 8 dots
constexpr unsigned char kMode24DotSingle = 32;  // 60 dpi, 24 dots
constexpr unsigned char kMode24DotDouble = 33;  // 120 dpi, 24 dots
constexpr unsigned char kMode24DotCrt = 38;     // 90 dpi, 24 dots
constexpr unsigned char kMode24DotTriple = 39;  // 180 dpi, 24 dots
constexpr unsigned char kMode24DotHex = 40;     // 360 dpi, 24 dots
constexpr unsigned char kMode72Dot = 41;        // 180 dpi, 72 dots (9 bytes)

// ESC ( U counts its unit in 1/3600 inch; the defined unit after power-on
// and ESC @ is 60/3600 = 1/60 inch (18 and 24 pins).
constexpr int kSetUnitDivisions = 3600;
constexpr unsigned char kDefaultUnit = 60;

}  // namespace vprinter::escp

#endif
