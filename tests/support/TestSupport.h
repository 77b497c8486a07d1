// SPDX-License-Identifier: Apache-2.0
// TestSupport: the shared test harness (library `testsupport`) for the
// filter's tests and the end-to-end tests.
//
//   RasterWriter.h    real CUPS raster streams (libcups, compressed or not)
//                     from small pages; short pages for broken input.
//   FilterRunner.h    runs an executable as a child process with arguments,
//                     environment and staged standard input; captures
//                     stdout bytes, stderr lines and the exit status; can
//                     send a signal when a text appears on stderr; killed
//                     after a timeout.
//   TestFilter.h      the built filter's path, the test PPDs, and a ready
//                     run for the usual job.
//   ExpectedOutput.h  the bytes a correct filter writes for a page, built
//                     with DotMatrixPrinter.
//   TempDir.h         a temporary folder removed after the test (also alone,
//                     as library `tempdir`, for other suites and benchmarks).
//
// Typical use:
//   RasterPage page = MakeBitmapPage(64, 48, 180, 180);
//   FillPattern(page, 1);
//   FilterResult r = RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page})));
//   EXPECT_EQ(r.out, ExpectedPageBytes(24, page));
#ifndef RIDEVEDUDARUZO_TESTS_SUPPORT_TESTSUPPORT_H
#define RIDEVEDUDARUZO_TESTS_SUPPORT_TESTSUPPORT_H

#include "tests/support/ExpectedOutput.h"
#include "tests/support/FilterRunner.h"
#include "tests/support/RasterWriter.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFilter.h"

#endif
