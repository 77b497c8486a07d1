// SPDX-License-Identifier: Apache-2.0
// ColumnKernels, portable path: plain C++ for any processor (arm64, armhf
// and the rest), written with the compiler's generic vectors of sixteen
// bytes, which it turns into the processor's own vector instructions (NEON,
// SSE2) or into word code where there are none. Bytes reach and leave
// vectors only through memcpy, never through a cast pointer. A vector's
// elements lie in memory order, and every step gives the same bytes
// whichever way round the machine stores a number; nothing depends on the
// signedness of char.
#include <cstring>

#include "escp/ByteOrder.h"
#include "escp/ColumnKernels.h"

namespace {

// Sixteen bytes, and the same bytes seen as 16-, 32- and 64-bit elements
// (element i of an n-byte view is bytes n * i .. n * i + n - 1).
typedef unsigned char V16 __attribute__((vector_size(16)));
typedef std::uint16_t V8x16 __attribute__((vector_size(16)));
typedef std::uint32_t V4x32 __attribute__((vector_size(16)));
typedef std::uint64_t V2x64 __attribute__((vector_size(16)));

// The same sixteen bytes as another view.
template <typename To, typename From>
inline To As(From v)
{
    static_assert(sizeof(To) == sizeof(From), "views of one register");
    To to;
    std::memcpy(&to, &v, sizeof to);
    return to;
}

// The vector operations the shared transposes use. The unpacks interleave
// the elements of the first (or last) halves of a and b, a's first. The
// transposes' shifts are done on 32-bit elements: a bit they carry across
// a byte boundary lands only in places the transposes mask off, so neither
// the element size nor which byte of an element is the high one matters,
// and a 32-bit word is what a processor without vector registers shifts in
// one instruction.
struct GenericOps {
    static V16 UnpackLo8(V16 a, V16 b)
    {
        return __builtin_shufflevector(a, b, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7,
                                       23);
    }
    static V16 UnpackHi8(V16 a, V16 b)
    {
        return __builtin_shufflevector(a, b, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30,
                                       15, 31);
    }
    static V16 UnpackLo16(V16 a, V16 b)
    {
        return As<V16>(
            __builtin_shufflevector(As<V8x16>(a), As<V8x16>(b), 0, 8, 1, 9, 2, 10, 3, 11));
    }
    static V16 UnpackHi16(V16 a, V16 b)
    {
        return As<V16>(
            __builtin_shufflevector(As<V8x16>(a), As<V8x16>(b), 4, 12, 5, 13, 6, 14, 7, 15));
    }
    static V16 UnpackLo32(V16 a, V16 b)
    {
        return As<V16>(__builtin_shufflevector(As<V4x32>(a), As<V4x32>(b), 0, 4, 1, 5));
    }
    static V16 UnpackHi32(V16 a, V16 b)
    {
        return As<V16>(__builtin_shufflevector(As<V4x32>(a), As<V4x32>(b), 2, 6, 3, 7));
    }
    static V16 UnpackLo64(V16 a, V16 b)
    {
        return As<V16>(__builtin_shufflevector(As<V2x64>(a), As<V2x64>(b), 0, 2));
    }
    static V16 UnpackHi64(V16 a, V16 b)
    {
        return As<V16>(__builtin_shufflevector(As<V2x64>(a), As<V2x64>(b), 1, 3));
    }
    static V16 And(V16 a, V16 b) { return a & b; }
    static V16 Xor(V16 a, V16 b) { return a ^ b; }
    template <int kShift>
    static V16 ShiftRight16(V16 a)
    {
        return As<V16>(As<V4x32>(a) >> kShift);
    }
    template <int kShift>
    static V16 ShiftLeft16(V16 a)
    {
        return As<V16>(As<V4x32>(a) << kShift);
    }
    static V16 Bytes(unsigned char value) { return V16{} + value; }
};

}  // namespace

#include "escp/VectorTranspose.h"

