// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, SSE2 path (every x86-64 processor): the dither and the
// ink words' byte order sixteen bytes per step; the column bytes, the ink
// OR and the zero scan are the portable path's, whose generic vectors the
// compiler makes SSE2 code of.
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

// True when all sixteen bytes of v are 255 (white pixels: never below a
// threshold).
inline bool AllWhite(__m128i v)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(-1))) == 0xFFFF;
}

// AND of the 128 pixels from `g`.
inline __m128i And128(const unsigned char* g)
{
    __m128i v[8];
    for (int i = 0; i < 8; ++i) {
        v[i] = LoadBytes(g + 16 * i);
    }
    return _mm_and_si128(_mm_and_si128(_mm_and_si128(v[0], v[1]), _mm_and_si128(v[2], v[3])),
                         _mm_and_si128(_mm_and_si128(v[4], v[5]), _mm_and_si128(v[6], v[7])));
}

// The dot bytes of 128 pixels whose AND is `all`: sixteen zero bytes where
// all are white, else each sixteen through their paper mask and the table.
inline void Dots128(const unsigned char* g, const unsigned char* t, __m128i all, unsigned char* o)
{
    if (AllWhite(all)) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_setzero_si128());
        return;
    }
    for (int i = 0; i < 8; ++i) {
        StoreDots16(LoadBytes(g + 16 * i), t + 16 * i, o + 2 * i);
    }
}

// Packs one row 512 pixels at a time (64 zero bytes where all are white,
// else each 128 alone), then 128 and 64 the same way, then sixteen at a
// time. The last pixels are the end of the row's last sixteen, their mask
// shifted down and padded with paper.
void DitherRow(const unsigned char* grey, const unsigned char* thresholds, int width,
               unsigned char* out)
{
    if (width < 16) {
        kPortableKernels.ditherRow(grey, thresholds, width, out);
        return;
    }
    const unsigned char* g = grey;
    const unsigned char* t = thresholds;
    unsigned char* o = out;
    const unsigned char* const end512 = grey + (width & ~511);
    for (; g != end512; g += 512, t += 512, o += 64) {
        __m128i quarter[4];
        for (int q = 0; q < 4; ++q) {
            quarter[q] = And128(g + 128 * q);
        }
        if (AllWhite(_mm_and_si128(_mm_and_si128(quarter[0], quarter[1]),
                                   _mm_and_si128(quarter[2], quarter[3])))) {
            for (int q = 0; q < 4; ++q) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16 * q), _mm_setzero_si128());
            }
            continue;
        }
        for (int q = 0; q < 4; ++q) {
            Dots128(g + 128 * q, t + 128 * q, quarter[q], o + 16 * q);
        }
    }
    const unsigned char* const end128 = grey + (width & ~127);
    for (; g != end128; g += 128, t += 128, o += 16) {
        Dots128(g, t, And128(g), o);
    }
    if ((width & 64) != 0) {
        const __m128i g0 = LoadBytes(g);
        const __m128i g1 = LoadBytes(g + 16);
        const __m128i g2 = LoadBytes(g + 32);
        const __m128i g3 = LoadBytes(g + 48);
        const __m128i all = _mm_and_si128(_mm_and_si128(g0, g1), _mm_and_si128(g2, g3));
        if (AllWhite(all)) {
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
    ColumnPath::kSse2,          "sse2",    portable::OrRows, portable::PassColumns,
    portable::LeadingZeroBytes, DitherRow,
};

#endif
