// SPDX-License-Identifier: Apache-2.0
// BandColumns: ink mask and column bytes of one band. Column bytes are made
// 256 columns of one pass at a time into a small block by the process's
// column kernels, then appended to the printer data (no zero fill first).
// Blocks without ink are zeros.
#include "escp/BandColumns.h"

#include <algorithm>

namespace {

constexpr unsigned kWordBits = 64;
constexpr std::uint64_t kBlockColumns = ColumnKernels::kBlockColumns;

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
      ink(inkWords),
      kernels(ColumnKernels::Current())
{
}

bool BandColumns::PathAvailable(Path path)
{
    return ColumnKernels::ForPath(path) != nullptr;
}

BandColumns::Path BandColumns::CurrentPath()
{
    return ColumnKernels::Current().path;
}

bool BandColumns::UsePath(Path path)
{
    return ColumnKernels::Use(path);
}

std::uint64_t BandColumns::LeadingZeroBytes(const unsigned char* data, std::uint64_t size)
{
    return ColumnKernels::Current().leadingZeroBytes(data, size);
}

void BandColumns::FindInk()
{
    // OR of the rows in the words' memory (the bytes of the last word
    // beyond the used bytes stay zero); the byte order is put right
    // afterwards.
    const std::uint64_t words = (usedBytes + 7) / 8;
    ink.resize(words);
    if (words != 0) {
        ink[words - 1] = 0;
    }
    kernels.orRows(top, stride, rows, usedBytes, reinterpret_cast<unsigned char*>(ink.data()));
    ReadInkWords();
}

void BandColumns::ReadInkWords()
{
    kernels.bigEndianWords(ink.data(), ink.size());
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

void BandColumns::AppendPass(int pass, std::uint64_t first, std::uint64_t count,
                             std::vector<unsigned char>& out) const
{
    const unsigned char* dotRows[kMaxDots];
    for (int d = 0; d < dotsPerPass; ++d) {
        dotRows[d] = Row(pass + passes * d);
    }
    const std::uint64_t columnBytes = static_cast<std::uint64_t>(ColumnBytes());
    unsigned char block[kBlockColumns * (kMaxDots / 8) + ColumnKernels::kBlockSpare];
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
        kernels.columnBlock(dotRows, ColumnBytes(), x0 / 8, usedBytes, block);
        const unsigned char* columns = block + (from - x0) * columnBytes;
        out.insert(out.end(), columns, columns + bytes);
    }
}
