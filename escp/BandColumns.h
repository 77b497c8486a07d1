// BandColumns: one band of a one-bit page read as ESC/P bit-image columns.
// It finds the columns that carry ink in any row of the band (the OR of the
// band's rows, a word at a time) and writes the column bytes of a range of
// columns of every pass straight into the printer data, transposing only
// the blocks of the band that hold ink.
#ifndef RIDEVEDUDARUZO_ESCP_BANDCOLUMNS_H
#define RIDEVEDUDARUZO_ESCP_BANDCOLUMNS_H

#include <cstddef>
#include <cstdint>
#include <vector>

class BandColumns {
public:
    // Most passes of a band and most groups of sixteen dots of a column.
    static constexpr int kMaxPasses = 2;
    static constexpr int kMaxGroups = 8;

    // A band of bandRows rows from bandTop, rows bytesPerLine apart,
    // `columns` wide (columns <= 8 * bytesPerLine), printed in passCount (1
    // or 2) interleaved passes: dot k of pass p is band row p + passCount * k.
    // bandRows / passCount must be a multiple of 8 and at most 8 * kMaxGroups.
    BandColumns(const unsigned char* bandTop, std::uint64_t bytesPerLine, std::uint64_t columns,
                int bandRows, int passCount);

    // Builds the ink mask: a column is inked when any row of the band has a
    // dot in it (padding bits beyond the width do not count).
    void FindInk();
    // First inked column at or after x, or the width when there is none.
    std::uint64_t NextInk(std::uint64_t x) const;
    // First blank column at or after x, or the width when there is none.
    std::uint64_t NextBlank(std::uint64_t x) const;

    // The ink mask: bit 63 - x % 64 of word x / 64 is set when column x is
    // inked; words beyond the width are zero.
    const std::vector<std::uint64_t>& InkWords() const { return ink; }

    // Bytes per column of one pass.
    int ColumnBytes() const { return dotsPerPass / 8; }
    // Writes columns first .. first + count - 1 of every pass p, ColumnBytes()
    // bytes each in the ESC/P column order (top dot in the most significant
    // bit of the first byte), to dest[p], which must hold count *
    // ColumnBytes() zero bytes. Columns must lie below the width.
    void Write(unsigned char* const dest[], std::uint64_t first, std::uint64_t count) const;

private:
    // Sixteen dots of a column: lane l (bit l of the column's movemask) is
    // the dot of row laneRows[l] (null: no dot). Bits 0..7 go to byte
    // lowByte of pass lowPass; bits 8..15, when `high`, to byte highByte of
    // pass highPass, which is the byte after the low one when `adjacent`.
    struct Group {
        const unsigned char* laneRows[16];
        bool high;
        bool adjacent;
        int lowPass, lowByte, highPass, highByte;
    };

    // Start of band row `row`.
    const unsigned char* Row(int row) const
    {
        return top + static_cast<std::uint64_t>(row) * stride;
    }
    // Sets lanes 8 * half .. 8 * half + 7 of a group to column byte
    // `byteIndex` of pass `pass` (its top dot in bit 7 of the byte).
    void SetLanes(Group& group, int half, int pass, int byteIndex) const;
    // Adds a group; false when there are already kMaxGroups.
    void AddGroup(const Group& group);
    // Writes one group's bytes of the columns.
    void WriteGroup(const Group& group, unsigned char* const dest[], std::uint64_t first,
                    std::uint64_t count) const;

    const unsigned char* top;
    std::uint64_t stride;
    std::uint64_t width;
    std::uint64_t usedBytes;  // bytes of a row that hold pixels
    int rows;
    int passes;
    int dotsPerPass;
    Group groups[kMaxGroups];
    int groupCount;
    std::vector<std::uint64_t> ink;  // bit 63 - x % 64 of word x / 64: column x is inked
};

#endif
