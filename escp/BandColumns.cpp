// SPDX-License-Identifier: Apache-2.0
// BandColumns: ink mask and column bytes of one band. Column bytes are made
// 256 columns of one pass at a time into a small block, then appended to
// the printer data (no zero fill first). Three ways: eight rows by eight
// columns transposed in a 64-bit word (any machine); on x86-64 sixteen rows
// by 128 columns transposed as bytes and each column's bytes taken with one
// movemask, sixteen dots at a time (SSE2); and, for three-byte columns on
// processors with AVX2, bit transposes of 32-byte rows followed by one byte
// transpose into column order. Blocks without ink are zeros.
#include "escp/BandColumns.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

constexpr unsigned kWordBits = 64;
// Columns of a block, and the spare bytes after its column bytes (for the
// wide stores of the last three-byte columns).
constexpr std::uint64_t kBlockColumns = 256;
constexpr std::size_t kBlockSpare = 8;

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

// Column bytes of 128 columns from row byte byteStart: for each column byte
// and each row byte, its eight rows (top dot first) as one word, transposed
// so that byte k of the word is column k's byte.
void PortableBlock(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
                   std::uint64_t usedBytes, unsigned char* block)
{
    const std::uint64_t rowBytes = std::min<std::uint64_t>(16, usedBytes - byteStart);
    for (int b = 0; b < columnBytes; ++b) {
        for (std::uint64_t j = 0; j < 16; ++j) {
            std::uint64_t word = 0;
            for (int d = 0; j < rowBytes && d < 8; ++d) {
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

// ORs the up to sixteen used bytes from byte `at` of every row into
// orBytes (which start as zero).
void PortableOrRows(const unsigned char* top, std::uint64_t stride, int rows,
                    std::uint64_t usedBytes, std::uint64_t at, unsigned char* orBytes)
{
    const std::uint64_t n = std::min<std::uint64_t>(16, usedBytes - at);
    for (int r = 0; r < rows; ++r) {
        const unsigned char* row = top + static_cast<std::uint64_t>(r) * stride + at;
        for (std::uint64_t i = 0; i < n; ++i) {
            orBytes[at + i] |= row[i];
        }
    }
}

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
void Sse2ColumnBytes(const unsigned char* const dotRows[], int columnBytes, int b,
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
    TransposeBytes16x16(v);
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
void Sse2Block(const unsigned char* const dotRows[], int columnBytes, std::uint64_t byteStart,
               std::uint64_t usedBytes, unsigned char* block)
{
    int b = 0;
    for (; b + 1 < columnBytes; b += 2) {
        Sse2ColumnBytes<true>(dotRows, columnBytes, b, byteStart, usedBytes, block);
    }
    if (b < columnBytes) {
        Sse2ColumnBytes<false>(dotRows, columnBytes, b, byteStart, usedBytes, block);
    }
}

// ORs the sixteen bytes from byte `at` of every row into orBytes. The
// last, partial sixteen bytes of a row are read as the sixteen ending at
// its last used byte (their first bytes get the same value again).
void Sse2OrRows(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t usedBytes,
                std::uint64_t at, unsigned char* orBytes)
{
    if (at + 16 > usedBytes && usedBytes >= 16) {
        at = usedBytes - 16;
    }
    __m128i any = _mm_setzero_si128();
    const unsigned char* row = top + at;
    if (at + 16 <= usedBytes) {
        // Four rows per step (every profile's band height is a multiple of
        // eight).
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
        for (int r = 0; r < rows; ++r, row += stride) {
            any = _mm_or_si128(any, LoadRowBytes(row - at, at, usedBytes));
        }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(orBytes + at), any);
}

#if defined(__GNUC__) && defined(__x86_64__)
#define RIDEV_HAS_AVX2_PATH 1

// Transposes two 16 x 16 byte matrices at once, one in each 128-bit half
// (the unpacks work within halves), as TransposeBytes16x16 does.
__attribute__((target("avx2"), always_inline)) inline void TransposeBytes16x16Twice(__m256i v[16])
{
    __m256i a[16];
    for (int m = 0; m < 8; ++m) {
        a[2 * m] = _mm256_unpacklo_epi8(v[2 * m], v[2 * m + 1]);
        a[2 * m + 1] = _mm256_unpackhi_epi8(v[2 * m], v[2 * m + 1]);
    }
    __m256i b[16];
    for (int n = 0; n < 4; ++n) {
        for (int h = 0; h < 2; ++h) {
            b[4 * n + 2 * h] = _mm256_unpacklo_epi16(a[4 * n + h], a[4 * n + 2 + h]);
            b[4 * n + 2 * h + 1] = _mm256_unpackhi_epi16(a[4 * n + h], a[4 * n + 2 + h]);
        }
    }
    __m256i c[16];
    for (int s = 0; s < 2; ++s) {
        for (int hq = 0; hq < 4; ++hq) {
            c[8 * s + 2 * hq] = _mm256_unpacklo_epi32(b[8 * s + hq], b[8 * s + 4 + hq]);
            c[8 * s + 2 * hq + 1] = _mm256_unpackhi_epi32(b[8 * s + hq], b[8 * s + 4 + hq]);
        }
    }
    for (int hqt = 0; hqt < 8; ++hqt) {
        v[2 * hqt] = _mm256_unpacklo_epi64(c[hqt], c[8 + hqt]);
        v[2 * hqt + 1] = _mm256_unpackhi_epi64(c[hqt], c[8 + hqt]);
    }
}

// Thirty-two bytes of a row from byte `at` (below `available`), zeros
// beyond `available` bytes.
__attribute__((target("avx2"))) __m256i LoadRowBytes32(const unsigned char* row, std::uint64_t at,
                                                       std::uint64_t available)
{
    if (at + 32 <= available) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + at));
    }
    alignas(32) unsigned char bytes[32] = {};
    std::memcpy(bytes, row + at, available - at);
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
}

// One step of an 8 x 8 bit transpose in every byte: swaps the bits of
// `upper` under `mask` with the bits kShift places higher in `lower`. The
// 16-bit shifts carry bits across bytes, but only into places the mask
// clears.
template <int kShift>
__attribute__((target("avx2"))) inline void SwapBits(__m256i& upper, __m256i& lower, __m256i mask)
{
    const __m256i t =
        _mm256_and_si256(_mm256_xor_si256(upper, _mm256_srli_epi16(lower, kShift)), mask);
    upper = _mm256_xor_si256(upper, t);
    lower = _mm256_xor_si256(lower, _mm256_slli_epi16(t, kShift));
}

// Transposes the 8 x 8 bit matrix at every byte position of eight
// registers: bit 7 - j of byte p of r[i] becomes bit 7 - i of byte p of
// r[j]. Quarters, then halves of quarters, then single bits are swapped.
__attribute__((target("avx2"))) inline void TransposeBitsInBytes(__m256i r[8])
{
    const __m256i nibbles = _mm256_set1_epi8(0x0F);
    const __m256i pairs = _mm256_set1_epi8(0x33);
    const __m256i bits = _mm256_set1_epi8(0x55);
    for (int i = 0; i < 4; ++i) {
        SwapBits<4>(r[i], r[i + 4], nibbles);
    }
    for (const int i : {0, 1, 4, 5}) {
        SwapBits<2>(r[i], r[i + 2], pairs);
    }
    for (const int i : {0, 2, 4, 6}) {
        SwapBits<1>(r[i], r[i + 1], bits);
    }
}

// 256 three-byte columns from row byte byteStart. Each register holds 32
// bytes of one row; a bit transpose of the eight rows of column byte b
// leaves byte p of register bytes[b][k] = byte b of column 8p + k. The
// 24 bytes of columns 8p .. 8p + 7 are then byte p of registers 3k + b in
// that order, gathered by a byte transpose of those 24 registers (and 8
// zero ones). Each 24 bytes go out in one 32-byte store whose last 8 bytes
// the next columns overwrite (or that land on the block's spare bytes).
__attribute__((target("avx2"))) void Avx2Block24(const unsigned char* const dotRows[],
                                                 std::uint64_t byteStart, std::uint64_t usedBytes,
                                                 unsigned char* block)
{
    const bool whole = byteStart + 32 <= usedBytes;
    __m256i bytes[3][8];
#pragma GCC unroll 3
    for (int b = 0; b < 3; ++b) {
        for (int m = 0; m < 8; ++m) {
            const unsigned char* row = dotRows[8 * b + m];
            bytes[b][m] =
                whole ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + byteStart))
                      : LoadRowBytes32(row, byteStart, usedBytes);
        }
        TransposeBitsInBytes(bytes[b]);
    }
    // Registers 0..15 and 16..23 of the output order, each set transposed
    // as two 16 x 16 byte matrices: afterwards the low half of first[j] is
    // bytes 0..15 of columns 8j .. 8j + 7 and second[j] their bytes 16..23;
    // the high halves are those of columns 8(16 + j) ...
    __m256i first[16];
    __m256i second[16];
    for (int i = 0; i < 16; ++i) {
        first[i] = bytes[i % 3][i / 3];
        second[i] = i < 8 ? bytes[(16 + i) % 3][(16 + i) / 3] : _mm256_setzero_si256();
    }
    TransposeBytes16x16Twice(first);
    TransposeBytes16x16Twice(second);
    // Columns 0..127 from the low halves, then 128..255 from the high
    // halves, in order (so each store's overhang is overwritten).
    for (int j = 0; j < 16; ++j) {
        const __m256i out = _mm256_permute2x128_si256(first[j], second[j], 0x20);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(block + 24 * j), out);
    }
    for (int j = 0; j < 16; ++j) {
        const __m256i out = _mm256_permute2x128_si256(first[j], second[j], 0x31);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(block + 24 * (16 + j)), out);
    }
}

