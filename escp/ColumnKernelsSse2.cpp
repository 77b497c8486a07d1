// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, SSE2 path (every x86-64 processor): sixteen rows by 128
// columns transposed as bytes and each column's bytes taken with one
// movemask, sixteen dots at a time.
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

// Lane l (0..15) of a sixteen-lane group from column byte b: lanes 0..7 are
// byte b's dots bottom to top, lanes 8..15 byte b + 1's, so that bit l of
// a movemask is lane l and each byte of the mask is a column byte with its
// top dot in bit 7.
inline int DotOfLane(int b, int lane)
{
    return 8 * (b + lane / 8) + 7 - lane % 8;
}

// Column bytes b (and b + 1 when kPair) of 128 columns from row byte
// byteStart: sixteen lanes transposed as bytes, then each column's two
// bytes are one movemask, the next column's bits shifted up by an add.
template <bool kPair>
void ColumnBytes(const unsigned char* const dotRows[], int columnBytes, int b,
                 std::uint64_t byteStart, std::uint64_t usedBytes, unsigned char* block)
{
    const bool whole = byteStart + 16 <= usedBytes;
    __m128i v[16];
    for (int l = 0; l < 16; ++l) {
        if (!kPair && l >= 8) {
            v[l] = _mm_setzero_si128();
            continue;
        }
        const unsigned char* row = dotRows[DotOfLane(b, l)];
        v[l] = whole ? LoadBytes(row + byteStart) : LoadRowBytes(row, byteStart, usedBytes);
    }
    TransposeBytes16x16<Sse2Ops>(v);
    unsigned char* at = block + b;
    for (int j = 0; j < 16; ++j) {
        __m128i column = v[j];
        for (int k = 0; k < 8; ++k, at += columnBytes) {
            const int mask = _mm_movemask_epi8(column);
            if (kPair) {
                const std::uint16_t bytes = static_cast<std::uint16_t>(mask);
                std::memcpy(at, &bytes, sizeof bytes);
            } else {
                *at = static_cast<unsigned char>(mask);
            }
            column = _mm_add_epi8(column, column);
        }
    }
}

// 128 columns by sixteen-lane groups: pairs of column bytes, then the
// last byte alone when their number is odd.
void Block128(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
              std::uint64_t usedBytes, unsigned char* block)
{
    int b = 0;
    for (; b + 1 < columnBytes; b += 2) {
        ColumnBytes<true>(dotRows, columnBytes, b, byteStart, usedBytes, block);
    }
    if (b < columnBytes) {
        ColumnBytes<false>(dotRows, columnBytes, b, byteStart, usedBytes, block);
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

// Zero bytes at the start: 64 at a time while they are all zero, then 16
// at a time (a compare and a mask) up to the first set byte.
std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t at = 0;
    for (; at + 64 <= size; at += 64) {
        const __m128i a = _mm_or_si128(LoadBytes(data + at), LoadBytes(data + at + 16));
        const __m128i b = _mm_or_si128(LoadBytes(data + at + 32), LoadBytes(data + at + 48));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(a, b), zero)) != 0xFFFF) {
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

// Packs one row sixteen pixels at a time: a pixel is a dot where the
// saturated difference threshold - grey is not zero (grey < threshold).
void DitherRow(const unsigned char* grey, const unsigned char* thresholds, int width,
               unsigned char* out)
{
    const __m128i zero = _mm_setzero_si128();
    int first = 0;
    for (; first + 16 <= width; first += 16) {
        const __m128i g = LoadBytes(grey + first);
        const __m128i t = LoadBytes(thresholds + first);
        // Bit k of `paper` is set where pixel first + k is no dot.
        const int paper = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(t, g), zero));
        const int dots = ~paper & 0xFFFF;
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
