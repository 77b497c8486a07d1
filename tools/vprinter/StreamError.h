// SPDX-License-Identifier: Apache-2.0
// StreamError: why the virtual printer stopped reading a stream, and where.
#ifndef RIDEVEDUDARUZO_TOOLS_VPRINTER_STREAMERROR_H
#define RIDEVEDUDARUZO_TOOLS_VPRINTER_STREAMERROR_H

#include <cstddef>
#include <string>

namespace vprinter {

struct StreamError {
    // Offset of the byte the printer could not accept: the unknown command
    // letter or bad parameter itself, or the first byte of a command that
    // is cut short by the end of the stream or breaks a page limit.
    std::size_t offset = 0;
    unsigned char byte = 0;
    std::string reason;

    // One line for people: "offset 12 (byte 0x51): unknown command ESC Q".
    std::string Describe() const;
};

}  // namespace vprinter

#endif
