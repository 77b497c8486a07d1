// SPDX-License-Identifier: Apache-2.0
// StreamError: the one-line description of a rejected stream.
#include "tools/vprinter/StreamError.h"

#include <cstdio>

namespace vprinter {

// "offset 12 (byte 0x51): <reason>".
std::string StreamError::Describe() const
{
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "offset %zu (byte 0x%02X): ", offset,
                  static_cast<unsigned>(byte));
    return prefix + reason;
}

}  // namespace vprinter
