// SPDX-License-Identifier: Apache-2.0
// Formatter that writes text, booleans and integers into a caller's fixed
// buffer without allocating and without ever writing past its end.
#ifndef RUZOLOG_RUZOLOGSTREAM_H
#define RUZOLOG_RUZOLOGSTREAM_H

#include <cstdint>
#include <string>

namespace ruzolog {

class RuzologStream {
public:
    // Widest number writeULongLong builds: 64 binary digits of a 64-bit value.
    static constexpr int NUMBER_SCRATCH_SIZE = 64;

    // Writes into buffer[0 .. length); writes no terminating zero.
    RuzologStream(char* buffer, std::int32_t length);

    // Bytes written so far.
    std::int32_t getCurrentLen() const { return static_cast<std::int32_t>(cursor - begin); }

    // Stores one character, but only while more than one byte of room is left.
    RuzologStream& writeChar(char c);
    // Copies as many of the bytes as fit; may fill the buffer to its last byte.
    RuzologStream& writeString(const char* text, unsigned int length);
    // Copies as much of the C string as fits.
    RuzologStream& writeString(const char* text);

    // Writes a minus sign for a negative value, then its magnitude as
    // writeULongLong does; the width counts digits only. An invalid base
    // writes nothing at all, not even the sign.
    RuzologStream& writeLongLong(long long value, int width, int base);
    // Writes the digits of value in base (2..16), zero-padded on the left to
    // at least width digits. Nothing is written when 64 bytes of room or fewer
    // are left. Base 16 uses upper-case letters, other bases above ten
    // lower-case ones. A base outside 2..16 writes nothing; a negative width
    // counts as 0 and a width above 64 as 64.
    RuzologStream& writeULongLong(unsigned long long value, int width, int base);

    // Streamed values: strings as they are, bool as "true"/"false", int in decimal.
    RuzologStream& operator<<(const char* text) { return writeString(text); }
    RuzologStream& operator<<(const std::string& text);
    RuzologStream& operator<<(bool value);
    RuzologStream& operator<<(std::int32_t value) { return writeLongLong(value, 0, 10); }

private:
    char* begin;
    char* end;
    char* cursor;
};

}  // namespace ruzolog

#endif
