// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, SSE2 path (every x86-64 processor): column bytes by bit
// transposes of sixteen-byte rows and byte transposes into printer order,
// 128 columns at a time; sixteen bytes per step for the ink OR, the zero
// scan and the dither.
#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

#include "escp/ColumnKernels.h"

namespace {

// The SSE2 instructions the shared transposes use.
struct Sse2Ops {
    static __m128i UnpackLo8(__m128i a, __m128i b) { return _mm_unpacklo_epi8(a, b); }
    static __m128i UnpackHi8(__m128i a, __m128i b) { return _mm_unpackhi_epi8(a, b); }
    static __m128i UnpackLo16(__m128i a, __m128i b) { return _mm_unpacklo_epi16(a, b); }
    static __m128i UnpackHi16(__m128i a, __m128i b) { return _mm_unpackhi_epi16(a, b); }
    static __m128i UnpackLo32(__m128i a, __m128i b) { return _mm_unpacklo_epi32(a, b); }
    static __m128i UnpackHi32(__m128i a, __m128i b) { return _mm_unpackhi_epi32(a, b); }
    static __m128i UnpackLo64(__m128i a, __m128i b) { return _mm_unpacklo_epi64(a, b); }
    static __m128i UnpackHi64(__m128i a, __m128i b) { return _mm_unpackhi_epi64(a, b); }
    static __m128i And(__m128i a, __m128i b) { return _mm_and_si128(a, b); }
    static __m128i Xor(__m128i a, __m128i b) { return _mm_xor_si128(a, b); }
    template <int kShift>
    static __m128i ShiftRight16(__m128i a)
    {
        return _mm_srli_epi16(a, kShift);
    }
    template <int kShift>
    static __m128i ShiftLeft16(__m128i a)
    {
        return _mm_slli_epi16(a, kShift);
    }
    static __m128i Bytes(char value) { return _mm_set1_epi8(value); }
};

}  // namespace

#include "escp/VectorTranspose.h"

