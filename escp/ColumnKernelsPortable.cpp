// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, portable path: plain C++ for any processor (arm64, armhf
// and the rest). Bytes are read one by one or through memcpy, never through
// a cast pointer, and words are built with shifts, so neither alignment,
// byte order nor the signedness of char matters.
#include <cstring>

#include "escp/ColumnKernels.h"

namespace {

// Eight bytes from `bytes` as a number, the first byte most significant.
inline std::uint64_t LoadBigEndian(const unsigned char* bytes)
{
    return (std::uint64_t{bytes[0]} << 56) | (std::uint64_t{bytes[1]} << 48) |
           (std::uint64_t{bytes[2]} << 40) | (std::uint64_t{bytes[3]} << 32) |
           (std::uint64_t{bytes[4]} << 24) | (std::uint64_t{bytes[5]} << 16) |
           (std::uint64_t{bytes[6]} << 8) | std::uint64_t{bytes[7]};
}

// Stores a number as eight bytes, the most significant first.
inline void StoreBigEndian(std::uint64_t word, unsigned char* bytes)
{
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(word >> (56 - 8 * i));
    }
}

// Swaps the bits of `upper` under `mask` with the bits `shift` places
// higher in `lower` (the mask keeps every moved bit inside its byte or
// field).
inline void SwapBits(std::uint64_t& upper, std::uint64_t& lower, unsigned shift, std::uint64_t mask)
{
    const std::uint64_t t = (upper ^ (lower >> shift)) & mask;
    upper ^= t;
    lower ^= t << shift;
}

// Transposes eight words as an 8 x 8 matrix of fields `width` bits wide
// (counted from the most significant end): 8 transposes the bytes (byte p
// of w[i] becomes byte i of w[p]), 1 the bits in every byte position (bit
// 7 - j of byte p of w[i] becomes bit 7 - i of byte p of w[j]). Halves,
// then quarters, then single fields are swapped.
inline void Transpose8(std::uint64_t w[8], unsigned width)
{
    // The low field of each pair of fields 4, 2 and 1 fields wide.
    static constexpr std::uint64_t kBitMasks[] = {0x0F0F0F0F0F0F0F0FULL, 0x3333333333333333ULL,
                                                  0x5555555555555555ULL};
    static constexpr std::uint64_t kByteMasks[] = {0x00000000FFFFFFFFULL, 0x0000FFFF0000FFFFULL,
                                                   0x00FF00FF00FF00FFULL};
    const std::uint64_t* masks = width == 8 ? kByteMasks : kBitMasks;
    for (int i = 0; i < 4; ++i) {
        SwapBits(w[i], w[i + 4], 4 * width, masks[0]);
    }
    constexpr int kTwoApart[] = {0, 1, 4, 5};
    for (const int i : kTwoApart) {
        SwapBits(w[i], w[i + 2], 2 * width, masks[1]);
    }
    for (int i = 0; i < 8; i += 2) {
        SwapBits(w[i], w[i + 1], width, masks[2]);
    }
}

// Eight bytes of a row from byte `at` near its end, zeros beyond
// `available` bytes.
inline std::uint64_t LoadRowWord(const unsigned char* row, std::uint64_t at,
                                 std::uint64_t available)
{
    unsigned char bytes[8] = {};
    std::memcpy(bytes, row + at, available - at);
    return LoadBigEndian(bytes);
}

// Column bytes of the 64 columns from row byte `at`, a word per row: the
// eight rows of each column byte b are bit-transposed in every byte
// position, which leaves byte p of word k = byte b of column 8p + k. Those
// words, in the order of the column bytes (k, then b), are transposed as
// bytes eight at a time, which gives the column bytes in printer order,
// eight at a time. All-zero words skip their transposes.
void Block64(const unsigned char* const dotRows[], int columnBytes, std::uint64_t at,
             std::uint64_t usedBytes, unsigned char* out)
{
    // The 8 * columnBytes words in the order of the printer's bytes.
    std::uint64_t ordered[8 * 9];
    const std::uint64_t bytes = static_cast<std::uint64_t>(columnBytes);
    const bool whole = at + 8 <= usedBytes;
    for (int b = 0; b < columnBytes; ++b) {
        std::uint64_t w[8];
        std::uint64_t any = 0;
        for (int d = 0; d < 8; ++d) {
            const unsigned char* row = dotRows[8 * b + d];
            w[d] = whole ? LoadBigEndian(row + at) : LoadRowWord(row, at, usedBytes);
            any |= w[d];
        }
        if (any != 0) {
            Transpose8(w, 1);
        }
        for (int k = 0; k < 8; ++k) {
            ordered[bytes * k + b] = w[k];
        }
    }
    for (std::uint64_t c = 0; c < bytes; ++c) {
        std::uint64_t* chunk = ordered + 8 * c;
        std::uint64_t any = 0;
        for (int i = 0; i < 8; ++i) {
            any |= chunk[i];
        }
        if (any != 0) {
            Transpose8(chunk, 8);
        }
        // Word p of the chunk: bytes 8c .. 8c + 7 of columns 8p .. 8p + 7.
        for (std::uint64_t p = 0; p < 8; ++p) {
            StoreBigEndian(chunk[p], out + 8 * p * bytes + 8 * c);
        }
    }
}