namespace {

using Ops = GenericOps;

// Sixteen bytes from `at`.
inline V16 Load16(const unsigned char* at)
{
    V16 v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// Stores sixteen bytes at `at`.
inline void Store16(V16 v, unsigned char* at)
{
    std::memcpy(at, &v, sizeof v);
}

// Stores the first and the last eight bytes of v at `low` and `high`.
inline void StoreHalves(V16 v, unsigned char* low, unsigned char* high)
{
    const V2x64 halves = As<V2x64>(v);
    const std::uint64_t first = halves[0];
    const std::uint64_t last = halves[1];
    std::memcpy(low, &first, sizeof first);
    std::memcpy(high, &last, sizeof last);
}

// True when any bit of v is set.
inline bool AnySet(V16 v)
{
    const V2x64 halves = As<V2x64>(v);
    return (halves[0] | halves[1]) != 0;
}

// True when every bit of v is set.
inline bool AllSet(V16 v)
{
    const V2x64 both = As<V2x64>(v & Ops::UnpackHi64(v, v));
    return both[0] == ~std::uint64_t{0};
}

// Sixteen bytes of a row from byte `at`, zeros beyond `available` bytes (so
// nothing past the row's pixels is read at the end of the page).
V16 LoadRowBytes(const unsigned char* row, std::uint64_t at, std::uint64_t available)
{
    if (at + 16 <= available) {
        return Load16(row + at);
    }
    unsigned char bytes[16] = {};
    std::memcpy(bytes, row + at, available - at);
    return Load16(bytes);
}

// Most bytes of one column.
constexpr int kMaxColumnBytes = 9;

// Column bytes of the 128 columns from row byte byteStart; kColumnBytes is
// the size of a column when it is known at compile time, else 0 and
// columnBytes says it. Each vector holds sixteen bytes of one row; a bit
// transpose of the eight rows of column byte b leaves byte p of vector k =
// byte b of column 8p + k. The 8 * columnBytes vectors, in the order of the
// printer's bytes (k, then b), are then transposed as bytes eight at a
// time: afterwards the first half of vector 8c + k is bytes 8c .. 8c + 7 of
// the printer's bytes of columns 16k .. 16k + 7, the second half those of
// the next eight columns.
template <int kColumnBytes, bool kWhole>
inline __attribute__((always_inline)) void
Block128(const unsigned char* firstRow, std::uint64_t rowStep, int columnBytes,
         std::uint64_t byteStart, std::uint64_t usedBytes, unsigned char* block)
{
    const int bytes = kColumnBytes != 0 ? kColumnBytes : columnBytes;
    V16 ordered[8 * kMaxColumnBytes];
    // The transposes of a 24-dot column side by side, so that more of their
    // rows stay in registers.
#pragma GCC unroll 3
    for (int b = 0; b < bytes; ++b) {
        V16 r[8];
        const unsigned char* const top = firstRow + static_cast<std::uint64_t>(8 * b) * rowStep;
        if (kWhole) {
            LoadEightRows(top + byteStart, rowStep, r, Load16);
        } else {
            for (int d = 0; d < 8; ++d) {
                const unsigned char* row = top + static_cast<std::uint64_t>(d) * rowStep;
                r[d] = LoadRowBytes(row, byteStart, usedBytes);
            }
        }
        TransposeBitsInBytes<Ops>(r);
        for (int k = 0; k < 8; ++k) {
            ordered[bytes * k + b] = r[k];
        }
    }
    // Bytes of eight columns.
    const std::uint64_t groupBytes = 8 * static_cast<std::uint64_t>(bytes);
    std::uint64_t c = 0;
    // Sixteen bytes of each eight columns at a time, from two transposes.
    for (; c + 16 <= groupBytes; c += 16) {
        V16* first = ordered + c;
        V16* second = ordered + c + 8;
        TransposeBytes8x16<Ops>(first);
        TransposeBytes8x16<Ops>(second);
        for (std::uint64_t k = 0; k < 8; ++k) {
            unsigned char* even = block + 2 * k * groupBytes + c;
            Store16(Ops::UnpackLo64(first[k], second[k]), even);
            Store16(Ops::UnpackHi64(first[k], second[k]), even + groupBytes);
        }
    }
    if (c < groupBytes) {
        V16* last = ordered + c;
        TransposeBytes8x16<Ops>(last);
        for (std::uint64_t k = 0; k < 8; ++k) {
            unsigned char* even = block + 2 * k * groupBytes + c;
            StoreHalves(last[k], even, even + groupBytes);
        }
    }
}

// The columns 128 at a time.
template <int kColumnBytes>
void Columns(const unsigned char* firstRow, std::uint64_t rowStep, int columnBytes,
             std::uint64_t byteStart, std::uint64_t usedBytes, std::uint64_t columns,
             unsigned char* out)
{
    const std::uint64_t blockBytes = 128 * static_cast<std::uint64_t>(columnBytes);
    std::uint64_t made = 0;
    for (; made < columns && byteStart + 16 <= usedBytes;
         made += 128, byteStart += 16, out += blockBytes) {
        Block128<kColumnBytes, true>(firstRow, rowStep, columnBytes, byteStart, usedBytes, out);
    }
    if (made < columns && byteStart < usedBytes) {
        Block128<kColumnBytes, false>(firstRow, rowStep, columnBytes, byteStart, usedBytes, out);
    }
}

// Eight bytes from `at` as a word in memory order (for the OR and the zero
// test, which do not care about byte order).
inline std::uint64_t LoadWord(const unsigned char* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// ORs kChunks * 16 bytes from byte `at` of `rows` rows, `stride` apart,
// into orBytes, eight rows per step.
template <int kChunks>
inline void OrChunks(const unsigned char* top, std::uint64_t stride, int rows, std::uint64_t at,
                     unsigned char* orBytes)
{
    V16 any[kChunks] = {};
    const unsigned char* row = top + at;
    int r = 0;
    for (; r + 8 <= rows; r += 8, row += 8 * stride) {
        for (int k = 0; k < 8; ++k) {
            for (int c = 0; c < kChunks; ++c) {
                any[c] |= Load16(row + k * stride + 16 * c);
            }
        }
    }
    for (; r < rows; ++r, row += stride) {
        for (int c = 0; c < kChunks; ++c) {
            any[c] |= Load16(row + 16 * c);
        }
    }
    for (int c = 0; c < kChunks; ++c) {
        Store16(any[c], orBytes + at + 16 * c);
    }
}

// The most significant bit of every byte.
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The top bit of each byte where a's byte is below b's. Per byte, a < b
// when the top bits say so, or they are equal and the low seven bits of a
// are below those of b (the subtraction of b's low bits from a's with the
// top bit set borrows within its byte).
inline std::uint64_t BelowBits(std::uint64_t a, std::uint64_t b)
{
    const std::uint64_t lowAtLeast = (a | kHighBits) - (b & ~kHighBits);
    return ((~a & b) | (~(a ^ b) & ~lowAtLeast)) & kHighBits;
}

// Eight pixels, a byte each (first pixel most significant), as the bit
// pattern of their dots: bit 7 - k set when pixel k's grey is at or below
// its level (that is, the level is not below the grey).
inline unsigned DotsOf8(std::uint64_t g, std::uint64_t l)
{
    const std::uint64_t dots = ~BelowBits(l, g) & kHighBits;
    // One bit at the bottom of each byte, gathered into the top byte.
    return static_cast<unsigned>(((dots >> 7) * 0x0102040810204080ULL) >> 56);
}

// All bits of byte k set for pixel k of the sixteen from `grey` that gets
// a dot (its grey at or below its level), none for one that stays paper.
inline V16 DotMask16(const unsigned char* grey, const unsigned char* levels)
{
    return As<V16>(Load16(grey) <= Load16(levels));
}

// The dots of the sixteen pixels from `grey`, each in its own bit of its
// byte: 0x80 >> (k mod 8) for pixel k where its grey is at or below its
// level, nothing where it stays paper.
inline V16 Dots16(const unsigned char* grey, const unsigned char* levels)
{
    const V16 bits = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01,
                      0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
    return bits & DotMask16(grey, levels);
}

// The dots of the last eight of the sixteen pixels from `grey`, as one
// byte (the first of them at the top): the sum of their eight bytes of
// dots, which have no bit in common, collects in the top byte of the
// product with 0x0101010101010101 whichever way round the bytes lie.
inline unsigned DotsOfLast8Of16(const unsigned char* grey, const unsigned char* levels)
{
    const std::uint64_t last = As<V2x64>(Dots16(grey, levels))[1];
    return static_cast<unsigned>((last * 0x0101010101010101ULL) >> 56);
}

// Byte 2i of the result is a[i] | a[i + 8], byte 2i + 1 is b[i] | b[i + 8]:
// each vector's halves ORed onto each other, the two interleaved.
inline V16 FoldHalves(V16 a, V16 b)
{
    return Ops::UnpackLo8(a, b) | Ops::UnpackHi8(a, b);
}

// The packing of dots below in numbers: pixel 8j + k (j the dot byte it
// belongs to, k its bit from the top) has three bits of k, and j's bits
// j0 (lowest) up. In the vectors of Dots16 it is in byte 8 * j0 + k of
// vector j / 2. Interleaving vector v with v + n moves byte 8 * j0 + k to
// place 2k + (which of the two) of the first (j0 = 0) or second (j0 = 1)
// result: k is now at the top of the place. FoldHalves then ORs the top
// bit of k away and takes in one more bit of j at the bottom, so after
// three of them every place holds one whole dot byte, and the places are
// in the order of j.

// The dots of the 128 pixels from `grey`, as sixteen bytes at `out`, by
// interleaves.
[[maybe_unused]] inline void Dots128ByInterleaves(const unsigned char* grey,
                                                  const unsigned char* levels, unsigned char* out)
{
    V16 dots[8];
    for (int v = 0; v < 8; ++v) {
        dots[v] = Dots16(grey + 16 * v, levels + 16 * v);
    }
    // Place 2k + j3 of vector 4 * j0 + 2 * j2 + j1.
    V16 spread[8];
    for (int v = 0; v < 4; ++v) {
        spread[v] = Ops::UnpackLo8(dots[v], dots[v + 4]);
        spread[v + 4] = Ops::UnpackHi8(dots[v], dots[v + 4]);
    }
    // Place 4 * (k mod 4) + 2 * j3 + j2 of vector 2 * j0 + j1.
    const V16 fours[4] = {FoldHalves(spread[0], spread[2]), FoldHalves(spread[1], spread[3]),
                          FoldHalves(spread[4], spread[6]), FoldHalves(spread[5], spread[7])};
    // Place 8 * (k mod 2) + 4 * j3 + 2 * j2 + j1 of vector j0.
    const V16 pairs[2] = {FoldHalves(fours[0], fours[1]), FoldHalves(fours[2], fours[3])};
    Store16(FoldHalves(pairs[0], pairs[1]), out);
}

// The dots of the 64 pixels from `grey`, as eight bytes at `out`: as
// Dots128ByInterleaves with one bit of j fewer, the last halves ORed onto
// each other.
[[maybe_unused]] inline void Dots64ByInterleaves(const unsigned char* grey,
                                                 const unsigned char* levels, unsigned char* out)
{
    V16 dots[4];
    for (int v = 0; v < 4; ++v) {
        dots[v] = Dots16(grey + 16 * v, levels + 16 * v);
    }
    // Place 2k + j2 of vector 2 * j0 + j1.
    const V16 spread[4] = {Ops::UnpackLo8(dots[0], dots[2]), Ops::UnpackLo8(dots[1], dots[3]),
                           Ops::UnpackHi8(dots[0], dots[2]), Ops::UnpackHi8(dots[1], dots[3])};
    // Place 4 * (k mod 4) + 2 * j2 + j1 of vector j0.
    const V16 fours[2] = {FoldHalves(spread[0], spread[1]), FoldHalves(spread[2], spread[3])};
    // Place 8 * (k mod 2) + 4 * j2 + 2 * j1 + j0.
    const V16 pairs = FoldHalves(fours[0], fours[1]);
    const V2x64 bytes = As<V2x64>(pairs | Ops::UnpackHi64(pairs, pairs));
    const std::uint64_t first = bytes[0];
    std::memcpy(out, &first, sizeof first);
}

// The even bytes of a then b (a's eight, then b's).
inline V16 EvenBytes(V16 a, V16 b)
{
    return __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
}

// The odd bytes of a then b (a's eight, then b's).
inline V16 OddBytes(V16 a, V16 b)
{
    return __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
}

// Byte i of the result is the sum of bytes 2i and 2i + 1 of a then b (a's
// eight pairs, then b's): where the bytes have no bit in common, their OR.
inline V16 AddPairs(V16 a, V16 b)
{
    return EvenBytes(a, b) + OddBytes(a, b);
}

// The dot bits of the pixel pairs of a then b (a's eight pairs, then b's),
// from their dot masks: byte i holds the bits of pixels 2i and 2i + 1 as
// the dot byte of their eight has them, taken from the even pixels' masks
// where the odd pixels' bits are not.
inline V16 PairBits(V16 a, V16 b)
{
    const V16 oddBits = {0x40, 0x10, 0x04, 0x01, 0x40, 0x10, 0x04, 0x01,
                         0x40, 0x10, 0x04, 0x01, 0x40, 0x10, 0x04, 0x01};
    const V16 pairBits = {0xC0, 0x30, 0x0C, 0x03, 0xC0, 0x30, 0x0C, 0x03,
                          0xC0, 0x30, 0x0C, 0x03, 0xC0, 0x30, 0x0C, 0x03};
    const V16 evens = EvenBytes(a, b);
    return (evens ^ ((evens ^ OddBytes(a, b)) & oddBits)) & pairBits;
}

// The dots of the 128 pixels from `grey`, as sixteen bytes at `out`, by
// pairs: the pixels' dots stay in their order, and three rounds gather
// every eight into one byte.
[[maybe_unused]] inline void Dots128ByPairs(const unsigned char* grey, const unsigned char* levels,
                                            unsigned char* out)
{
    V16 masks[8];
    for (int v = 0; v < 8; ++v) {
        masks[v] = DotMask16(grey + 16 * v, levels + 16 * v);
    }
    const V16 twos[4] = {PairBits(masks[0], masks[1]), PairBits(masks[2], masks[3]),
                         PairBits(masks[4], masks[5]), PairBits(masks[6], masks[7])};
    const V16 fours[2] = {AddPairs(twos[0], twos[1]), AddPairs(twos[2], twos[3])};
    Store16(AddPairs(fours[0], fours[1]), out);
}

// The dots of the 64 pixels from `grey`, as eight bytes at `out`, by
// pairs.
[[maybe_unused]] inline void Dots64ByPairs(const unsigned char* grey, const unsigned char* levels,
                                           unsigned char* out)
{
    V16 masks[4];
    for (int v = 0; v < 4; ++v) {
        masks[v] = DotMask16(grey + 16 * v, levels + 16 * v);
    }
    const V16 twos[2] = {PairBits(masks[0], masks[1]), PairBits(masks[2], masks[3])};
    const V16 fours = AddPairs(twos[0], twos[1]);
    const std::uint64_t first = As<V2x64>(AddPairs(fours, fours))[0];
    std::memcpy(out, &first, sizeof first);
}

// Whether the processor splits the even and odd bytes of two vectors in
// one instruction each (ARM's NEON), which makes the sums of pairs the
// cheaper way to gather dots; elsewhere (SSE2) interleaves are.
constexpr bool kSplitsBytes =
#if defined(__ARM_NEON)
    true;
#else
    false;
#endif

// The dots of the 128 pixels from `grey`, as sixteen bytes at `out`.
inline void Dots128(const unsigned char* grey, const unsigned char* levels, unsigned char* out)
{
    if constexpr (kSplitsBytes) {
        Dots128ByPairs(grey, levels, out);
    } else {
        Dots128ByInterleaves(grey, levels, out);
    }
}

// The dots of the 64 pixels from `grey`, as eight bytes at `out`.
inline void Dots64(const unsigned char* grey, const unsigned char* levels, unsigned char* out)
{
    if constexpr (kSplitsBytes) {
        Dots64ByPairs(grey, levels, out);
    } else {
        Dots64ByInterleaves(grey, levels, out);
    }
}

// The AND of the 64 pixels from `grey`: all bits set when every pixel is
// white (255, never at or below a level).
inline V16 And64(const unsigned char* grey)
{
    return (Load16(grey) & Load16(grey + 16)) & (Load16(grey + 32) & Load16(grey + 48));
}

// All bits set when the 128 pixels from `grey` are white. The vectors are
// taken in one chain, by AND and by minimum in turn (each keeps a byte at
// 255 only where both are 255). A chain of ANDs alone the compiler turns
// into a tree; where an instruction overwrites one of its operands (SSE2)
// that costs a copy of every other vector, since the pixels stay in
// registers for the dots.
inline V16 And128(const unsigned char* grey)
{
    V16 all = Load16(grey);
    for (int v = 1; v < 8; ++v) {
        const V16 next = Load16(grey + 16 * v);
        all = v % 2 == 1 ? all & next : (all < next ? all : next);
    }
    return all;
}

// All bits set when the 256 pixels from `grey` are white; `grey` lies on
// a 16-byte boundary of memory, where an AND can take its operand
// straight from memory. Two chains, which the processor can run side by
// side.
inline V16 AlignedAnd256(const unsigned char* grey)
{
    const auto* aligned = static_cast<const unsigned char*>(__builtin_assume_aligned(grey, 16));
    return And128(aligned) & And128(aligned + 128);
}

// Zeroes the dots of the white pixels at the start of a row, tested 256 at
// a time from the first pixel on a 16-byte boundary of memory (those
// before it with the first sixteen, the last ones of a white row with the
// last 256), and says how many pixels that is (a multiple of eight;
// nothing is written when it is none).
inline int ZeroLeadingWhite(const unsigned char* grey, int wholePixels, unsigned char* out)
{
    const int head = static_cast<int>(-reinterpret_cast<std::uintptr_t>(grey) % 16);
    if (!AllSet(Load16(grey))) {
        return 0;
    }
    // While the pixels up to g + 256 are white, so are those of the 32
    // bytes from o.
    const unsigned char* g = grey + head;
    const unsigned char* const end = g + ((wholePixels - head) & ~255);
    unsigned char* const first = out + head / 8;
    unsigned char* o = first;
    for (; g != end && AllSet(AlignedAnd256(g)); g += 256, o += 32) {
        Store16(V16{}, o);
        Store16(V16{}, o + 16);
    }
    if (o == first) {
        return 0;
    }
    out[0] = 0;  // the first byte, when the first boundary is past it
    const unsigned char* const last = grey + wholePixels - 256;
    if (g == end && AllSet(And128(last) & And128(last + 128))) {
        // The rest of the row (under 256 pixels) is white too.
        Store16(V16{}, out + wholePixels / 8 - 32);
        Store16(V16{}, out + wholePixels / 8 - 16);
        return wholePixels;
    }
    return static_cast<int>(o - out) * 8;
}

// The dots of the 128 pixels from `grey`, whose AND is `all`: none where
// all are white, else by Dots128.
inline void Dither128(const unsigned char* grey, const unsigned char* levels, V16 all,
                      unsigned char* out)
{
    if (AllSet(all)) {
        std::memset(out, 0, 16);
    } else {
        Dots128(grey, levels, out);
    }
}

// The dots of the 64 pixels from `at`: none where all are white, else by
// Dots64.
inline void Dither64(const unsigned char* grey, const unsigned char* levels, int at,
                     unsigned char* out)
{
    if (AllSet(And64(grey + at))) {
        std::memset(out + at / 8, 0, 8);
    } else {
        Dots64(grey + at, levels + at, out + at / 8);
    }
}

// Packs the whole bytes of a row of at least 256 pixels: the white ones at
// its start, then 128 at a time (nothing more to do where all are white),
// the last 128 ending at the last whole byte (bytes they share with the
// previous ones get the same value again).
void DitherWholeBytes(const unsigned char* grey, const unsigned char* levels, int wholePixels,
                      unsigned char* out)
{
    const int white = ZeroLeadingWhite(grey, wholePixels, out);
    const unsigned char* g = grey + white;
    const unsigned char* l = levels + white;
    unsigned char* o = out + white / 8;
    const unsigned char* const end = g + ((wholePixels - white) & ~255);
    for (; g != end; g += 256, l += 256, o += 32) {
        Dither128(g, l, And128(g), o);
        Dither128(g + 128, l + 128, And128(g + 128), o + 16);
    }
    if (grey + wholePixels - g >= 128) {
        Dither128(g, l, And128(g), o);
        g += 128;
    }
    if (g != grey + wholePixels) {
        const int last = wholePixels - 128;
        Dither128(grey + last, levels + last, And128(grey + last), out + last / 8);
    }
}

// Packs one row: rows of 256 pixels or more by DitherWholeBytes, rows of
// 128 to 255 whole bytes' pixels 128 at a time, 64 to 127 64 at a time
// (the last ones ending at the last whole byte), shorter ones eight at a
// time; the pixels of the last part byte with the ones before them, or
// alone in a row of fewer than eight.
void DitherRow(const unsigned char* grey, const unsigned char* levels, int width,
               unsigned char* out)
{
    const int wholePixels = width & ~7;  // (the width is never negative)
    if (wholePixels >= 256) {
        DitherWholeBytes(grey, levels, wholePixels, out);
        if (wholePixels < width) {
            // The row's last width - wholePixels pixels are the low bits of
            // the dots of the eight that end it.
            const unsigned dots = DotsOfLast8Of16(grey + width - 16, levels + width - 16);
            out[wholePixels / 8] = static_cast<unsigned char>(dots << (8 - (width - wholePixels)));
        }
        return;
    }
    int first = 0;
    if (wholePixels >= 128) {
        const int last = wholePixels - 128;
        Dither128(grey, levels, And128(grey), out);
        Dither128(grey + last, levels + last, And128(grey + last), out + last / 8);
        first = wholePixels;
    } else if (wholePixels >= 64) {
        Dither64(grey, levels, 0, out);
        Dither64(grey, levels, wholePixels - 64, out);
        first = wholePixels;
    }
    for (; first + 8 <= width; first += 8) {
        out[first / 8] = static_cast<unsigned char>(
            DotsOf8(escp::LoadBigEndian(grey + first), escp::LoadBigEndian(levels + first)));
    }
    if (first < width && width >= 8) {
        // The last part byte from the eight pixels that end the row: the
        // row's last `rest` pixels are the low bits of their dots.
        const int rest = width - first;
        const unsigned dots = width >= 16 ? DotsOfLast8Of16(grey + width - 16, levels + width - 16)
                                          : DotsOf8(escp::LoadBigEndian(grey + width - 8),
                                                    escp::LoadBigEndian(levels + width - 8));
        out[first / 8] = static_cast<unsigned char>(dots << (8 - rest));
    } else if (first < width) {
        unsigned int byte = 0;
        for (int k = 0; first + k < width; ++k) {
            const bool dot = grey[first + k] <= levels[first + k];
            byte |= static_cast<unsigned int>(dot) << (7 - k);
        }
        out[first / 8] = static_cast<unsigned char>(byte);
    }
}

// The OR, the zero scan and the dither in 64-bit words: what a processor
// without vector registers (armhf built without NEON, for one) runs
// faster than the vector code lowered to words.

// OR of the rows, 32 bytes (four words) at a time, then eight, then the
// last bytes alone.
void OrRowsByWords(const unsigned char* top, std::uint64_t stride, int rows,
                   std::uint64_t usedBytes, unsigned char* orBytes)
{
    std::uint64_t at = 0;
    for (; at + 32 <= usedBytes; at += 32) {
        std::uint64_t any[4] = {0, 0, 0, 0};
        const unsigned char* row = top + at;
        for (int r = 0; r < rows; ++r, row += stride) {
            for (int i = 0; i < 4; ++i) {
                any[i] |= LoadWord(row + 8 * i);
            }
        }
        std::memcpy(orBytes + at, any, sizeof any);
    }
    for (; at + 8 <= usedBytes; at += 8) {
        std::uint64_t any = 0;
        const unsigned char* row = top + at;
        for (int r = 0; r < rows; ++r, row += stride) {
            any |= LoadWord(row);
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

// Zero bytes at the start: 32 at a time while they are all zero, then
// eight, then byte by byte up to the first set byte.
std::uint64_t LeadingZeroBytesByWords(const unsigned char* data, std::uint64_t size)
{
    std::uint64_t at = 0;
    for (; at + 32 <= size; at += 32) {
        const std::uint64_t any = LoadWord(data + at) | LoadWord(data + at + 8) |
                                  LoadWord(data + at + 16) | LoadWord(data + at + 24);
        if (any != 0) {
            break;
        }
    }
    for (; at + 8 <= size && LoadWord(data + at) == 0; at += 8) {
    }
    while (at < size && data[at] == 0) {
        ++at;
    }
    return at;
}

// Packs one row 32 pixels at a time where they are all white (255, never
// at or below a level: four zero bytes), else eight at a time; the last ones
// alone.
void DitherRowByWords(const unsigned char* grey, const unsigned char* levels, int width,
                      unsigned char* out)
{
    int first = 0;
    for (; first + 32 <= width; first += 32) {
        const unsigned char* g = grey + first;
        if ((LoadWord(g) & LoadWord(g + 8) & LoadWord(g + 16) & LoadWord(g + 24)) ==
            ~std::uint64_t{0}) {
            std::memset(out + first / 8, 0, 4);
            continue;
        }
        for (int k = 0; k < 32; k += 8) {
            out[(first + k) / 8] = static_cast<unsigned char>(
                DotsOf8(escp::LoadBigEndian(g + k), escp::LoadBigEndian(levels + first + k)));
        }
    }
    for (; first + 8 <= width; first += 8) {
        out[first / 8] = static_cast<unsigned char>(
            DotsOf8(escp::LoadBigEndian(grey + first), escp::LoadBigEndian(levels + first)));
    }
    if (first < width) {
        unsigned int byte = 0;
        for (int k = 0; first + k < width; ++k) {
            const bool dot = grey[first + k] <= levels[first + k];
            byte |= static_cast<unsigned int>(dot) << (7 - k);
        }
        out[first / 8] = static_cast<unsigned char>(byte);
    }
}

}  // namespace

// The printers' column sizes (8, 24 and 72 dots) made for their size, any
// other from the size given.
void portable::PassColumns(const unsigned char* firstRow, std::uint64_t rowStep, int columnBytes,
                           std::uint64_t byteStart, std::uint64_t usedBytes, std::uint64_t columns,
                           unsigned char* out)
{
    switch (columnBytes) {
    case 1:
        Columns<1>(firstRow, rowStep, columnBytes, byteStart, usedBytes, columns, out);
        break;
    case 3:
        Columns<3>(firstRow, rowStep, columnBytes, byteStart, usedBytes, columns, out);
        break;
    case 9:
        Columns<9>(firstRow, rowStep, columnBytes, byteStart, usedBytes, columns, out);
        break;
    default:
        Columns<0>(firstRow, rowStep, columnBytes, byteStart, usedBytes, columns, out);
        break;
    }
}

// OR of the rows 64 bytes at a time, the last 64 ending at the last used
// byte (bytes they share with the previous ones get the same value again);
// rows of 16 to 63 bytes 16 at a time the same way, shorter ones by words.
void portable::OrRows(const unsigned char* top, std::uint64_t stride, int rows,
                      std::uint64_t usedBytes, unsigned char* orBytes)
{
    if (usedBytes < 16) {
        OrRowsByWords(top, stride, rows, usedBytes, orBytes);
        return;
    }
    if (usedBytes < 64) {
        std::uint64_t at = 0;
        for (; at + 16 <= usedBytes; at += 16) {
            OrChunks<1>(top, stride, rows, at, orBytes);
        }
        if (at < usedBytes) {
            OrChunks<1>(top, stride, rows, usedBytes - 16, orBytes);
        }
        return;
    }
    std::uint64_t at = 0;
    for (; at + 64 <= usedBytes; at += 64) {
        OrChunks<4>(top, stride, rows, at, orBytes);
    }
    if (at < usedBytes) {
        OrChunks<4>(top, stride, rows, usedBytes - 64, orBytes);
    }
}

// Zero bytes at the start: the first sixteen, then 256 at a time from the
// last 16-byte boundary of memory within them while they are all zero (an
// OR there takes its operand straight from memory), then 16, then eight,
// then byte by byte up to the first set byte.
std::uint64_t portable::LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
    std::uint64_t at = 0;
    if (size >= 16 + 256 && !AnySet(Load16(data))) {
        at = 16 - reinterpret_cast<std::uintptr_t>(data) % 16;
        for (; at + 256 <= size; at += 256) {
            const auto* aligned =
                static_cast<const unsigned char*>(__builtin_assume_aligned(data + at, 16));
            // One chain, by OR and by maximum in turn (either is zero only
            // where both are): the compiler keeps a chain of ORs alone as
            // a tree, which costs a load and a register per branch.
            V16 any = Load16(aligned);
            for (int i = 16; i < 256; i += 16) {
                const V16 next = Load16(aligned + i);
                any = i % 32 == 16 ? any | next : (any > next ? any : next);
            }
            if (AnySet(any)) {
                break;
            }
        }
    }
    for (; at + 16 <= size && !AnySet(Load16(data + at)); at += 16) {
    }
    for (; at + 8 <= size && LoadWord(data + at) == 0; at += 8) {
    }
    while (at < size && data[at] == 0) {
        ++at;
    }
    return at;
}

// Whether the compiler has vector registers for the generic vectors on
// this processor; without them the portable path takes the word versions
// of the OR, the zero scan and the dither (the column block costs the same
// either way).
constexpr bool kVectorRegisters =
#if defined(__SSE2__) || defined(__ARM_NEON) || defined(__ALTIVEC__) || defined(__VSX__) ||        \
    defined(__riscv_vector) || defined(__mips_msa) || defined(__loongarch_sx) ||                   \
    defined(__wasm_simd128__)
    true;
#else
    false;
#endif

const ColumnKernels kPortableKernels = {
    ColumnPath::kPortable,
    "portable",
    kVectorRegisters ? portable::OrRows : OrRowsByWords,
    portable::PassColumns,
    kVectorRegisters ? portable::LeadingZeroBytes : LeadingZeroBytesByWords,
    kVectorRegisters ? DitherRow : DitherRowByWords,
};

const ColumnKernels kPortableWordKernels = {
    ColumnPath::kPortable,   "portable",       OrRowsByWords, portable::PassColumns,
    LeadingZeroBytesByWords, DitherRowByWords,
};
