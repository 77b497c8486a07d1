// SPDX-License-Identifier: Apache-2.0
// TestFilter: where the built filter and the test PPDs are, and a ready
// FilterRun for the usual job: the filter with the print-filter arguments,
// PPD set, raster on standard input.
#ifndef RIDEVEDUDARUZO_TESTS_SUPPORT_TESTFILTER_H
#define RIDEVEDUDARUZO_TESTS_SUPPORT_TESTFILTER_H

#include <string>
#include <vector>

#include "tests/support/FilterRunner.h"

namespace testsupport {

// Path of the built ridevedudaruzo executable.
std::string FilterPath();

// Path of the test PPD for a 9-, 18- or 24-pin printer (ppd/test).
std::string TestPpdPath(int pins);

// Path of the PPD the project ships for a 9-, 18- or 24-pin printer (built
// from ppd/ridevedudaruzo.drv), with every media and finishing option.
std::string ModelPpdPath(int pins);

// The print-filter arguments after argv[0]: job id, user, title, copies,
// options, and the raster file when one is given.
std::vector<std::string> FilterArgs(const std::string& options = "",
                                    const std::string& rasterFile = "");

// A run of the built filter with PPD set to `ppdPath`, the given options
// and the raster stream written to its standard input in one piece.
FilterRun FilterJob(const std::string& ppdPath, const std::vector<unsigned char>& raster,
                    const std::string& options = "");

}  // namespace testsupport

#endif
