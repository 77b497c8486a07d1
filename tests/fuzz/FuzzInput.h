// SPDX-License-Identifier: Apache-2.0
// FuzzInput: takes a fuzz input apart into small choices and a remaining
// block of bytes. Reading past the end yields zeros, so every input, even an
// empty one, maps to some valid set of choices.
#ifndef RIDEVEDUDARUZO_TESTS_FUZZ_FUZZINPUT_H
#define RIDEVEDUDARUZO_TESTS_FUZZ_FUZZINPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
public:
    // Wraps length bytes at bytes; they must outlive the object.
    FuzzInput(const std::uint8_t* bytes, std::size_t length)
        : data(bytes),
          size(length)
    {
    }

    // The next byte, or 0 once the input is used up.
    std::uint8_t Byte() { return pos < size ? data[pos++] : 0; }

    // The next two bytes as a little-endian number.
    std::uint16_t Word()
    {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }

    // One entry of a table, picked by the next byte.
    template <typename T, std::size_t N>
    const T& Pick(const T (&table)[N])
    {
        return table[Byte() % N];
    }

    // A string of up to maxLength bytes, its length taken from the next byte.
    std::string Text(std::size_t maxLength)
    {
        std::size_t length = Byte() % (maxLength + 1);
        if (length > Remaining())
            length = Remaining();
        std::string text(reinterpret_cast<const char*>(data + pos), length);
        pos += length;
        return text;
    }

    // Bytes not yet taken.
    std::size_t Remaining() const { return size - pos; }
    // The first byte not yet taken.
    const std::uint8_t* Rest() const { return data + pos; }
    // Marks count more bytes as taken (at most the remaining ones).
    void Skip(std::size_t count) { pos += count < Remaining() ? count : Remaining(); }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

}  // namespace fuzz

#endif