// Thirty-two bytes from `at`.
__attribute__((target("avx2"))) inline __m256i Load32(const unsigned char* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// ORs kChunks * 32 bytes from byte `at` of `rows` rows, `stride` apart,
// into orBytes: eight rows per step (band heights are multiples of eight),
// each row's chunks ORed straight into their accumulators.
template <int kChunks>
__attribute__((target("avx2"))) inline void OrRows(const unsigned char* top, std::uint64_t stride,
                                                   int rows, std::uint64_t at,
                                                   unsigned char* orBytes)
{
    __m256i any[kChunks];
    for (int c = 0; c < kChunks; ++c) {
        any[c] = _mm256_setzero_si256();
    }
    const unsigned char* row = top + at;
    int r = 0;
    for (; r + 8 <= rows; r += 8, row += 8 * stride) {
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            for (int c = 0; c < kChunks; ++c) {
                any[c] = _mm256_or_si256(any[c], Load32(row + k * stride + 32 * c));
            }
        }
    }
    for (; r < rows; ++r, row += stride) {
        for (int c = 0; c < kChunks; ++c) {
            any[c] = _mm256_or_si256(any[c], Load32(row + 32 * c));
        }
    }
    for (int c = 0; c < kChunks; ++c) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(orBytes + at + 32 * c), any[c]);
    }
}

