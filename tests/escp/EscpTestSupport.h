// SPDX-License-Identifier: Apache-2.0
// Helpers for the encoder and printer tests: byte vectors written as hex
// text, a one-bit page in an exactly sized heap buffer (so a read past the
// page shows up under AddressSanitizer), and the expected bytes of the few
// commands that recur in many cases.
#ifndef RIDEVEDUDARUZO_TESTS_ESCP_ESCPTESTSUPPORT_H
#define RIDEVEDUDARUZO_TESTS_ESCP_ESCPTESTSUPPORT_H

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "escp/OrvESCP.h"

namespace escptest {

using Bytes = std::vector<unsigned char>;

// Joins byte vectors in order.
inline Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// n copies of one byte.
inline Bytes Fill(std::size_t n, unsigned char value)
{
    return Bytes(n, value);
}

// Bytes as "1B 40 ...", for readable failure messages.
inline std::string Hex(const Bytes& bytes)
{
    std::string text;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        text += buf;
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

// A page body as plain bytes.
inline Bytes AsBytes(const BodyBytes& body)
{
    return Bytes(body.begin(), body.end());
}

// A page body as "1B 40 ...".
inline std::string Hex(const BodyBytes& body)
{
    return Hex(AsBytes(body));
}

// ESC * m with a column count and the column bytes.
inline Bytes Image(unsigned char mode, unsigned columns, const Bytes& data)
{
    return Cat({{0x1B, 0x2A, mode, static_cast<unsigned char>(columns & 0xFF),
                 static_cast<unsigned char>(columns >> 8)},
                data});
}

// The vertical move at 360 x 360 dpi: CR, unit 1/360, CR and ESC ( v of
// `rows` units, unit back to 1/60.
inline Bytes Move360(unsigned rows)
{
    return {0x0D,
            0x1B,
            0x28,
            0x55,
            0x01,
            0x00,
            0x0A,
            0x0D,
            0x1B,
            0x28,
            0x76,
            0x02,
            0x00,
            static_cast<unsigned char>(rows & 0xFF),
            static_cast<unsigned char>(rows >> 8),
            0x1B,
            0x28,
            0x55,
            0x01,
            0x00,
            0x3C};
}

// A long vertical move at 360 x 360 dpi: CR, unit 1/360, then CR and
// ESC ( v for each of `feeds` in order, unit back to 1/60.
inline Bytes Move360Chain(std::initializer_list<unsigned> feeds)
{
    Bytes out = {0x0D, 0x1B, 0x28, 0x55, 0x01, 0x00, 0x0A};
    for (unsigned rows : feeds) {
        out.insert(out.end(),
                   {0x0D, 0x1B, 0x28, 0x76, 0x02, 0x00, static_cast<unsigned char>(rows & 0xFF),
                    static_cast<unsigned char>(rows >> 8)});
    }
    out.insert(out.end(), {0x1B, 0x28, 0x55, 0x01, 0x00, 0x3C});
    return out;
}

// A one-bit page, rows of bytesPerLine bytes, most significant bit leftmost.
class OneBitPage {
public:
    OneBitPage(std::uint64_t bytesPerLine, std::uint64_t height)
        : bytesPerLine_(bytesPerLine),
          height_(height),
          bits_(bytesPerLine * height, 0)
    {
    }

    // Sets the dot at pixel x of row y.
    void Ink(std::uint64_t x, std::uint64_t y)
    {
        bits_[y * bytesPerLine_ + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }

    // Sets every dot of columns x0..x1 in rows y0..y1 (inclusive).
    void InkRect(std::uint64_t x0, std::uint64_t y0, std::uint64_t x1, std::uint64_t y1)
    {
        for (std::uint64_t y = y0; y <= y1; ++y) {
            for (std::uint64_t x = x0; x <= x1; ++x) {
                Ink(x, y);
            }
        }
    }

    // Sets byte i of row y directly (for padding bits).
    void SetByte(std::uint64_t i, std::uint64_t y, unsigned char value)
    {
        bits_[y * bytesPerLine_ + i] = value;
    }

    const unsigned char* Data() const { return bits_.empty() ? nullptr : bits_.data(); }
    std::uint64_t BytesPerLine() const { return bytesPerLine_; }
    std::uint64_t Height() const { return height_; }

private:
    std::uint64_t bytesPerLine_;
    std::uint64_t height_;
    std::vector<unsigned char> bits_;
};

// The page body an encoder of this head and resolution makes of the page.
inline Bytes EncodePage(int pins, int dpiX, int dpiY, const OneBitPage& page, std::uint64_t width)
{
    OrvESCP encoder(pins, dpiX, dpiY);
    encoder.DotMatrix2Page(page.Data(), page.BytesPerLine(), width, page.Height());
    return AsBytes(encoder.PrinterData());
}

}  // namespace escptest

#endif
