// SPDX-License-Identifier: Apache-2.0
// Preview: the work of the ridevedudaruzo-preview program, callable from
// tests. It reads a printer stream, prints it on a virtual printer and
// writes each sheet as a PNG image:
//
//   ridevedudaruzo-preview [--model 9|18|24] [--dpi XxY] input.prn outprefix
//
// writes outprefix-1.png, outprefix-2.png, ... one per sheet. --model picks
// the print head (default 24). --dpi sets the image resolution (1 to 720 on
// each axis); without it the resolution is the coarsest grid holding every
// dot of the stream exactly, see ResolutionPicker. When the stream is
// rejected, the sheets printed before the bad byte (the last one possibly
// unfinished) are still written and the status is 1.
#ifndef RIDEVEDUDARUZO_TOOLS_PREVIEW_PREVIEW_H
#define RIDEVEDUDARUZO_TOOLS_PREVIEW_PREVIEW_H

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace preview {

// Larger input files are refused unread.
constexpr std::size_t kMaxInputBytes = std::size_t{256} << 20;

// Exit statuses.
constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;  // unreadable input, rejected stream, no page, failed write
constexpr int kStatusUsage = 2;   // bad command line

// Runs the program on `args` (the arguments after the program name);
// progress goes to `out`, errors to `err`. Returns the exit status.
int RunPreview(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace preview

#endif