// ORs the rows' used bytes into orBytes 64 and then 32 at a time, the last
// 32 ending at the last used byte (bytes it shares with the previous ones
// get the same value again); returns the bytes done (none when there are
// fewer than 32).
__attribute__((target("avx2"))) std::uint64_t OrAllRows32(const unsigned char* top,
                                                          std::uint64_t stride, int rows,
                                                          std::uint64_t usedBytes,
                                                          unsigned char* orBytes)
{
    if (usedBytes < 32) {
        return 0;
    }
    std::uint64_t at = 0;
    for (; at + 64 <= usedBytes; at += 64) {
        OrRows<2>(top, stride, rows, at, orBytes);
    }
    if (at + 32 <= usedBytes) {
        OrRows<1>(top, stride, rows, at, orBytes);
        at += 32;
    }
    if (at < usedBytes) {
        OrRows<1>(top, stride, rows, usedBytes - 32, orBytes);
    }
    return usedBytes;
}

// Reads words stored as bytes in big-endian order as numbers, four at a
// time with one byte shuffle; returns the words done (a multiple of four).
__attribute__((target("avx2"))) std::uint64_t Avx2BigEndianWords(std::uint64_t* words,
                                                                 std::uint64_t count)
{
    const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                             7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    std::uint64_t w = 0;
    for (; w + 4 <= count; w += 4) {
        auto* at = reinterpret_cast<__m256i*>(words + w);
        _mm256_storeu_si256(at, _mm256_shuffle_epi8(_mm256_loadu_si256(at), reverse));
    }
    return w;
}