namespace {

// Sixteen bytes from `at`.
inline __m128i LoadBytes(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Sixteen bytes of a row from byte `at`, zeros beyond `available` bytes (so
// nothing past the row's pixels is read at the end of the page).
__m128i LoadRowBytes(const unsigned char* row, std::uint64_t at, std::uint64_t available)
{
    if (at + 16 <= available) {
        return LoadBytes(row + at);
    }
    alignas(16) unsigned char bytes[16] = {};
    std::memcpy(bytes, row + at, available - at);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Stores the low and the high eight bytes of v at `low` and `high`.
inline void StoreHalves(__m128i v, unsigned char* low, unsigned char* high)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(low), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(high), _mm_unpackhi_epi64(v, v));
}

// Column bytes of the 128 columns from row byte byteStart. Each register
// holds sixteen bytes of one row; a bit transpose of the eight rows of
// column byte b leaves byte p of register k = byte b of column 8p + k. The
// 8 * columnBytes registers, in the order of the printer's bytes (k, then
// b), are then transposed as bytes eight at a time: afterwards the low
// half of register 8c + k is bytes 8c .. 8c + 7 of the printer's bytes of
// columns 16k .. 16k + 7, the high half those of the next eight columns.
template <int columnBytes>
void Block128(const unsigned char* const dotRows[], std::uint64_t byteStart,
              std::uint64_t usedBytes, unsigned char* block)
{
    const bool whole = byteStart + 16 <= usedBytes;
    __m128i ordered[8 * columnBytes];
    for (int b = 0; b < columnBytes; ++b) {
        __m128i r[8];
        for (int d = 0; d < 8; ++d) {
            const unsigned char* row = dotRows[8 * b + d];
            r[d] = whole ? LoadBytes(row + byteStart) : LoadRowBytes(row, byteStart, usedBytes);
        }
        TransposeBitsInBytes<Sse2Ops>(r);
        for (int k = 0; k < 8; ++k) {
            ordered[columnBytes * k + b] = r[k];
        }
    }
    // Bytes of eight columns.
    const std::uint64_t groupBytes = 8 * static_cast<std::uint64_t>(columnBytes);
    std::uint64_t c = 0;
    // Sixteen bytes of each eight columns at a time, from two transposes.
    for (; c + 16 <= groupBytes; c += 16) {
        __m128i* first = ordered + c;
        __m128i* second = ordered + c + 8;
        TransposeBytes8x16<Sse2Ops>(first);
        TransposeBytes8x16<Sse2Ops>(second);
        for (std::uint64_t k = 0; k < 8; ++k) {
            unsigned char* even = block + 2 * k * groupBytes + c;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(even),
                             _mm_unpacklo_epi64(first[k], second[k]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(even + groupBytes),
                             _mm_unpackhi_epi64(first[k], second[k]));
        }
    }
    if (c < groupBytes) {
        __m128i* last = ordered + c;
        TransposeBytes8x16<Sse2Ops>(last);
        for (std::uint64_t k = 0; k < 8; ++k) {
            unsigned char* even = block + 2 * k * groupBytes + c;
            StoreHalves(last[k], even, even + groupBytes);
        }
    }
}

// 256 columns as two halves of 128, made for each size of column known
// at compile time (8, 24 and 72 dots).
template <int kColumnBytes>
void Block256(const unsigned char* const dotRows[], std::uint64_t byteStart,
              std::uint64_t usedBytes, unsigned char* block)
{
    Block128<kColumnBytes>(dotRows, byteStart, usedBytes, block);
    if (byteStart + 16 < usedBytes) {
        Block128<kColumnBytes>(dotRows, byteStart + 16, usedBytes, block + 128 * kColumnBytes);
    }
}

void ColumnBlock(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
                 std::uint64_t usedBytes, unsigned char* block)
{
    switch (columnBytes) {
    case 1:
        Block256<1>(dotRows, byteStart, usedBytes, block);
        break;
    case 3:
        Block256<3>(dotRows, byteStart, usedBytes, block);
        break;
    case 9:
        Block256<9>(dotRows, byteStart, usedBytes, block);
        break;
    default:
        kPortableKernels.columnBlock(dotRows, columnBytes, byteStart, usedBytes, block);
        break;
    }
}

// OR of sixteen bytes from byte `at` of every row, four rows per step.
__m128i OrColumn16(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t at)
{
    __m128i any = _mm_setzero_si128();
    const unsigned char* row = top + at;
    int r = 0;
    for (; r + 4 <= rows; r += 4, row += 4 * stride) {
        const __m128i a = _mm_or_si128(LoadBytes(row), LoadBytes(row + stride));
        const __m128i b = _mm_or_si128(LoadBytes(row + 2 * stride), LoadBytes(row + 3 * stride));
        any = _mm_or_si128(any, _mm_or_si128(a, b));
    }
    for (; r < rows; ++r, row += stride) {
        any = _mm_or_si128(any, LoadBytes(row));
    }
    return any;
}

// OR of the rows sixteen bytes at a time; the last sixteen end at the last
// used byte (bytes they share with the previous ones get the same value
// again). Rows of fewer than sixteen bytes go byte by byte.
void OrRows(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t usedBytes,
            unsigned char* orBytes)
{
    if (usedBytes < 16) {
        kPortableKernels.orRows(top, stride, rows, usedBytes, orBytes);
        return;
    }
    for (std::uint64_t at = 0; at < usedBytes; at += 16) {
        const std::uint64_t from = at + 16 <= usedBytes ? at : usedBytes - 16;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(orBytes + from),
                         OrColumn16(top, stride, rows, from));
    }
}

// Zero bytes at the start: 128 at a time while they are all zero, then 16
// at a time (a compare and a mask) up to the first set byte.
std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t at = 0;
    for (; at + 128 <= size; at += 128) {
        __m128i any = LoadBytes(data + at);
        for (int i = 1; i < 8; ++i) {
            any = _mm_or_si128(any, LoadBytes(data + at + 16 * i));
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) != 0xFFFF) {
            break;
        }
    }
    for (; at + 16 <= size; at += 16) {
        const int zeros = _mm_movemask_epi8(_mm_cmpeq_epi8(LoadBytes(data + at), zero));
        if (zeros != 0xFFFF) {
            return at + static_cast<unsigned>(__builtin_ctz(~zeros & 0xFFFF));
        }
    }
    while (at < size && data[at] == 0) {
        ++at;
    }
    return at;
}

