// SPDX-License-Identifier: Apache-2.0
// BandColumns: ink mask and column bytes of one band. The column bytes of a
// range of one pass are made by the process's column kernels straight into
// the printer data (which is not zero-filled first).
#include "escp/BandColumns.h"

#include <algorithm>
#include <cstring>

#include "escp/ByteOrder.h"

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
    // The bytes of the last word beyond the used bytes stay zero.
    const std::uint64_t words = (usedBytes + 7) / 8;
    ink.resize(words);
    if (words != 0) {
        ink[words - 1] = 0;
    }
    kernels.orRows(top, stride, rows, usedBytes, reinterpret_cast<unsigned char*>(ink.data()));
    ClearPaddingBits();
}

void BandColumns::ClearPaddingBits()
{
    const unsigned usedBits = static_cast<unsigned>(width % 8);
    if (usedBits != 0) {
        unsigned char* const bytes = reinterpret_cast<unsigned char*>(ink.data());
        bytes[width / 8] &= static_cast<unsigned char>(0xFF00u >> usedBits);
    }
}

std::uint64_t BandColumns::InkBits(std::uint64_t w) const
{
    return escp::LoadBigEndian(reinterpret_cast<const unsigned char*>(&ink[w]));
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
    std::uint64_t bits = (InkBits(w) ^ flip) & (~0ULL >> (x % kWordBits));
    while (bits == 0) {
        if (++w == ink.size()) {
            return width;
        }
        bits = InkBits(w) ^ flip;
    }
    return std::min<std::uint64_t>(width, w * kWordBits + __builtin_clzll(bits));
}

void BandColumns::AppendPass(int pass, std::uint64_t first, std::uint64_t count,
                             BodyBytes& out) const
{
    // Dot d of the pass lies in band row pass + passes * d.
    const unsigned char* const firstRow = Row(pass);
    const std::uint64_t rowStep = static_cast<std::uint64_t>(passes) * stride;
    const std::uint64_t columnBytes = static_cast<std::uint64_t>(ColumnBytes());
    const std::uint64_t end = first + count;
    // Room for the range and for its last block made whole; what lies
    // beyond the range is cut off at the end (the room is not filled).
    const std::size_t start = out.size();
    out.resize(start + count * columnBytes + kAppendRoom);
    unsigned char* at = out.data() + start;
    // The kernels start at whole row bytes: a range that starts inside one
    // has its first block made on its own and the columns in the range
    // copied; the rest is made in place.
    std::uint64_t next = first;
    const std::uint64_t x0 = first / 8 * 8;
    if (x0 != first) {
        const std::uint64_t to = std::min(end, x0 + kBlockColumns);
        unsigned char block[kBlockColumns * (kMaxDots / 8) + ColumnKernels::kBlockSpare];
        kernels.passColumns(firstRow, rowStep, ColumnBytes(), x0 / 8, usedBytes, to - x0, block);
        const std::size_t bytes = (to - first) * columnBytes;
        std::memcpy(at, block + (first - x0) * columnBytes, bytes);
        at += bytes;
        next = to;
    }
    if (next < end) {
        kernels.passColumns(firstRow, rowStep, ColumnBytes(), next / 8, usedBytes, end - next, at);
    }
    out.resize(start + count * columnBytes);
}
