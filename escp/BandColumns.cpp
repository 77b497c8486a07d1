// BandColumns: ink mask and column bytes of one band. Column bytes are made
// by transposing blocks of the raster: eight (or sixteen) rows of one pass
// by eight columns at a time. On x86-64 (SSE2) sixteen rows by 128 columns
// are transposed as bytes and each column's two bytes come from one
// movemask; elsewhere eight rows by eight columns are transposed in a 64-bit
// word. Blocks without ink are skipped: their bytes stay zero.
#include "escp/BandColumns.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned kWordBits = 64;

// Eight bytes as a 64-bit word, the first byte in the most significant bits.
std::uint64_t LoadBigEndian(const unsigned char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

#if !defined(__SSE2__)
// Transposes an 8 x 8 bit block held as eight bytes, most significant byte
// first: bit (7 - c) of byte r becomes bit (7 - r) of byte c.
std::uint64_t TransposeBits8x8(std::uint64_t x)
{
    x = (x & 0xAA55AA55AA55AA55ULL) | ((x & 0x00AA00AA00AA00AAULL) << 7) |
        ((x >> 7) & 0x00AA00AA00AA00AAULL);
    x = (x & 0xCCCC3333CCCC3333ULL) | ((x & 0x0000CCCC0000CCCCULL) << 14) |
        ((x >> 14) & 0x0000CCCC0000CCCCULL);
    x = (x & 0xF0F0F0F00F0F0F0FULL) | ((x & 0x00000000F0F0F0F0ULL) << 28) |
        ((x >> 28) & 0x00000000F0F0F0F0ULL);
    return x;
}
#endif

#if defined(__SSE2__)
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
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at));
    }
    alignas(16) unsigned char bytes[16] = {};
    std::memcpy(bytes, row + at, available - at);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Transposes a 16 x 16 byte matrix: afterwards byte l of v[j] is what byte
// j of v[l] was.
void TransposeBytes16x16(__m128i v[16])
{
    __m128i a[16];
    for (int m = 0; m < 8; ++m) {
        a[2 * m] = _mm_unpacklo_epi8(v[2 * m], v[2 * m + 1]);
        a[2 * m + 1] = _mm_unpackhi_epi8(v[2 * m], v[2 * m + 1]);
    }
    // a[2m + h], 16-bit element e: rows 2m, 2m + 1 at byte 8h + e.
    __m128i b[16];
    for (int n = 0; n < 4; ++n) {
        for (int h = 0; h < 2; ++h) {
            const __m128i lo = a[4 * n + h];
            const __m128i hi = a[4 * n + 2 + h];
            b[4 * n + 2 * h] = _mm_unpacklo_epi16(lo, hi);
            b[4 * n + 2 * h + 1] = _mm_unpackhi_epi16(lo, hi);
        }
    }
    // b[4n + 2h + q], 32-bit element f: rows 4n..4n+3 at byte 8h + 4q + f.
    __m128i c[16];
    for (int s = 0; s < 2; ++s) {
        for (int hq = 0; hq < 4; ++hq) {
            const __m128i lo = b[8 * s + hq];
            const __m128i hi = b[8 * s + 4 + hq];
            c[8 * s + 2 * hq] = _mm_unpacklo_epi32(lo, hi);
            c[8 * s + 2 * hq + 1] = _mm_unpackhi_epi32(lo, hi);
        }
    }
    // c[8s + 2(2h + q) + t], 64-bit element g: rows 8s..8s+7 at byte
    // 8h + 4q + 2t + g.
    for (int hqt = 0; hqt < 8; ++hqt) {
        v[2 * hqt] = _mm_unpacklo_epi64(c[hqt], c[8 + hqt]);
        v[2 * hqt + 1] = _mm_unpackhi_epi64(c[hqt], c[8 + hqt]);
    }
}

