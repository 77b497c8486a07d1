// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, AVX2 path. This file is compiled for AVX2 and reached only
// through its table, which is handed out only on a processor with AVX2; it
// includes nothing with inline functions of its own that another file
// could share (the compiler would be free to keep this file's AVX2 copy).
// Three-byte columns are made by bit transposes of 32-byte rows followed by
// one byte transpose into column order; other columns take the SSE2 way.
#if defined(RIDEV_AVX2_KERNELS) && defined(__x86_64__)
#include <immintrin.h>

#include <cstring>

#include "escp/ColumnKernels.h"

namespace {

// The AVX2 instructions the shared transposes use; the unpacks work within
// each 128-bit half, so a transpose handles two matrices at once.
struct Avx2Ops {
    static __m256i UnpackLo8(__m256i a, __m256i b) { return _mm256_unpacklo_epi8(a, b); }
    static __m256i UnpackHi8(__m256i a, __m256i b) { return _mm256_unpackhi_epi8(a, b); }
    static __m256i UnpackLo16(__m256i a, __m256i b) { return _mm256_unpacklo_epi16(a, b); }
    static __m256i UnpackHi16(__m256i a, __m256i b) { return _mm256_unpackhi_epi16(a, b); }
    static __m256i UnpackLo32(__m256i a, __m256i b) { return _mm256_unpacklo_epi32(a, b); }
    static __m256i UnpackHi32(__m256i a, __m256i b) { return _mm256_unpackhi_epi32(a, b); }
    static __m256i UnpackLo64(__m256i a, __m256i b) { return _mm256_unpacklo_epi64(a, b); }
    static __m256i UnpackHi64(__m256i a, __m256i b) { return _mm256_unpackhi_epi64(a, b); }
    static __m256i And(__m256i a, __m256i b) { return _mm256_and_si256(a, b); }
    static __m256i Xor(__m256i a, __m256i b) { return _mm256_xor_si256(a, b); }
    template <int kShift>
    static __m256i ShiftRight16(__m256i a)
    {
        return _mm256_srli_epi16(a, kShift);
    }
    template <int kShift>
    static __m256i ShiftLeft16(__m256i a)
    {
        return _mm256_slli_epi16(a, kShift);
    }
    static __m256i Bytes(char value) { return _mm256_set1_epi8(value); }
};

}  // namespace

#include "escp/VectorTranspose.h"

