// SPDX-License-Identifier: Apache-2.0
// ByteOrder: eight bytes read as a number with the first byte most
// significant, the same on every processor whichever way round it stores
// a number (the compiler makes one load and a byte swap of it where it can).
#ifndef RIDEVEDUDARUZO_ESCP_BYTEORDER_H
#define RIDEVEDUDARUZO_ESCP_BYTEORDER_H

#include <cstdint>

namespace escp {

// Eight bytes from `bytes` as a number, the first byte most significant.
inline std::uint64_t LoadBigEndian(const unsigned char* bytes)
{
    return (std::uint64_t{bytes[0]} << 56) | (std::uint64_t{bytes[1]} << 48) |
           (std::uint64_t{bytes[2]} << 40) | (std::uint64_t{bytes[3]} << 32) |
           (std::uint64_t{bytes[4]} << 24) | (std::uint64_t{bytes[5]} << 16) |
           (std::uint64_t{bytes[6]} << 8) | std::uint64_t{bytes[7]};
}

}  // namespace escp

#endif
