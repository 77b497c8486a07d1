// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, SSE2 path (every x86-64 processor): sixteen bytes per step
// for the ink OR, the zero scan and the dither; the column bytes are the
// portable path's, whose generic vectors the compiler makes SSE2 code of.
#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

#include "escp/ColumnKernels.h"

namespace {

// Sixteen bytes from `at`.
inline __m128i LoadBytes(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The column bytes are the portable path's: its generic vectors are SSE2
// code on every x86-64 processor.
void ColumnBlock(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
                 std::uint64_t usedBytes, unsigned char* block)
{
    kPortableKernels.columnBlock(dotRows, columnBytes, byteStart, usedBytes, block);
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
