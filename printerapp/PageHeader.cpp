// SPDX-License-Identifier: Apache-2.0
// PageHeader: field-by-field comparison of raster page headers.
#include "printerapp/PageHeader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// True when two fixed-size string fields hold the same text.
template <std::size_t N>
bool SameText(const char (&a)[N], const char (&b)[N])
{
    return std::strncmp(a, b, N) == 0;
}

// True when two array fields hold the same values.
template <typename T, std::size_t N>
bool SameValues(const T (&a)[N], const T (&b)[N])
{
    return std::equal(std::begin(a), std::end(a), std::begin(b));
}

// The media and sheet fields.
bool SameMedia(const cups_page_header2_t& a, const cups_page_header2_t& b)
{
    return SameText(a.MediaClass, b.MediaClass) && SameText(a.MediaColor, b.MediaColor) &&
           SameText(a.MediaType, b.MediaType) && SameText(a.OutputType, b.OutputType) &&
           a.AdvanceDistance == b.AdvanceDistance && a.AdvanceMedia == b.AdvanceMedia &&
           a.Collate == b.Collate && a.CutMedia == b.CutMedia && a.Duplex == b.Duplex &&
           SameValues(a.HWResolution, b.HWResolution) &&
           SameValues(a.ImagingBoundingBox, b.ImagingBoundingBox) &&
           a.InsertSheet == b.InsertSheet && a.Jog == b.Jog && a.LeadingEdge == b.LeadingEdge &&
           SameValues(a.Margins, b.Margins) && a.ManualFeed == b.ManualFeed &&
           a.MediaPosition == b.MediaPosition && a.MediaWeight == b.MediaWeight &&
           a.MirrorPrint == b.MirrorPrint && a.NegativePrint == b.NegativePrint &&
           a.NumCopies == b.NumCopies && a.Orientation == b.Orientation &&
           a.OutputFaceUp == b.OutputFaceUp && SameValues(a.PageSize, b.PageSize) &&
           a.Separations == b.Separations && a.TraySwitch == b.TraySwitch && a.Tumble == b.Tumble;
}

// The raster fields: geometry, pixel format and the CUPS extensions.
bool SameRaster(const cups_page_header2_t& a, const cups_page_header2_t& b)
{
    return a.cupsWidth == b.cupsWidth && a.cupsHeight == b.cupsHeight &&
           a.cupsMediaType == b.cupsMediaType && a.cupsBitsPerColor == b.cupsBitsPerColor &&
           a.cupsBitsPerPixel == b.cupsBitsPerPixel && a.cupsBytesPerLine == b.cupsBytesPerLine &&
           a.cupsColorOrder == b.cupsColorOrder && a.cupsColorSpace == b.cupsColorSpace &&
           a.cupsCompression == b.cupsCompression && a.cupsRowCount == b.cupsRowCount &&
           a.cupsRowFeed == b.cupsRowFeed && a.cupsRowStep == b.cupsRowStep &&
           a.cupsNumColors == b.cupsNumColors &&
           a.cupsBorderlessScalingFactor == b.cupsBorderlessScalingFactor &&
           SameValues(a.cupsPageSize, b.cupsPageSize) &&
           SameValues(a.cupsImagingBBox, b.cupsImagingBBox) &&
           SameValues(a.cupsInteger, b.cupsInteger) && SameValues(a.cupsReal, b.cupsReal) &&
           std::equal(std::begin(a.cupsString), std::end(a.cupsString), std::begin(b.cupsString),
                      [](const char(&x)[64], const char(&y)[64]) { return SameText(x, y); }) &&
           SameText(a.cupsMarkerType, b.cupsMarkerType) &&
           SameText(a.cupsRenderingIntent, b.cupsRenderingIntent) &&
           SameText(a.cupsPageSizeName, b.cupsPageSizeName);
}

}  // namespace

bool SameHeader(const cups_page_header2_t& a, const cups_page_header2_t& b)
{
    return SameMedia(a, b) && SameRaster(a, b);
}
