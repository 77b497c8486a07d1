// SPDX-License-Identifier: Apache-2.0
// Fixed-buffer formatting for log headers, suffixes and streamed statements.
#include "ruzolog/RuzologStream.h"

#include <algorithm>
#include <cstring>

namespace ruzolog {

namespace {

// Builds "00" "01" ... up to count-1 as two characters each, in the given base.
template <int Base, int Count>
struct DigitPairs {
    char chars[Count * 2];
    constexpr DigitPairs()
        : chars()
    {
        const char* digits = "0123456789ABCDEF";
        for (int i = 0; i < Count; ++i) {
            chars[i * 2] = digits[i / Base];
            chars[i * 2 + 1] = digits[i % Base];
        }
    }
};

constexpr DigitPairs<10, 100> kDecimalPairs;
constexpr DigitPairs<16, 256> kHexPairs;

}  // namespace

RuzologStream::RuzologStream(char* buffer, std::int32_t length)
    : begin(buffer),
      end(buffer + length),
      cursor(buffer)
{
}

RuzologStream& RuzologStream::writeChar(char c)
{
    if (end - cursor > 1) {
        *cursor++ = c;
    }
    return *this;
}

RuzologStream& RuzologStream::writeString(const char* text, unsigned int length)
{
    const long room = std::max<long>(end - cursor, 0);
    const long count = std::min<long>(length, room);
    if (count > 0) {
        std::memcpy(cursor, text, static_cast<size_t>(count));
        cursor += count;
    }
    return *this;
}

RuzologStream& RuzologStream::writeString(const char* text)
{
    return writeString(text, static_cast<unsigned int>(std::strlen(text)));
}

RuzologStream& RuzologStream::operator<<(const std::string& text)
{
    return writeString(text.data(), static_cast<unsigned int>(text.size()));
}

RuzologStream& RuzologStream::operator<<(bool value)
{
    return value ? writeString("true", 4) : writeString("false", 5);
}

RuzologStream& RuzologStream::writeLongLong(long long value, int width, int base)
{
    if (base < 2 || base > 16) {
        return *this;
    }
    unsigned long long magnitude = static_cast<unsigned long long>(value);
    if (value < 0) {
        writeChar('-');
        magnitude = 0ULL - magnitude;
    }
    return writeULongLong(magnitude, width, base);
}

RuzologStream& RuzologStream::writeULongLong(unsigned long long value, int width, int base)
{
    static const char* lut = "0123456789abcdef";
    static const char* lutDec = kDecimalPairs.chars;
    static const char* lutHex = kHexPairs.chars;

    if (end - cursor <= NUMBER_SCRATCH_SIZE || base < 2 || base > 16) {
        return *this;
    }
    width = std::clamp(width, 0, NUMBER_SCRATCH_SIZE);

    // Digits are built right to left; pos is the first digit in use.
    char scratch[NUMBER_SCRATCH_SIZE];
    int pos = NUMBER_SCRATCH_SIZE;
    if (base == 10 || base == 16) {
        const char* pairs = base == 10 ? lutDec : lutHex;
        const unsigned int groupSize = base == 10 ? 100 : 256;
        do {
            const unsigned int group = static_cast<unsigned int>(value % groupSize);
            pos -= 2;
            scratch[pos] = pairs[group * 2];
            scratch[pos + 1] = pairs[group * 2 + 1];
            value /= groupSize;
        } while (value != 0 && pos > 1);
        // A two-digit group puts a zero before a single significant digit.
        if (NUMBER_SCRATCH_SIZE - pos > 1 && scratch[pos] == '0') {
            ++pos;
        }
    } else {
        do {
            scratch[--pos] = lut[value % static_cast<unsigned int>(base)];
            value /= static_cast<unsigned int>(base);
        } while (value != 0 && pos > 0);
    }
    while (NUMBER_SCRATCH_SIZE - pos < width) {
        scratch[--pos] = '0';
    }
    return writeString(scratch + pos, static_cast<unsigned int>(NUMBER_SCRATCH_SIZE - pos));
}

}  // namespace ruzolog
