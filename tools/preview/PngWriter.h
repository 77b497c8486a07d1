// SPDX-License-Identifier: Apache-2.0
// PngWriter: saves a page raster as a one-bit greyscale PNG, black dots on
// white, with its physical resolution recorded in the file.
#ifndef RIDEVEDUDARUZO_TOOLS_PREVIEW_PNGWRITER_H
#define RIDEVEDUDARUZO_TOOLS_PREVIEW_PNGWRITER_H

#include <string>

#include "tools/vprinter/PageRaster.h"

namespace preview {

// Writes `raster` (drawn at xDpi x yDpi) to `path`. On failure returns
// false with a message in `error` and removes the partial file.
bool WritePng(const vprinter::PageRaster& raster, int xDpi, int yDpi, const std::string& path,
              std::string& error);

}  // namespace preview

#endif