// Stores the sixteen bits of one column: the low byte, and the high byte
// next to it (one 16-bit store) or in the other pass.
template <bool kHigh, bool kAdjacent>
inline void StoreColumn(unsigned char* low, unsigned char* high, int mask)
{
    if (kHigh && kAdjacent) {
        const std::uint16_t bytes = static_cast<std::uint16_t>(mask);
        std::memcpy(low, &bytes, sizeof bytes);
    } else {
        *low = static_cast<unsigned char>(mask);
        if (kHigh) {
            *high = static_cast<unsigned char>(mask >> 8);
        }
    }
}

// Loads the sixteen lane rows of a block (zeros for the high lanes when
// there are none); `whole` when all sixteen bytes lie inside the rows.
template <bool kHigh>
inline void LoadLanes(const unsigned char* const laneRows[16], std::uint64_t block,
                      std::uint64_t usedBytes, bool whole, __m128i v[16])
{
    for (int l = 0; l < 16; ++l) {
        if (!kHigh && l >= 8) {
            v[l] = _mm_setzero_si128();
        } else if (whole) {
            v[l] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(laneRows[l] + block));
        } else {
            v[l] = LoadRowBytes(laneRows[l], block, usedBytes);
        }
    }
}

// True when no lane holds a dot.
inline bool NoInk(const __m128i v[16])
{
    __m128i any = v[0];
    for (int l = 1; l < 16; ++l) {
        any = _mm_or_si128(any, v[l]);
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
}

// Stores the eight columns of one transposed byte column, starting at
// `low` (the high bytes `highOffset` further), `step` bytes apart.
template <bool kHigh, bool kAdjacent>
inline void StoreEightColumns(__m128i column, unsigned char* low, std::ptrdiff_t highOffset,
                              std::uint64_t step)
{
    for (int k = 0; k < 8; ++k) {
        StoreColumn<kHigh, kAdjacent>(low, low + highOffset, _mm_movemask_epi8(column));
        column = _mm_add_epi8(column, column);
        low += step;
    }
}

// Writes the bytes of one group of sixteen dots (lanes laneRows) for the
// columns first .. end - 1, column x at low / high + (x - first) * step.
template <bool kHigh, bool kAdjacent>
void WriteLanes(const unsigned char* const laneRows[16], std::uint64_t usedBytes,
                unsigned char* low, unsigned char* high, std::uint64_t step, std::uint64_t first,
                std::uint64_t end)
{
    const std::ptrdiff_t highOffset = high - low;
    const std::uint64_t lastByte = (end - 1) / 8;
    for (std::uint64_t block = first / 8; block <= lastByte; block += 16) {
        __m128i v[16];
        LoadLanes<kHigh>(laneRows, block, usedBytes, block + 16 <= usedBytes, v);
        if (NoInk(v)) {
            continue;  // no ink: the columns stay zero
        }
        TransposeBytes16x16(v);
        const std::uint64_t x0 = block * 8;
        if (x0 >= first && x0 + 128 <= end) {
            // All 128 columns of the block are printed.
            unsigned char* at = low + (x0 - first) * step;
            for (int j = 0; j < 16; ++j) {
                StoreEightColumns<kHigh, kAdjacent>(v[j], at, highOffset, step);
                at += 8 * step;
            }
            continue;
        }
        const std::uint64_t blockBytes = std::min<std::uint64_t>(16, lastByte - block + 1);
        for (std::uint64_t j = 0; j < blockBytes; ++j) {
            const std::uint64_t byteStart = (block + j) * 8;
            if (byteStart >= first && byteStart + 8 <= end) {
                StoreEightColumns<kHigh, kAdjacent>(v[j], low + (byteStart - first) * step,
                                                    highOffset, step);
                continue;
            }
            __m128i column = v[j];
            for (std::uint64_t x = byteStart; x < byteStart + 8; ++x) {
                if (x >= first && x < end) {
                    const std::uint64_t offset = (x - first) * step;
                    StoreColumn<kHigh, kAdjacent>(low + offset, high + offset,
                                                  _mm_movemask_epi8(column));
                }
                column = _mm_add_epi8(column, column);
            }
        }
    }
}
#endif

}  // namespace

