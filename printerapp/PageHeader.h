// SPDX-License-Identifier: Apache-2.0
// PageHeader: comparing two CUPS raster page headers field by field, as
// their values say, not as their bytes are laid out (the bytes after a
// string's end and any padding are not part of a header's value).
#ifndef RIDEVEDUDARUZO_PRINTERAPP_PAGEHEADER_H
#define RIDEVEDUDARUZO_PRINTERAPP_PAGEHEADER_H

#include <cups/raster.h>

// True when every field of the two headers has the same value.
bool SameHeader(const cups_page_header2_t& a, const cups_page_header2_t& b);

#endif