// 256 columns, 64 at a time; columns from the width on are never appended.
void ColumnBlock(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
                 std::uint64_t usedBytes, unsigned char* block)
{
    for (std::uint64_t at = byteStart; at < byteStart + 32 && at < usedBytes; at += 8) {
        Block64(dotRows, columnBytes, at, usedBytes,
                block + (at - byteStart) * 8 * static_cast<std::uint64_t>(columnBytes));
    }
}

// Eight bytes from `at` as a word in memory order (for the OR and the zero
// test, which do not care about byte order).
inline std::uint64_t LoadWord(const unsigned char* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// OR of the rows, 32 bytes (four words) at a time, then eight, then the
// last bytes alone.
void OrRows(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t usedBytes,
            unsigned char* orBytes)
{
    std::uint64_t at = 0;
    for (; at + 32 <= usedBytes; at += 32) {
        std::uint64_t any[4] = {0, 0, 0, 0};
        const unsigned char* row = top + at;
        for (int r = 0; r < rows; ++r, row += stride) {
            for (int i = 0; i < 4; ++i) {
                any[i] |= LoadWord(row + 8 * i);
            }
        }
        std::memcpy(orBytes + at, any, sizeof any);
    }
    for (; at + 8 <= usedBytes; at += 8) {
        std::uint64_t any = 0;
        const unsigned char* row = top + at;
        for (int r = 0; r < rows; ++r, row += stride) {
            any |= LoadWord(row);
        }
        std::memcpy(orBytes + at, &any, sizeof any);
    }
    for (; at < usedBytes; ++at) {
        unsigned char any = 0;
        const unsigned char* row = top + at;
        for (int r = 0; r < rows; ++r, row += stride) {
            any = static_cast<unsigned char>(any | *row);
        }
        orBytes[at] = any;
    }
}

// Zero bytes at the start: 32 at a time while they are all zero, then
// eight, then byte by byte up to the first set byte.
std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
    std::uint64_t at = 0;
    for (; at + 32 <= size; at += 32) {
        const std::uint64_t any = LoadWord(data + at) | LoadWord(data + at + 8) |
                                  LoadWord(data + at + 16) | LoadWord(data + at + 24);
        if (any != 0) {
            break;
        }
    }
    for (; at + 8 <= size && LoadWord(data + at) == 0; at += 8) {
    }
    while (at < size && data[at] == 0) {
        ++at;
    }
    return at;
}

// Each word's bytes read back as a number, first byte most significant.
void BigEndianWords(std::uint64_t* words, std::uint64_t count)
{
    for (std::uint64_t w = 0; w < count; ++w) {
        unsigned char bytes[8];
        std::memcpy(bytes, &words[w], sizeof bytes);
        words[w] = LoadBigEndian(bytes);
    }
}

// The most significant bit of every byte.
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Eight pixels, a byte each (first pixel most significant), as the bit
// pattern of their dots: bit 7 - k set when pixel k's grey is below its
// threshold. Per byte, g < t when the top bits say so, or they are equal
// and the low seven bits of g are below those of t (the subtraction of
// the low bits from g's with the top bit set borrows within its byte).
inline unsigned DotsOf8(std::uint64_t g, std::uint64_t t)
{
    const std::uint64_t lowAtLeast = (g | kHighBits) - (t & ~kHighBits);
    const std::uint64_t below = ((~g & t) | (~(g ^ t) & ~lowAtLeast)) & kHighBits;
    // One bit at the bottom of each byte, gathered into the top byte.
    return static_cast<unsigned>(((below >> 7) * 0x0102040810204080ULL) >> 56);
}

// Packs one row 32 pixels at a time where they are all white (255, never
// below a threshold: four zero bytes), else eight at a time; the last ones
// alone.
void DitherRow(const unsigned char* grey, const unsigned char* thresholds, int width,
               unsigned char* out)
{
    int first = 0;
    for (; first + 32 <= width; first += 32) {
        const unsigned char* g = grey + first;
        if ((LoadWord(g) & LoadWord(g + 8) & LoadWord(g + 16) & LoadWord(g + 24)) ==
            ~std::uint64_t{0}) {
            std::memset(out + first / 8, 0, 4);
            continue;
        }
        for (int k = 0; k < 32; k += 8) {
            out[(first + k) / 8] = static_cast<unsigned char>(
                DotsOf8(LoadBigEndian(g + k), LoadBigEndian(thresholds + first + k)));
        }
    }
    for (; first + 8 <= width; first += 8) {
        out[first / 8] = static_cast<unsigned char>(
            DotsOf8(LoadBigEndian(grey + first), LoadBigEndian(thresholds + first)));
    }
    if (first < width) {
        unsigned int byte = 0;
        for (int k = 0; first + k < width; ++k) {
            const bool dot = grey[first + k] < thresholds[first + k];
            byte |= static_cast<unsigned int>(dot) << (7 - k);
        }
        out[first / 8] = static_cast<unsigned char>(byte);
    }
}

}  // namespace

const ColumnKernels kPortableKernels = {
    ColumnPath::kPortable, "portable",     OrRows,    ColumnBlock,
    LeadingZeroBytes,      BigEndianWords, DitherRow,
};