BandColumns::BandColumns(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                         std::uint64_t columns, int bandRows, int passCount)
    : top(bandTop),
      stride(bytesPerLine),
      width(columns),
      usedBytes((columns + 7) / 8),
      rows(bandRows),
      passes(passCount),
      dotsPerPass(bandRows / passCount),
      groups(),
      groupCount(0)
{
    // Pairs of adjacent column bytes of each pass; a pass's last byte left
    // over (an odd number of bytes) shares a group with the other pass's.
    const int columnBytes = ColumnBytes();
    int singleGroup = -1;
    for (int pass = 0; pass < passes; ++pass) {
        int byteIndex = 0;
        for (; byteIndex + 1 < columnBytes; byteIndex += 2) {
            Group group{};
            SetLanes(group, 0, pass, byteIndex);
            SetLanes(group, 1, pass, byteIndex + 1);
            group.high = true;
            group.adjacent = true;
            group.lowPass = group.highPass = pass;
            group.lowByte = byteIndex;
            group.highByte = byteIndex + 1;
            AddGroup(group);
        }
        if (byteIndex == columnBytes) {
            continue;
        }
        if (singleGroup >= 0) {
            Group& shared = groups[singleGroup];
            SetLanes(shared, 1, pass, byteIndex);
            shared.high = true;
            shared.highPass = pass;
            shared.highByte = byteIndex;
            singleGroup = -1;
            continue;
        }
        Group group{};
        SetLanes(group, 0, pass, byteIndex);
        group.lowPass = group.highPass = pass;
        group.lowByte = group.highByte = byteIndex;
        AddGroup(group);
        singleGroup = groupCount - 1;
    }
}

void BandColumns::SetLanes(Group& group, int half, int pass, int byteIndex) const
{
    for (int i = 0; i < 8; ++i) {
        group.laneRows[8 * half + i] = Row(pass + passes * (8 * byteIndex + 7 - i));
    }
}

void BandColumns::AddGroup(const Group& group)
{
    if (groupCount < kMaxGroups) {
        groups[groupCount++] = group;
    }
}

void BandColumns::FindInk()
{
    // OR of the rows, sixteen bytes at a time, in the words' memory; the
    // byte order is put right afterwards.
    const std::uint64_t blocks = (usedBytes + 15) / 16;
    ink.assign(2 * blocks, 0);
    unsigned char* orBytes = reinterpret_cast<unsigned char*>(ink.data());
    for (std::uint64_t block = 0; block < blocks; ++block) {
        const std::uint64_t at = 16 * block;
#if defined(__SSE2__)
        __m128i any = _mm_setzero_si128();
        if (at + 16 <= usedBytes) {
            // Four rows per step (every profile's band height is a multiple
            // of eight).
            const unsigned char* row = top + at;
            int r = 0;
            for (; r + 4 <= rows; r += 4, row += 4 * stride) {
                const __m128i a = _mm_or_si128(LoadBytes(row), LoadBytes(row + stride));
                const __m128i b =
                    _mm_or_si128(LoadBytes(row + 2 * stride), LoadBytes(row + 3 * stride));
                any = _mm_or_si128(any, _mm_or_si128(a, b));
            }
            for (; r < rows; ++r, row += stride) {
                any = _mm_or_si128(any, LoadBytes(row));
            }
        } else {
            for (int r = 0; r < rows; ++r) {
                any = _mm_or_si128(any, LoadRowBytes(Row(r), at, usedBytes));
            }
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(orBytes + at), any);
#else
        const std::uint64_t n = std::min<std::uint64_t>(16, usedBytes - at);
        for (int r = 0; r < rows; ++r) {
            const unsigned char* row = Row(r) + at;
            for (std::uint64_t i = 0; i < n; ++i) {
                orBytes[at + i] |= row[i];
            }
        }
#endif
    }
    for (std::uint64_t& word : ink) {
        word = LoadBigEndian(reinterpret_cast<const unsigned char*>(&word));
    }
    // Padding bits beyond the width are not columns.
    const unsigned usedBits = static_cast<unsigned>(width % kWordBits);
    if (usedBits != 0) {
        ink[width / kWordBits] &= ~0ULL << (kWordBits - usedBits);
    }
}