namespace {

// Thirty-two bytes from `at`.
inline __m256i Load32(const unsigned char* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// Thirty-two bytes of a row from byte `at`, zeros beyond `available` bytes.
__m256i LoadRowBytes32(const unsigned char* row, std::uint64_t at, std::uint64_t available)
{
    if (at + 32 <= available) {
        return Load32(row + at);
    }
    alignas(32) unsigned char bytes[32] = {};
    std::memcpy(bytes, row + at, available - at);
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
}

// 256 three-byte columns from row byte byteStart. Each register holds 32
// bytes of one row; a bit transpose of the eight rows of column byte b
// leaves byte p of register bytes[b][k] = byte b of column 8p + k. The
// 24 bytes of columns 8p .. 8p + 7 are then byte p of registers 3k + b in
// that order, gathered by a byte transpose of those 24 registers (and 8
// zero ones). Each 24 bytes go out in one 32-byte store whose last 8 bytes
// the next columns overwrite (or that land on the block's spare bytes).
void Block24(const unsigned char* firstRow, std::uint64_t rowStep, std::uint64_t byteStart,
             std::uint64_t usedBytes, unsigned char* block)
{
    const bool whole = byteStart + 32 <= usedBytes;
    __m256i bytes[3][8];
#pragma GCC unroll 3
    for (int b = 0; b < 3; ++b) {
        const unsigned char* const top = firstRow + static_cast<std::uint64_t>(8 * b) * rowStep;
        if (whole) {
            LoadEightRows(top + byteStart, rowStep, bytes[b], Load32);
        } else {
            for (int m = 0; m < 8; ++m) {
                const unsigned char* row = top + static_cast<std::uint64_t>(m) * rowStep;
                bytes[b][m] = LoadRowBytes32(row, byteStart, usedBytes);
            }
        }
        TransposeBitsInBytes<Avx2Ops>(bytes[b]);
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
    TransposeBytes16x16<Avx2Ops>(first);
    TransposeBytes16x16<Avx2Ops>(second);
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

// Three-byte columns by bit transposes, 256 at a time while more than 128
// are left, the last 128 or fewer the SSE2 way, as are other column sizes.
void PassColumns(const unsigned char* firstRow, std::uint64_t rowStep, int columnBytes,
                 std::uint64_t byteStart, std::uint64_t usedBytes, std::uint64_t columns,
                 unsigned char* out)
{
    std::uint64_t made = 0;
    if (columnBytes == 3) {
        for (; made + 128 < columns; made += 256, byteStart += 32, out += 256 * 3) {
            Block24(firstRow, rowStep, byteStart, usedBytes, out);
        }
    }
    if (made < columns) {
        portable::PassColumns(firstRow, rowStep, columnBytes, byteStart, usedBytes, columns - made,
                              out);
    }
}

// ORs kChunks * 32 bytes from byte `at` of `rows` rows, `stride` apart,
// into orBytes: eight rows per step (band heights are multiples of eight),
// each row's chunks ORed straight into their accumulators.
template <int kChunks>
inline void OrChunks(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t at,
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

// OR of the rows 64 and then 32 bytes at a time, the last 32 ending at the
// last used byte; rows of fewer than 32 bytes the SSE2 way.
void OrRows(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t usedBytes,
            unsigned char* orBytes)
{
    if (usedBytes < 32) {
        kSse2Kernels.orRows(top, stride, rows, usedBytes, orBytes);
        return;
    }
    std::uint64_t at = 0;
    for (; at + 64 <= usedBytes; at += 64) {
        OrChunks<2>(top, stride, rows, at, orBytes);
    }
    if (at + 32 <= usedBytes) {
        OrChunks<1>(top, stride, rows, at, orBytes);
        at += 32;
    }
    if (at < usedBytes) {
        OrChunks<1>(top, stride, rows, usedBytes - 32, orBytes);
    }
}

// Zero bytes at the start: 128 at a time while they are all zero, then 32
// (each a compare and a mask) up to the first set byte.
std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
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

// Bits of the dots of 32 pixels: grey <= level where the saturated
// difference grey - level is zero. The bytes are reversed within every
// eight, so that the movemask puts pixel 8j + k in bit 7 - k of byte j.
inline unsigned Dots32(const unsigned char* grey, const unsigned char* levels)
{
    const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                             7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    const __m256i dots =
        _mm256_cmpeq_epi8(_mm256_subs_epu8(Load32(grey), Load32(levels)), _mm256_setzero_si256());
    return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_shuffle_epi8(dots, reverse)));
}

// Bits of the dots of 64 pixels, pixel 8j + k in bit 7 - k of byte j.
inline std::uint64_t Dots64(const unsigned char* grey, const unsigned char* levels)
{
    return Dots32(grey, levels) | static_cast<std::uint64_t>(Dots32(grey + 32, levels + 32)) << 32;
}

// AND of the 128 pixels from `grey`.
inline __m256i And128(const unsigned char* grey)
{
    return _mm256_and_si256(_mm256_and_si256(Load32(grey), Load32(grey + 32)),
                            _mm256_and_si256(Load32(grey + 64), Load32(grey + 96)));
}

// True when all bytes of v are 255 (white pixels, never at or below a
// level).
inline bool AllWhite(__m256i v)
{
    return _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(-1))) == -1;
}

// The dots of the 128 pixels from `grey`, whose AND is `all`, as sixteen
// bytes at `out` (none where all are white).
inline void Dots128(const unsigned char* grey, const unsigned char* levels, __m256i all,
                    unsigned char* out)
{
    std::uint64_t dots[2] = {0, 0};
    if (!AllWhite(all)) {
        dots[0] = Dots64(grey, levels);
        dots[1] = Dots64(grey + 64, levels + 64);
    }
    std::memcpy(out, dots, sizeof dots);
}

// Packs one row 512 pixels at a time where all are white (no dots), else
// 128 at a time (no dots where those are all white), then 128, 64 and 32;
// the last pixels are copied into 32 white pixels against 32 zero levels
// (never a dot). Byte j of the masks is pixels 8j .. 8j + 7
// (x86-64 keeps the low byte first).
void DitherRow(const unsigned char* grey, const unsigned char* levels, int width,
               unsigned char* out)
{
    const unsigned char* const end = grey + width;
    for (; end - grey >= 512; grey += 512, levels += 512, out += 64) {
        __m256i quarter[4];
        for (int q = 0; q < 4; ++q) {
            quarter[q] = And128(grey + 128 * q);
        }
        if (AllWhite(_mm256_and_si256(_mm256_and_si256(quarter[0], quarter[1]),
                                      _mm256_and_si256(quarter[2], quarter[3])))) {
            std::memset(out, 0, 64);
            continue;
        }
        for (int q = 0; q < 4; ++q) {
            Dots128(grey + 128 * q, levels + 128 * q, quarter[q], out + 16 * q);
        }
    }
    for (; end - grey >= 128; grey += 128, levels += 128, out += 16) {
        Dots128(grey, levels, And128(grey), out);
    }
    for (; end - grey >= 64; grey += 64, levels += 64, out += 8) {
        const std::uint64_t dots = Dots64(grey, levels);
        std::memcpy(out, &dots, sizeof dots);
    }
    if (end - grey >= 32) {
        const unsigned dots = Dots32(grey, levels);
        std::memcpy(out, &dots, sizeof dots);
        grey += 32;
        levels += 32;
        out += 4;
    }
    if (grey < end) {
        const auto rest = static_cast<std::size_t>(end - grey);
        alignas(32) unsigned char greyRest[32];
        alignas(32) unsigned char levelRest[32] = {};
        std::memset(greyRest, 255, sizeof greyRest);
        std::memcpy(greyRest, grey, rest);
        std::memcpy(levelRest, levels, rest);
        const unsigned dots = Dots32(greyRest, levelRest);
        std::memcpy(out, &dots, (rest + 7) / 8);
    }
}

}  // namespace

const ColumnKernels kAvx2Kernels = {
    ColumnPath::kAvx2, "avx2", OrRows, PassColumns, LeadingZeroBytes, DitherRow,
};

#endif
