// SPDX-License-Identifier: Apache-2.0
// BandColumns: one band of a one-bit page read as ESC/P bit-image columns.
// It finds the columns that carry ink in any row of the band (the OR of the
// band's rows) and appends the column bytes of a range of columns of one
// pass to the printer data, made where they land by the inner loops of the
// process's ColumnKernels. The page scan also counts its blank bytes here.
#ifndef RIDEVEDUDARUZO_ESCP_BANDCOLUMNS_H
#define RIDEVEDUDARUZO_ESCP_BANDCOLUMNS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "escp/BodyBytes.h"
#include "escp/ColumnKernels.h"

class BandColumns {
public:
    // Most dots of one column of a pass.
    static constexpr int kMaxDots = 72;

    // Bytes beyond the columns it appends that AppendPass uses while it
    // works (a block made whole past the range's end, and the kernel's
    // spare bytes); they are not kept.
    static constexpr std::uint64_t kAppendRoom =
        ColumnKernels::kBlockColumns * (kMaxDots / 8) + ColumnKernels::kBlockSpare;
    // The processor paths of the inner loops (see ColumnKernels.h).
    using Path = ColumnPath;
    // True when this build and this processor can take the path.
    static bool PathAvailable(Path path);
    // The path every band of the process uses: the fastest available one,
    // unless RIDEV_COLUMN_PATH or UsePath chose another. UsePath returns
    // false (and changes nothing) for a path that is not available.
    static Path CurrentPath();
    static bool UsePath(Path path);

    // Number of zero bytes at the start of `size` bytes (size when all are
    // zero).
    static std::uint64_t LeadingZeroBytes(const unsigned char* data, std::uint64_t size);

    // A band of bandRows rows from bandTop, rows bytesPerLine apart,
    // `columns` wide (columns <= 8 * bytesPerLine), printed in passCount (1
    // or 2) interleaved passes: dot k of pass p is band row p + passCount * k.
    // bandRows / passCount must be a multiple of 8 and at most kMaxDots.
    // The ink mask is kept in inkWords (so that one vector serves band after
    // band), which must outlive the object.
    BandColumns(const unsigned char* bandTop, std::uint64_t bytesPerLine, std::uint64_t columns,
                int bandRows, int passCount, std::vector<std::uint64_t>& inkWords);

    // Builds the ink mask: a column is inked when any row of the band has a
    // dot in it (padding bits beyond the width do not count).
    void FindInk();
    // First inked column at or after x, or the width when there is none.
    std::uint64_t NextInk(std::uint64_t x) const;
    // First blank column at or after x, or the width when there is none.
    std::uint64_t NextBlank(std::uint64_t x) const;

    // The ink mask, the OR of the band's rows in their byte order: bit
    // 7 - x % 8 of byte x / 8 is set when column x is inked (bits beyond
    // the width are clear), so word x / 64 is zero when its 64 columns are
    // blank; InkBits reads a word as a number.
    const std::vector<std::uint64_t>& InkWords() const { return ink; }
    // Word w of the ink mask as a number: bit 63 - x % 64 set when column
    // x is inked.
    std::uint64_t InkBits(std::uint64_t w) const;

    // Bytes per column of one pass.
    int ColumnBytes() const { return dotsPerPass / 8; }
    // Appends columns first .. first + count - 1 of pass `pass` to out,
    // ColumnBytes() bytes each in the ESC/P column order (top dot in the
    // most significant bit of the first byte), made in place at the end of
    // `out`; columns must lie below the width.
    void AppendPass(int pass, std::uint64_t first, std::uint64_t count, BodyBytes& out) const;

private:
    // Start of band row `row`.
    const unsigned char* Row(int row) const
    {
        return top + static_cast<std::uint64_t>(row) * stride;
    }
    // First column at or after x whose ink bit XOR `flip` is set (flip 0:
    // the next inked column; all ones: the next blank one), or the width.
    std::uint64_t NextColumn(std::uint64_t x, std::uint64_t flip) const;
    // Clears the bits of the ink mask beyond the width.
    void ClearPaddingBits();
    const unsigned char* top;
    std::uint64_t stride;
    std::uint64_t width;
    std::uint64_t usedBytes;  // bytes of a row that hold pixels
    int rows;
    int passes;
    int dotsPerPass;
    std::vector<std::uint64_t>& ink;  // bit 7 - x % 8 of byte x / 8: column x is inked
    const ColumnKernels& kernels;
};

#endif
