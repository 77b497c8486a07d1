// OrvESCP band encoding: turns one band of the page bitmap into ESC * bit
// images and ESC $ skips, in one pass of the head or in two interleaved
// passes one raster row apart.
#include <algorithm>
#include <cstddef>

#include "escp/EncoderLog.h"
#include "escp/EscpCodes.h"
#include "escp/OrvESCP.h"

namespace {

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

// Builds the column data of one pass: dot k of every column is band row
// firstRow + rowStep * k, placed at bit 7 - (k mod 8) of column byte k / 8.
// `columns` must hold width * colBytes zero bytes. Eight columns are built
// at a time from one source byte of eight rows.
void BuildColumns(const unsigned char* bandTop, std::uint64_t bytesPerLine, std::uint64_t width,
                  std::uint64_t firstRow, std::uint64_t rowStep, std::size_t colBytes,
                  unsigned char* columns)
{
    const std::uint64_t sourceBytes = (width + 7) / 8;
    for (std::size_t colByte = 0; colByte < colBytes; ++colByte) {
        const unsigned char* rows[8];
        for (std::uint64_t i = 0; i < 8; ++i) {
            const std::uint64_t row = firstRow + rowStep * (8 * colByte + i);
            rows[i] = bandTop + row * bytesPerLine;
        }
        for (std::uint64_t b = 0; b < sourceBytes; ++b) {
            std::uint64_t block = 0;
            for (const unsigned char* row : rows) {
                block = (block << 8) | row[b];
            }
            if (block == 0) {
                continue;
            }
            block = TransposeBits8x8(block);
            const std::uint64_t firstColumn = b * 8;
            const std::uint64_t count = std::min<std::uint64_t>(8, width - firstColumn);
            for (std::uint64_t k = 0; k < count; ++k) {
                columns[(firstColumn + k) * colBytes + colByte] =
                    static_cast<unsigned char>((block >> (56 - 8 * k)) & 0xFF);
            }
        }
    }
}

// True when all colBytes bytes of a column are zero.
bool IsBlankColumn(const unsigned char* column, std::size_t colBytes)
{
    return std::all_of(column, column + colBytes, [](unsigned char b) { return b == 0; });
}

// Start of the column data, or null for a band of width 0.
const unsigned char* ColumnDataStart(const std::vector<unsigned char>& columns)
{
    return columns.empty() ? nullptr : columns.data();
}

}  // namespace

// One band in one pass: column data and white areas, then segments and skips.
int OrvESCP::OneLineToBytesSingle(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                                  std::uint64_t width)
{
    ENCODER_LOG("OneLineToBytesSingle in");
    if (bandTop == nullptr || !HasProfile()) {
        return -1;
    }
    const int colBytes = linesPerRow / 8;
    const std::size_t stride = static_cast<std::size_t>(colBytes);
    std::vector<unsigned char> columns(width * stride, 0);
    BuildColumns(bandTop, bytesPerLine, width, 0, 1, stride, columns.data());

    std::vector<int> whiteArea;
    const int len = FindWhiteAreas(columns.data(), nullptr, stride, width, whiteArea);
    ENCODER_LOG("len: %d, colBytes: %d", len, colBytes);
    OneLineToBytesSingle(ColumnDataStart(columns), whiteArea, colBytes, len);
    return 1;
}

// Prints prepared column data: image up to each white area, a skip over it
// when ink follows, and the image after the last one up to column len.
void OrvESCP::OneLineToBytesSingle(const unsigned char* columnData,
                                   const std::vector<int>& whiteArea, int colBytes, int len)
{
    if (columnData == nullptr) {
        return;
    }
    ENCODER_LOG("whiteArea.size(): %d", static_cast<int>(whiteArea.size()));
    const std::size_t stride = static_cast<std::size_t>(colBytes);
    const int step = GridStep();
    int next = 0;
    for (std::size_t i = 0; i + 1 < whiteArea.size(); i += 2) {
        const int first = whiteArea[i];
        const int roundedEnd = whiteArea[i + 1];
        AddGraphic(columnData + next * stride, first > next ? first - next : 0, stride);
        if (roundedEnd < len) {
            AddHorizontal(step == 0 ? 0 : static_cast<std::uint64_t>(roundedEnd / step));
        }
        next = roundedEnd;
    }
    if (whiteArea.size() < 2) {
        AddGraphic(columnData, static_cast<std::uint64_t>(len) + 1, stride);
    } else if (next < len) {
        AddGraphic(columnData + next * stride, static_cast<std::uint64_t>(len - next) + 1, stride);
    }
}

