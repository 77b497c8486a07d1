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
    std::uint64_t word = 0;
    for (int i = 0; i < 8; ++i) {
        word = (word << 8) | bytes[i];
    }
    return word;
}

// Transposes an 8 x 8 bit block held as eight bytes, most significant byte
// first: bit (7 - c) of byte r becomes bit (7 - r) of byte c.
inline std::uint64_t TransposeBits8x8(std::uint64_t x)
{
    x = (x & 0xAA55AA55AA55AA55ULL) | ((x & 0x00AA00AA00AA00AAULL) << 7) |
        ((x >> 7) & 0x00AA00AA00AA00AAULL);
    x = (x & 0xCCCC3333CCCC3333ULL) | ((x & 0x0000CCCC0000CCCCULL) << 14) |
        ((x >> 14) & 0x0000CCCC0000CCCCULL);
    x = (x & 0xF0F0F0F00F0F0F0FULL) | ((x & 0x00000000F0F0F0F0ULL) << 28) |
        ((x >> 28) & 0x00000000F0F0F0F0ULL);
    return x;
}

// Column bytes of 128 columns from row byte byteStart: for each column byte
// and each row byte, its eight rows (top dot first) as one word, transposed
// so that byte k of the word is column k's byte.
void Block128(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
              std::uint64_t usedBytes, unsigned char* block)
{
    const std::uint64_t rowBytes = usedBytes - byteStart < 16 ? usedBytes - byteStart : 16;
    for (int b = 0; b < columnBytes; ++b) {
        for (std::uint64_t j = 0; j < rowBytes; ++j) {
            std::uint64_t word = 0;
            for (int d = 0; d < 8; ++d) {
                word = (word << 8) | dotRows[8 * b + d][byteStart + j];
            }
            word = TransposeBits8x8(word);
            for (std::uint64_t k = 0; k < 8; ++k) {
                block[(8 * j + k) * static_cast<std::uint64_t>(columnBytes) + b] =
                    static_cast<unsigned char>(word >> (56 - 8 * k));
            }
        }
    }
}

// 256 columns as two halves of 128.
void ColumnBlock(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
                 std::uint64_t usedBytes, unsigned char* block)
{
    for (std::uint64_t at = byteStart; at < byteStart + 32 && at < usedBytes; at += 16) {
        Block128(dotRows, columnBytes, at, usedBytes,
                 block + (at - byteStart) * 8 * static_cast<std::uint64_t>(columnBytes));
    }
}

// OR of the rows, eight bytes at a time through memcpy (the OR works on
// bytes, so the words' byte order does not matter), the last ones alone.
void OrRows(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t usedBytes,
            unsigned char* orBytes)
{
    std::uint64_t at = 0;
    for (; at + 8 <= usedBytes; at += 8) {
        std::uint64_t any = 0;
        const unsigned char* row = top + at;
        for (int r = 0; r < rows; ++r, row += stride) {
            std::uint64_t word;
            std::memcpy(&word, row, sizeof word);
            any |= word;
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

// Zero bytes at the start, eight at a time while they are all zero.
std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
    std::uint64_t at = 0;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + at, sizeof word);
        if (word != 0) {
            break;
        }
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

// Packs eight pixels a byte: a dot where grey < threshold.
void DitherRow(const unsigned char* grey, const unsigned char* thresholds, int width,
               unsigned char* out)
{
    for (int first = 0; first < width; first += 8) {
        const int count = width - first < 8 ? width - first : 8;
        unsigned int byte = 0;
        for (int k = 0; k < count; ++k) {
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