std::uint64_t BandColumns::NextInk(std::uint64_t x) const
{
    if (x >= width) {
        return width;
    }
    std::uint64_t w = x / kWordBits;
    std::uint64_t bits = ink[w] & (~0ULL >> (x % kWordBits));
    while (bits == 0) {
        if (++w == ink.size()) {
            return width;
        }
        bits = ink[w];
    }
    return std::min<std::uint64_t>(width, w * kWordBits + __builtin_clzll(bits));
}

std::uint64_t BandColumns::NextBlank(std::uint64_t x) const
{
    if (x >= width) {
        return width;
    }
    std::uint64_t w = x / kWordBits;
    std::uint64_t bits = ~ink[w] & (~0ULL >> (x % kWordBits));
    while (bits == 0) {
        if (++w == ink.size()) {
            return width;
        }
        bits = ~ink[w];
    }
    return std::min<std::uint64_t>(width, w * kWordBits + __builtin_clzll(bits));
}

void BandColumns::Write(unsigned char* const dest[], std::uint64_t first, std::uint64_t count) const
{
    if (count == 0) {
        return;
    }
    for (int g = 0; g < groupCount; ++g) {
        WriteGroup(groups[g], dest, first, count);
    }
}

#if defined(__SSE2__)

void BandColumns::WriteGroup(const Group& group, unsigned char* const dest[], std::uint64_t first,
                             std::uint64_t count) const
{
    unsigned char* low = dest[group.lowPass] + group.lowByte;
    unsigned char* high = dest[group.highPass] + group.highByte;
    const std::uint64_t step = static_cast<std::uint64_t>(ColumnBytes());
    const std::uint64_t end = first + count;
    if (!group.high) {
        WriteLanes<false, false>(group.laneRows, usedBytes, low, high, step, first, end);
    } else if (group.adjacent) {
        WriteLanes<true, true>(group.laneRows, usedBytes, low, high, step, first, end);
    } else {
        WriteLanes<true, false>(group.laneRows, usedBytes, low, high, step, first, end);
    }
}

#else

void BandColumns::WriteGroup(const Group& group, unsigned char* const dest[], std::uint64_t first,
                             std::uint64_t count) const
{
    const std::uint64_t end = first + count;
    const std::uint64_t step = static_cast<std::uint64_t>(ColumnBytes());
    for (int half = 0; half < (group.high ? 2 : 1); ++half) {
        unsigned char* out =
            half == 0 ? dest[group.lowPass] + group.lowByte : dest[group.highPass] + group.highByte;
        for (std::uint64_t byte = first / 8; byte <= (end - 1) / 8; ++byte) {
            // Top dot (lane 7 of the half) in the most significant byte.
            std::uint64_t block = 0;
            for (int lane = 8 * half + 7; lane >= 8 * half; --lane) {
                block = (block << 8) | group.laneRows[lane][byte];
            }
            if (block == 0) {
                continue;
            }
            block = TransposeBits8x8(block);
            for (std::uint64_t k = 0; k < 8; ++k) {
                const std::uint64_t x = byte * 8 + k;
                if (x >= first && x < end) {
                    out[(x - first) * step] =
                        static_cast<unsigned char>((block >> (56 - 8 * k)) & 0xFF);
                }
            }
        }
    }
}

#endif
