// SPDX-License-Identifier: Apache-2.0
// PageMemory: growing the kept buffers.
#include "page/PageMemory.h"

#include <new>

unsigned char* PageMemory::Grow(std::unique_ptr<unsigned char[]>& buffer, std::size_t& size,
                                std::size_t bytes)
{
    if (bytes > size || !buffer) {
        // The old buffer goes first, so that the two never add up.
        buffer.reset();
        size = 0;
        buffer.reset(new (std::nothrow) unsigned char[bytes == 0 ? 1 : bytes]);
        if (!buffer)
            return nullptr;
        size = bytes;
    }
    return buffer.get();
}
