// BandColumns: one band of a one-bit page read as ESC/P bit-image columns.
// It finds the columns that carry ink in any row of the band (the OR of the
// band's rows, a word at a time) and writes the column bytes of a range of
// columns of one pass straight into the printer data, transposing only the
// blocks of the band that hold ink.
#ifndef RIDEVEDUDARUZO_ESCP_BANDCOLUMNS_H
#define RIDEVEDUDARUZO_ESCP_BANDCOLUMNS_H

#include <cstddef>
#include <cstdint>
#include <vector>

class BandColumns {
public:
    // A band of `rows` rows from bandTop, rows bytesPerLine apart, `width`
    // columns wide (width <= 8 * bytesPerLine), printed in `passes` (1 or
    // 2) interleaved passes: dot k of pass p is band row p + passes * k.
    BandColumns(const unsigned char* bandTop, std::uint64_t bytesPerLine, std::uint64_t width,
                int rows, int passes);

    // Builds the ink mask: a column is inked when any row of the band has a
    // dot in it (padding bits beyond the width do not count).
    void FindInk();
    // First inked column at or after x, or the width when there is none.
    std::uint64_t NextInk(std::uint64_t x) const;
    // First blank column at or after x, or the width when there is none.
    std::uint64_t NextBlank(std::uint64_t x) const;

    // Bytes per column of one pass.
    int ColumnBytes() const { return dotsPerPass / 8; }
    // Writes columns first .. first + count - 1 of pass `pass`, ColumnBytes()
    // bytes each in the ESC/P column order (top dot in the most significant
    // bit of the first byte), to dest, which must hold count * ColumnBytes()
    // zero bytes. Columns must lie below the width.
    void Write(unsigned char* dest, std::uint64_t first, std::uint64_t count, int pass) const;

private:
    // Start of band row `row`.
    const unsigned char* Row(int row) const
    {
        return top + static_cast<std::uint64_t>(row) * stride;
    }
    // Row of dot `dot` of pass `pass`.
    int DotRow(int pass, int dot) const { return pass + passes * dot; }
    // Writes column bytes byteIndex (and byteIndex + 1 when `pair`) of a pass.
    void WriteBytes(unsigned char* dest, std::uint64_t first, std::uint64_t count, int pass,
                    int byteIndex, bool pair) const;

    const unsigned char* top;
    std::uint64_t stride;
    std::uint64_t width;
    std::uint64_t usedBytes;  // bytes of a row that hold pixels
    int rows;
    int passes;
    int dotsPerPass;
    std::vector<std::uint64_t> ink;  // bit 63 - x % 64 of word x / 64: column x is inked
};

#endif