// Runs every column of the band through the white-area tracking and returns
// the last inked column. A column is blank when its bytes are zero in the
// first pass's column data and, if given, in the second pass's too.
int OrvESCP::FindWhiteAreas(const unsigned char* firstPass, const unsigned char* secondPass,
                            std::size_t colBytes, std::uint64_t width, std::vector<int>& whiteArea)
{
    int start = -1;
    int end = -1;
    int len = 0;
    const int columnCount = static_cast<int>(width);
    for (int x = 0; x < columnCount; ++x) {
        const std::size_t offset = static_cast<std::size_t>(x) * colBytes;
        const bool blank = IsBlankColumn(firstPass + offset, colBytes) &&
                           (secondPass == nullptr || IsBlankColumn(secondPass + offset, colBytes));
        len = std::max(len, CalcWhiteArea(blank, x, columnCount, start, end, whiteArea));
    }
    return len;
}

// Tracks the open blank run; a run of more than dpiX columns closed by ink
// or by the band's last column is recorded as a white area.
int OrvESCP::CalcWhiteArea(bool blank, int col, int width, int& start, int& end,
                           std::vector<int>& whiteArea)
{
    const int step = GridStep();
    // Only an open run qualifies (a dpiX of 0 or less would otherwise
    // record a run that does not exist).
    const auto recordIfWide = [&] {
        if (start >= 0 && end - start >= dpiX) {
            whiteArea.push_back(start);
            whiteArea.push_back(step == 0 ? 0 : end / step * step);
        }
    };
    int result = 0;
    if (blank) {
        if (start == -1) {
            start = col;
        }
        end = col;
    } else {
        result = col;
        recordIfWide();
        start = -1;
        end = -1;
    }
    if (col == width - 1) {
        recordIfWide();
    }
    return result;
}

// ESC $ nL nH: moves the head to `position` units from the left margin.
void OrvESCP::AddHorizontal(std::uint64_t position)
{
    printerData.push_back(escp::kEsc);
    printerData.push_back(escp::kAbsoluteHorizontal);
    AppendWord(position);
}

// ESC * m nL nH and the columns' bytes, in one insertion.
void OrvESCP::AddGraphic(const unsigned char* data, std::uint64_t columns, std::uint64_t colBytes)
{
    ENCODER_LOG("AddGraphic in");
    if (columns == 0) {
        return;
    }
    printerData.push_back(escp::kEsc);
    printerData.push_back(escp::kBitImage);
    printerData.push_back(static_cast<unsigned char>(bitmapM & 0xFF));
    AppendWord(columns);
    printerData.insert(printerData.end(), data, data + columns * colBytes);
}

// One band in two passes: even rows, a one-row move, odd rows, both with the
// same white areas.
int OrvESCP::OneLineToBytesDouble(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                                  std::uint64_t width)
{
    if (bandTop == nullptr || !HasProfile()) {
        return -1;
    }
    if (linesPerRow % 16 != 0) {
        return OneLineToBytesSingle(bandTop, bytesPerLine, width);
    }
    const int colBytes = linesPerRow >> 4;
    const std::size_t stride = static_cast<std::size_t>(colBytes);
    std::vector<unsigned char> evenRows(width * stride, 0);
    std::vector<unsigned char> oddRows(width * stride, 0);
    BuildColumns(bandTop, bytesPerLine, width, 0, 2, stride, evenRows.data());
    BuildColumns(bandTop, bytesPerLine, width, 1, 2, stride, oddRows.data());

    std::vector<int> whiteArea;
    const int len = FindWhiteAreas(evenRows.data(), oddRows.data(), stride, width, whiteArea);
    ENCODER_LOG("len: %d, colBytes: %d", len, colBytes);
    OneLineToBytesSingle(ColumnDataStart(evenRows), whiteArea, colBytes, len);
    AddVertical(1);
    OneLineToBytesSingle(ColumnDataStart(oddRows), whiteArea, colBytes, len);
    return 1;
}