// LeadingZeroBytes by 128 bytes at a time while they are all zero, then by
// 32 (each a compare and a mask) up to the first set byte.
__attribute__((target("avx2"))) std::uint64_t Avx2LeadingZeroBytes(const unsigned char* data,
                                                                   std::uint64_t size)
{
    std::uint64_t at = 0;
    for (; at + 128 <= size; at += 128) {
        const __m256i a = _mm256_or_si256(Load32(data + at), Load32(data + at + 32));
        const __m256i b = _mm256_or_si256(Load32(data + at + 64), Load32(data + at + 96));
        const __m256i any = _mm256_or_si256(a, b);
        if (!_mm256_testz_si256(any, any)) {
            break;
        }
    }
    const __m256i zero = _mm256_setzero_si256();
    for (; at + 32 <= size; at += 32) {
        const auto zeros =
            static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(Load32(data + at), zero)));
        if (zeros != 0xFFFFFFFFU) {
            return at + static_cast<unsigned>(__builtin_ctz(~zeros));
        }
    }
    while (at < size && data[at] == 0) {
        ++at;
    }
    return at;
}

#endif
#endif

}  // namespace

BandColumns::BandColumns(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                         std::uint64_t columns, int bandRows, int passCount,
                         std::vector<std::uint64_t>& inkWords)
    : top(bandTop),
      stride(bytesPerLine),
      width(columns),
      usedBytes((columns + 7) / 8),
      rows(bandRows),
      passes(passCount),
      dotsPerPass(bandRows / passCount),
      ink(inkWords)
{
}

