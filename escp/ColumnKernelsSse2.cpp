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

// The dot bytes of sixteen pixels from the mask of those that stay paper
// (bit i set when pixel i gets no dot, as the byte mask gives it): the low
// byte is the first eight pixels, the first pixel in its most significant
// bit, the high byte the next eight. Stored as is, the low byte comes
// first (x86 is little-endian).
struct DotBytesTable {
    std::uint16_t bytes[65536];
    constexpr DotBytesTable()
        : bytes()
    {
        // Dot byte of eight pixels from their paper bits.
        unsigned char dotByte[256] = {};
        for (unsigned paper = 0; paper < 256; ++paper) {
            for (unsigned i = 0; i < 8; ++i) {
                dotByte[paper] |= static_cast<unsigned char>((((paper >> i) & 1U) ^ 1U) << (7 - i));
            }
        }
        for (unsigned high = 0; high < 256; ++high) {
            for (unsigned low = 0; low < 256; ++low) {
                bytes[high << 8 | low] =
                    static_cast<std::uint16_t>(dotByte[high] << 8 | dotByte[low]);
            }
        }
    }
};
constexpr DotBytesTable kDotBytes;

// Mask of the sixteen pixels that stay paper (grey >= threshold: the
// saturated difference threshold - grey is zero).
inline unsigned PaperMask(__m128i grey, const unsigned char* thresholds)
{
    const __m128i below = _mm_subs_epu8(LoadBytes(thresholds), grey);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(below, _mm_setzero_si128())));
}

// Stores the dot bytes of sixteen pixels at `out`.
inline void StoreDots16(__m128i grey, const unsigned char* thresholds, unsigned char* out)
{
    std::memcpy(out, &kDotBytes.bytes[PaperMask(grey, thresholds)], 2);
}

// Packs one row 128 pixels at a time: where all are white (never below a
// threshold) sixteen zero bytes, else each sixteen through their paper
// mask and the table; then 64 the same way, then sixteen at a time. The
// last pixels are the end of the row's last sixteen, their mask shifted
// down and padded with paper.
void DitherRow(const unsigned char* grey, const unsigned char* thresholds, int width,
               unsigned char* out)
{
    if (width < 16) {
        kPortableKernels.ditherRow(grey, thresholds, width, out);
        return;
    }
    const __m128i white = _mm_set1_epi8(-1);
    const unsigned char* g = grey;
    const unsigned char* t = thresholds;
    unsigned char* o = out;
    const unsigned char* const end128 = grey + (width & ~127);
    for (; g != end128; g += 128, t += 128, o += 16) {
        __m128i v[8];
        for (int i = 0; i < 8; ++i) {
            v[i] = LoadBytes(g + 16 * i);
        }
        const __m128i all =
            _mm_and_si128(_mm_and_si128(_mm_and_si128(v[0], v[1]), _mm_and_si128(v[2], v[3])),
                          _mm_and_si128(_mm_and_si128(v[4], v[5]), _mm_and_si128(v[6], v[7])));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(all, white)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_setzero_si128());
            continue;
        }
        for (int i = 0; i < 8; ++i) {
            StoreDots16(v[i], t + 16 * i, o + 2 * i);
        }
    }
    if ((width & 64) != 0) {
        const __m128i g0 = LoadBytes(g);
        const __m128i g1 = LoadBytes(g + 16);
        const __m128i g2 = LoadBytes(g + 32);
        const __m128i g3 = LoadBytes(g + 48);
        const __m128i all = _mm_and_si128(_mm_and_si128(g0, g1), _mm_and_si128(g2, g3));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(all, white)) == 0xFFFF) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_setzero_si128());
        } else {
            StoreDots16(g0, t, o);
            StoreDots16(g1, t + 16, o + 2);
            StoreDots16(g2, t + 32, o + 4);
            StoreDots16(g3, t + 48, o + 6);
        }
        g += 64;
        t += 64;
        o += 8;
    }
    const unsigned char* const end16 = grey + (width & ~15);
    for (; g != end16; g += 16, t += 16, o += 2) {
        StoreDots16(LoadBytes(g), t, o);
    }
    const int rest = width & 15;
    if (rest != 0) {
        const unsigned paper = PaperMask(LoadBytes(g + rest - 16), t + rest - 16) >> (16 - rest) |
                               (0xFFFFU << rest & 0xFFFFU);
        unsigned char dots[2];
        std::memcpy(dots, &kDotBytes.bytes[paper], 2);
        o[0] = dots[0];
        if (rest > 8) {
            o[1] = dots[1];
        }
    }
}

}  // namespace

const ColumnKernels kSse2Kernels = {
    ColumnPath::kSse2, "sse2", OrRows, ColumnBlock, LeadingZeroBytes, BigEndianWords, DitherRow,
};

#endif
