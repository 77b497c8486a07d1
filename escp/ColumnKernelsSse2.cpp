// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, SSE2 path (every x86-64 processor): the dither sixteen
// pixels per step; the column bytes, the ink OR and the zero scan are the
// portable path's, whose generic vectors the compiler makes SSE2 code of.
#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "escp/ColumnKernels.h"

namespace {

// Sixteen bytes from `at`.
inline __m128i LoadBytes(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The dot bytes of sixteen pixels from the mask of those that get a dot
// (bit i for pixel i, as the byte mask gives it): the low byte is the first
// eight pixels, the first pixel in its most significant bit, the high byte
// the next eight. Stored as is, the low byte comes first (x86 is
// little-endian).
struct DotBytesTable {
    std::uint16_t bytes[65536];
    constexpr DotBytesTable()
        : bytes()
    {
        // Dot byte of eight pixels from their mask: the bits reversed.
        unsigned char dotByte[256] = {};
        for (unsigned dots = 0; dots < 256; ++dots) {
            for (unsigned i = 0; i < 8; ++i) {
                dotByte[dots] |= static_cast<unsigned char>(((dots >> i) & 1U) << (7 - i));
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

// Sixteen dot levels from `levels`, which lies on a 16-byte boundary when
// kAligned says so (the load then folds into the instruction that uses it).
template <bool kAligned>
inline __m128i LoadLevels(const unsigned char* levels)
{
    return kAligned ? _mm_load_si128(reinterpret_cast<const __m128i*>(levels)) : LoadBytes(levels);
}

// Mask of the sixteen pixels that get a dot (grey <= level: the saturated
// difference grey - level is zero).
template <bool kAligned>
inline unsigned DotMask(__m128i grey, const unsigned char* levels)
{
    const __m128i above = _mm_subs_epu8(grey, LoadLevels<kAligned>(levels));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(above, _mm_setzero_si128())));
}

// Stores the dot bytes of sixteen pixels at `out`.
template <bool kAligned>
inline void StoreDots16(__m128i grey, const unsigned char* levels, unsigned char* out)
{
    std::memcpy(out, &kDotBytes.bytes[DotMask<kAligned>(grey, levels)], 2);
}

// True when all sixteen bytes of v are 255 (white pixels: never at or
// below a level).
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
// all are white, else each sixteen through their dot mask and the table.
template <bool kAligned>
inline void Dots128(const unsigned char* g, const unsigned char* l, __m128i all, unsigned char* o)
{
    if (AllWhite(all)) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_setzero_si128());
        return;
    }
    for (int i = 0; i < 8; ++i) {
        StoreDots16<kAligned>(LoadBytes(g + 16 * i), l + 16 * i, o + 2 * i);
    }
}

// Packs one row 512 pixels at a time (64 zero bytes where all are white,
// else each 128 alone), then 128 and 64 the same way, then sixteen at a
// time. The last pixels are the end of the row's last sixteen, their mask
// shifted down. kAligned: the levels lie on a 16-byte boundary.
template <bool kAligned>
void DitherRowFrom(const unsigned char* grey, const unsigned char* levels, int width,
                   unsigned char* out)
{
    const unsigned char* g = grey;
    const unsigned char* l = levels;
    unsigned char* o = out;
    const unsigned char* const end512 = grey + (width & ~511);
    for (; g != end512; g += 512, l += 512, o += 64) {
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
            Dots128<kAligned>(g + 128 * q, l + 128 * q, quarter[q], o + 16 * q);
        }
    }
    const unsigned char* const end128 = grey + (width & ~127);
    for (; g != end128; g += 128, l += 128, o += 16) {
        Dots128<kAligned>(g, l, And128(g), o);
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
            StoreDots16<kAligned>(g0, l, o);
            StoreDots16<kAligned>(g1, l + 16, o + 2);
            StoreDots16<kAligned>(g2, l + 32, o + 4);
            StoreDots16<kAligned>(g3, l + 48, o + 6);
        }
        g += 64;
        l += 64;
        o += 8;
    }
    const unsigned char* const end16 = grey + (width & ~15);
    for (; g != end16; g += 16, l += 16, o += 2) {
        StoreDots16<kAligned>(LoadBytes(g), l, o);
    }
    const int rest = width & 15;
    if (rest != 0) {
        const unsigned dots =
            DotMask<false>(LoadBytes(g + rest - 16), l + rest - 16) >> (16 - rest);
        unsigned char bytes[2];
        std::memcpy(bytes, &kDotBytes.bytes[dots], 2);
        o[0] = bytes[0];
        if (rest > 8) {
            o[1] = bytes[1];
        }
    }
}

// Packs one row (rows under sixteen pixels the portable way).
void DitherRow(const unsigned char* grey, const unsigned char* levels, int width,
               unsigned char* out)
{
    if (width < 16) {
        kPortableKernels.ditherRow(grey, levels, width, out);
    } else if (reinterpret_cast<std::uintptr_t>(levels) % 16 == 0) {
        DitherRowFrom<true>(grey, levels, width, out);
    } else {
        DitherRowFrom<false>(grey, levels, width, out);
    }
}

}  // namespace

const ColumnKernels kSse2Kernels = {
    ColumnPath::kSse2,          "sse2",    portable::OrRows, portable::PassColumns,
    portable::LeadingZeroBytes, DitherRow,
};

#endif
