// SPDX-License-Identifier: Apache-2.0
// The PPD choice names of the job options, spelled once: the printer object
// acts on them, and the option table (page/OptionTable.h) gives each its
// option, IPP keyword and label. The PPDs (ppd/ridevedudaruzo.drv) carry the
// same names; a test compares them with the table.
#ifndef RIDEVEDUDARUZO_PRINTER_OPTIONCHOICES_H
#define RIDEVEDUDARUZO_PRINTER_OPTIONCHOICES_H

namespace choice {

// Grey shades: one-bit black pages, or eight-bit grey the filter dithers.
constexpr const char* kBlackWhite = "BlackWhite";
constexpr const char* kHalftoned = "Halftoned";

// Paper type: ticket paper needs no extra form feed at the page end.
constexpr const char* kTicketPaper = "TICKET";
constexpr const char* kSheetPaper = "SHEET";

// Print direction and mode: as the printer's own setting.
constexpr const char* kPrinterDefault = "PrinterDefault";

// Print direction.
constexpr const char* kUnidirectional = "Unidirectional";
constexpr const char* kBidirectional = "Bidirectional";

// Print mode: printing in both directions, or in one only.
constexpr const char* kDoublePrint = "DOUBLEPRN";
constexpr const char* kSimplePrint = "SIMPLEPRN";

// Generic choices of the cash drawer, black mark, cutter and cut type
// options; what each selects is up to the option.
constexpr const char* kOption1 = "Option1";
constexpr const char* kOption2 = "Option2";
constexpr const char* kOption3 = "Option3";
constexpr const char* kOption4 = "Option4";

// Halftone patterns for grey pages.
constexpr const char* kHalftoneAuto = "HT_PATSIZE_AUTO";
constexpr const char* kHalftoneSupercell = "HT_PATSIZE_SUPERCELL_M";
constexpr const char* kHalftone8x8 = "HT_PATSIZE_8x8_M";
constexpr const char* kHalftone6x6 = "HT_PATSIZE_6x6_M";

}  // namespace choice

#endif