bool BandColumns::PathAvailable(Path path)
{
    switch (path) {
    case Path::kPortable:
        return true;
    case Path::kSse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case Path::kAvx2:
#if defined(RIDEV_HAS_AVX2_PATH)
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

namespace {

// The fastest path this processor takes.
BandColumns::Path FastestPath()
{
    using Path = BandColumns::Path;
    for (const Path path : {Path::kAvx2, Path::kSse2}) {
        if (BandColumns::PathAvailable(path)) {
            return path;
        }
    }
    return Path::kPortable;
}

// The process's path, chosen on first use.
BandColumns::Path& ChosenPath()
{
    static BandColumns::Path path = FastestPath();
    return path;
}

}  // namespace

BandColumns::Path BandColumns::CurrentPath()
{
    return ChosenPath();
}

bool BandColumns::UsePath(Path path)
{
    if (!PathAvailable(path)) {
        return false;
    }
    ChosenPath() = path;
    return true;
}

std::uint64_t BandColumns::LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
#if defined(RIDEV_HAS_AVX2_PATH)
    if (CurrentPath() == Path::kAvx2) {
        return Avx2LeadingZeroBytes(data, size);
    }
#endif
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

void BandColumns::FindInk()
{
    // OR of the rows, 32 (with AVX2) or sixteen bytes at a time, in the
    // words' memory; the byte order is put right afterwards.
    const std::uint64_t blocks = (usedBytes + 15) / 16;
    ink.resize(2 * blocks);
    unsigned char* orBytes = reinterpret_cast<unsigned char*>(ink.data());
    // Unread where the processor has no vector path (the portable code only).
    [[maybe_unused]] const Path path = CurrentPath();
    std::uint64_t done = 0;
#if defined(RIDEV_HAS_AVX2_PATH)
    if (path == Path::kAvx2) {
        done = OrAllRows32(top, stride, rows, usedBytes, orBytes);
    }
#endif
    // The words keep the previous band's mask: every byte not stored below
    // starts as zero.
    if (done < 16 * blocks) {
        std::memset(orBytes + done, 0, 16 * blocks - done);
    }
    for (std::uint64_t at = (done + 15) / 16 * 16; at < 16 * blocks; at += 16) {
#if defined(__SSE2__)
        if (path != Path::kPortable) {
            Sse2OrRows(top, stride, rows, usedBytes, at, orBytes);
            continue;
        }
#endif
        PortableOrRows(top, stride, rows, usedBytes, at, orBytes);
    }
    ReadInkWords();
}

void BandColumns::ReadInkWords()
{
    std::uint64_t swapped = 0;
#if defined(RIDEV_HAS_AVX2_PATH) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (CurrentPath() == Path::kAvx2) {
        swapped = Avx2BigEndianWords(ink.data(), ink.size());
    }
#endif
    for (std::uint64_t w = swapped; w < ink.size(); ++w) {
        ink[w] = LoadBigEndian(reinterpret_cast<const unsigned char*>(&ink[w]));
    }
    // Padding bits beyond the width are not columns.
    const unsigned usedBits = static_cast<unsigned>(width % kWordBits);
    if (usedBits != 0) {
        ink[width / kWordBits] &= ~0ULL << (kWordBits - usedBits);
    }
}

std::uint64_t BandColumns::NextInk(std::uint64_t x) const
{
    return NextColumn(x, 0);
}

std::uint64_t BandColumns::NextBlank(std::uint64_t x) const
{
    return NextColumn(x, ~0ULL);
}

std::uint64_t BandColumns::NextColumn(std::uint64_t x, std::uint64_t flip) const
{
    if (x >= width) {
        return width;
    }
    std::uint64_t w = x / kWordBits;
    std::uint64_t bits = (ink[w] ^ flip) & (~0ULL >> (x % kWordBits));
    while (bits == 0) {
        if (++w == ink.size()) {
            return width;
        }
        bits = ink[w] ^ flip;
    }
    return std::min<std::uint64_t>(width, w * kWordBits + __builtin_clzll(bits));
}

void BandColumns::MakeBlock([[maybe_unused]] Path path, const unsigned char* const dotRows[],
                            std::uint64_t byteStart, unsigned char* block) const
{
    const int columnBytes = ColumnBytes();
#if defined(RIDEV_HAS_AVX2_PATH)
    if (path == Path::kAvx2 && columnBytes == 3) {
        Avx2Block24(dotRows, byteStart, usedBytes, block);
        return;
    }
#endif
    // The other ways make 128 columns at a time; columns from the width on
    // are never appended.
    for (std::uint64_t at = byteStart; at < byteStart + kBlockColumns / 8 && at < usedBytes;
         at += 16) {
        unsigned char* part =
            block + (at - byteStart) * 8 * static_cast<std::uint64_t>(columnBytes);
#if defined(__SSE2__)
        if (path != Path::kPortable) {
            Sse2Block(dotRows, columnBytes, at, usedBytes, part);
            continue;
        }
#endif
        PortableBlock(dotRows, columnBytes, at, usedBytes, part);
    }
}

void BandColumns::AppendPass(int pass, std::uint64_t first, std::uint64_t count,
                             std::vector<unsigned char>& out) const
{
    const unsigned char* dotRows[kMaxDots];
    for (int d = 0; d < dotsPerPass; ++d) {
        dotRows[d] = Row(pass + passes * d);
    }
    const std::uint64_t columnBytes = static_cast<std::uint64_t>(ColumnBytes());
    unsigned char block[kBlockColumns * (kMaxDots / 8) + kBlockSpare];
    const Path path = CurrentPath();
    const std::uint64_t end = first + count;
    // Blocks start at whole row bytes; only the columns in the range are
    // appended.
    for (std::uint64_t x0 = first / 8 * 8; x0 < end; x0 += kBlockColumns) {
        const std::uint64_t from = std::max(first, x0);
        const std::uint64_t to = std::min(end, x0 + kBlockColumns);
        const std::size_t bytes = (to - from) * columnBytes;
        if (NextInk(from) >= to) {
            out.insert(out.end(), bytes, 0);  // no ink in any row
            continue;
        }
        MakeBlock(path, dotRows, x0 / 8, block);
        const unsigned char* columns = block + (from - x0) * columnBytes;
        out.insert(out.end(), columns, columns + bytes);
    }
}