// Words stored first byte most significant read as numbers, two at a time:
// bytes swapped within 16-bit elements, then the elements reversed.
void BigEndianWords(std::uint64_t* words, std::uint64_t count)
{
    std::uint64_t w = 0;
    for (; w + 2 <= count; w += 2) {
        auto* at = reinterpret_cast<__m128i*>(words + w);
        __m128i v = _mm_loadu_si128(at);
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
        _mm_storeu_si128(at, v);
    }
    if (w < count) {
        kPortableKernels.bigEndianWords(words + w, count - w);
    }
}

// The bits of a byte in reverse order.
struct BitReversal {
    unsigned char table[256];
    constexpr BitReversal()
        : table()
    {
        for (int b = 0; b < 256; ++b) {
            int reversed = 0;
            for (int i = 0; i < 8; ++i) {
                reversed |= ((b >> i) & 1) << (7 - i);
            }
            table[b] = static_cast<unsigned char>(reversed);
        }
    }
};
constexpr BitReversal kBitReversal;

// Bytes of sixteen pixels: 0xFF where grey < threshold (a dot), else 0
// (the saturated difference threshold - grey is not zero).
inline __m128i Dots16(const unsigned char* grey, const unsigned char* thresholds)
{
    const __m128i paper =
        _mm_cmpeq_epi8(_mm_subs_epu8(LoadBytes(thresholds), LoadBytes(grey)), _mm_setzero_si128());
    return _mm_xor_si128(paper, _mm_set1_epi8(-1));
}

// Packs one row 64 pixels at a time (no dots where all are white): each
// dot is given its bit's value (0x80 for the first pixel of eight ... 0x01
// for the last) and the sum of absolute differences adds up each eight into
// their byte; the eight sums are then gathered in order. Sixteen and then single pixels finish it.
void DitherRow(const unsigned char* grey, const unsigned char* thresholds, int width,
               unsigned char* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bits = _mm_setr_epi8(-128, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, -128, 0x40,
                                       0x20, 0x10, 0x08, 0x04, 0x02, 0x01);
    int first = 0;
    for (; first + 64 <= width; first += 64) {
        const unsigned char* g = grey + first;
        const __m128i white = _mm_and_si128(_mm_and_si128(LoadBytes(g), LoadBytes(g + 16)),
                                            _mm_and_si128(LoadBytes(g + 32), LoadBytes(g + 48)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(white, _mm_set1_epi8(-1))) == 0xFFFF) {
            // All white: never below a threshold.
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + first / 8), zero);
            continue;
        }
        // Sum q: byte 2q in 16-bit element 0, byte 2q + 1 in element 4.
        __m128i sum[4];
        for (int q = 0; q < 4; ++q) {
            const int at = first + 16 * q;
            sum[q] = _mm_sad_epu8(_mm_and_si128(Dots16(grey + at, thresholds + at), bits), zero);
        }
        // Elements: bytes 0, 2, 4, 6, then 1, 3, 5, 7.
        const __m128i all =
            _mm_or_si128(_mm_or_si128(sum[0], _mm_slli_epi64(sum[1], 16)),
                         _mm_or_si128(_mm_slli_epi64(sum[2], 32), _mm_slli_epi64(sum[3], 48)));
        const __m128i ordered = _mm_unpacklo_epi16(all, _mm_srli_si128(all, 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + first / 8),
                         _mm_packus_epi16(ordered, ordered));
    }
    for (; first + 16 <= width; first += 16) {
        const int dots = _mm_movemask_epi8(Dots16(grey + first, thresholds + first));
        out[first / 8] = kBitReversal.table[dots & 0xFF];
        out[first / 8 + 1] = kBitReversal.table[dots >> 8];
    }
    if (first < width) {
        kPortableKernels.ditherRow(grey + first, thresholds + first, width - first,
                                   out + first / 8);
    }
}

}  // namespace

const ColumnKernels kSse2Kernels = {
    ColumnPath::kSse2, "sse2", OrRows, ColumnBlock, LeadingZeroBytes, BigEndianWords, DitherRow,
};

#endif
