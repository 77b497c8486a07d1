// SPDX-License-Identifier: Apache-2.0
// VectorTranspose: the byte and bit transposes of the vector paths, written
// once for any register width. `Ops` supplies the register type's
// instructions (unpacks within 128-bit lanes, and, xor, 16-bit shifts,
// broadcast); each path's file includes this with its own Ops and compiles
// its own copy (internal linkage) for its instruction set.
#ifndef RIDEVEDUDARUZO_ESCP_VECTORTRANSPOSE_H
#define RIDEVEDUDARUZO_ESCP_VECTORTRANSPOSE_H

#include <cstdint>

namespace {

// Loads the eight rows from `top`, `step` bytes apart, with `load`: from
// two bases, each one, two and three steps on (what the processor's
// addressing adds in, instead of a pointer per row).
template <typename V, typename Load>
inline void LoadEightRows(const unsigned char* top, std::uint64_t step, V r[8], Load load)
{
    const std::uint64_t threeSteps = 3 * step;
    const unsigned char* const lower = top + 4 * step;
    r[0] = load(top);
    r[1] = load(top + step);
    r[2] = load(top + 2 * step);
    r[3] = load(top + threeSteps);
    r[4] = load(lower);
    r[5] = load(lower + step);
    r[6] = load(lower + 2 * step);
    r[7] = load(lower + threeSteps);
}

// Transposes the 16 x 16 byte matrix in every 128-bit lane of v:
// afterwards byte l of v[j] is what byte j of v[l] was (per lane).
template <typename Ops, typename V>
inline void TransposeBytes16x16(V v[16])
{
    V a[16];
    for (int m = 0; m < 8; ++m) {
        a[2 * m] = Ops::UnpackLo8(v[2 * m], v[2 * m + 1]);
        a[2 * m + 1] = Ops::UnpackHi8(v[2 * m], v[2 * m + 1]);
    }
    // a[2m + h], 16-bit element e: rows 2m, 2m + 1 at byte 8h + e.
    V b[16];
    for (int n = 0; n < 4; ++n) {
        for (int h = 0; h < 2; ++h) {
            b[4 * n + 2 * h] = Ops::UnpackLo16(a[4 * n + h], a[4 * n + 2 + h]);
            b[4 * n + 2 * h + 1] = Ops::UnpackHi16(a[4 * n + h], a[4 * n + 2 + h]);
        }
    }
    // b[4n + 2h + q], 32-bit element f: rows 4n..4n+3 at byte 8h + 4q + f.
    V c[16];
    for (int s = 0; s < 2; ++s) {
        for (int hq = 0; hq < 4; ++hq) {
            c[8 * s + 2 * hq] = Ops::UnpackLo32(b[8 * s + hq], b[8 * s + 4 + hq]);
            c[8 * s + 2 * hq + 1] = Ops::UnpackHi32(b[8 * s + hq], b[8 * s + 4 + hq]);
        }
    }
    // c[8s + 2(2h + q) + t], 64-bit element g: rows 8s..8s+7 at byte
    // 8h + 4q + 2t + g.
    for (int hqt = 0; hqt < 8; ++hqt) {
        v[2 * hqt] = Ops::UnpackLo64(c[hqt], c[8 + hqt]);
        v[2 * hqt + 1] = Ops::UnpackHi64(c[hqt], c[8 + hqt]);
    }
}

// Transposes the 8 x 16 byte matrix in every 128-bit lane of v[0..7]:
// afterwards the low eight bytes of v[k] are byte 2k of v[0..7] in order,
// the high eight bytes byte 2k + 1 (per lane).
template <typename Ops, typename V>
inline void TransposeBytes8x16(V v[8])
{
    V a[8];
    for (int m = 0; m < 4; ++m) {
        a[2 * m] = Ops::UnpackLo8(v[2 * m], v[2 * m + 1]);
        a[2 * m + 1] = Ops::UnpackHi8(v[2 * m], v[2 * m + 1]);
    }
    // a[2m + h], 16-bit element e: rows 2m, 2m + 1 at byte 8h + e.
    V b[8];
    for (int n = 0; n < 2; ++n) {
        for (int h = 0; h < 2; ++h) {
            b[4 * n + 2 * h] = Ops::UnpackLo16(a[4 * n + h], a[4 * n + 2 + h]);
            b[4 * n + 2 * h + 1] = Ops::UnpackHi16(a[4 * n + h], a[4 * n + 2 + h]);
        }
    }
    // b[4n + 2h + q], 32-bit element f: rows 4n..4n+3 at byte 8h + 4q + f.
    for (int hq = 0; hq < 4; ++hq) {
        v[2 * hq] = Ops::UnpackLo32(b[hq], b[4 + hq]);
        v[2 * hq + 1] = Ops::UnpackHi32(b[hq], b[4 + hq]);
    }
    // v[2(2h + q) + t], 64-bit element g: rows 0..7 at byte 8h + 4q + 2t + g.
}

// One step of an 8 x 8 bit transpose in every byte: swaps the bits of
// `upper` under `mask` with the bits kShift places higher in `lower`. The
// 16-bit shifts carry bits across bytes, but only into places the mask
// clears.
template <typename Ops, int kShift, typename V>
inline void SwapBits(V& upper, V& lower, V mask)
{
    const V t = Ops::And(Ops::Xor(upper, Ops::template ShiftRight16<kShift>(lower)), mask);
    upper = Ops::Xor(upper, t);
    lower = Ops::Xor(lower, Ops::template ShiftLeft16<kShift>(t));
}

// Transposes the 8 x 8 bit matrix at every byte position of eight
// registers: bit 7 - j of byte p of r[i] becomes bit 7 - i of byte p of
// r[j]. Quarters, then halves of quarters, then single bits are swapped.
template <typename Ops, typename V>
inline void TransposeBitsInBytes(V r[8])
{
    const V nibbles = Ops::Bytes(0x0F);
    const V pairs = Ops::Bytes(0x33);
    const V bits = Ops::Bytes(0x55);
    for (int i = 0; i < 4; ++i) {
        SwapBits<Ops, 4>(r[i], r[i + 4], nibbles);
    }
    constexpr int kTwoApart[] = {0, 1, 4, 5};
    for (const int i : kTwoApart) {
        SwapBits<Ops, 2>(r[i], r[i + 2], pairs);
    }
    for (int i = 0; i < 8; i += 2) {
        SwapBits<Ops, 1>(r[i], r[i + 1], bits);
    }
}

}  // namespace

#endif
