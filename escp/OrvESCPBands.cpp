// SPDX-License-Identifier: Apache-2.0
// OrvESCP band encoding: turns one band of the page bitmap into ESC * bit
// images and ESC $ skips, in one pass of the head or in two interleaved
// passes one raster row apart.
#include <algorithm>
#include <cstddef>

#include "escp/BandColumns.h"
#include "escp/EncoderLog.h"
#include "escp/EscpCodes.h"
#include "escp/OrvESCP.h"

namespace {

// Columns of one word of a band's ink mask.
constexpr int kWordBits = 64;

}  // namespace

// One band in one pass: white areas from the band's ink, then segments and
// skips with the columns read straight from the band.
int OrvESCP::OneLineToBytesSingle(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                                  std::uint64_t width)
{
    ENCODER_LOG("OneLineToBytesSingle in");
    if (bandTop == nullptr || !HasProfile()) {
        return -1;
    }
    EncodeBand(bandTop, bytesPerLine, width, 1);
    return 1;
}

// Walks the white areas of a band: addImage(first, columns) for the image
// up to each white area, a skip over it when ink follows, and the image
// after the last one up to column len.
template <typename AddImage>
void OrvESCP::PrintSegments(const std::vector<int>& whiteArea, int len, AddImage addImage)
{
    ENCODER_LOG("whiteArea.size(): %d", static_cast<int>(whiteArea.size()));
    const int step = GridStep();
    int next = 0;
    for (std::size_t i = 0; i + 1 < whiteArea.size(); i += 2) {
        const int first = whiteArea[i];
        const int roundedEnd = whiteArea[i + 1];
        addImage(next, static_cast<std::uint64_t>(first > next ? first - next : 0));
        if (roundedEnd < len) {
            AddHorizontal(step == 0 ? 0 : static_cast<std::uint64_t>(roundedEnd / step));
        }
        next = roundedEnd;
    }
    if (whiteArea.size() < 2) {
        addImage(0, static_cast<std::uint64_t>(len) + 1);
    } else if (next < len) {
        addImage(next, static_cast<std::uint64_t>(len - next) + 1);
    }
}

// Prints prepared column data: image up to each white area, a skip over it
// when ink follows, and the image after the last one up to column len.
void OrvESCP::OneLineToBytesSingle(const unsigned char* columnData,
                                   const std::vector<int>& whiteArea, int colBytes, int len)
{
    if (columnData == nullptr) {
        return;
    }
    const std::size_t stride = static_cast<std::size_t>(colBytes);
    PrintSegments(whiteArea, len, [&](int first, std::uint64_t columns) {
        AddGraphic(columnData + first * stride, columns, stride);
    });
}

// Finds the band's white areas from its ink mask, with the rule of
// CalcWhiteArea applied to whole runs: a blank run of more than dpiX
// columns, closed by ink or by the last column, is recorded as its first
// column and its last column rounded down to the grid. Returns the last
// inked column (0 when none after column 0 is inked).
int OrvESCP::FindWhiteAreas(const BandColumns& band, std::uint64_t width,
                            std::vector<int>& whiteArea) const
{
    if (dpiX >= kWordBits) {
        return FindWideWhiteAreas(band, width, whiteArea);
    }
    // Narrow runs can qualify: walk every run.
    int len = 0;
    std::uint64_t x = 0;
    while (x < width) {
        const std::uint64_t inked = band.NextInk(x);
        RecordWhiteArea(static_cast<std::int64_t>(x), static_cast<std::int64_t>(inked) - 1,
                        whiteArea);
        if (inked >= width) {
            break;
        }
        x = band.NextBlank(inked);
        len = static_cast<int>(x - 1);
    }
    return len;
}

// FindWhiteAreas for a dpiX of 64 or more. Such a run never lies inside one
// word of the ink mask: only the runs from the last dot of one inked word to
// the first dot of the next are candidates. Between inked words a and b the
// run spans at most (b - a + 1) * 64 - 2 columns, so pairs fewer than
// dpiX / 64 words apart are passed over without looking at their bits: from
// an inked word, the farthest inked one among the next dpiX / 64 - 1 words
// is taken as the next, and only when they are all blank is the next inked
// word looked for and the run between the two a candidate.
int OrvESCP::FindWideWhiteAreas(const BandColumns& band, std::uint64_t width,
                                std::vector<int>& whiteArea) const
{
    const std::uint64_t* words = band.InkWords().data();
    const std::uint64_t wordCount = (width + kWordBits - 1) / kWordBits;
    const auto firstDot = [&](std::uint64_t w) {
        return static_cast<std::int64_t>(w * kWordBits) + __builtin_clzll(band.InkBits(w));
    };
    const auto afterLastDot = [&](std::uint64_t w) {
        return static_cast<std::int64_t>((w + 1) * kWordBits) - __builtin_ctzll(band.InkBits(w));
    };
    std::uint64_t last = 0;
    while (last < wordCount && words[last] == 0) {
        ++last;
    }
    if (last == wordCount) {
        RecordWhiteArea(0, static_cast<std::int64_t>(width) - 1, whiteArea);
        return 0;
    }
    RecordWhiteArea(0, firstDot(last) - 1, whiteArea);
    // Words after an inked one whose run to it is too short to count.
    const std::uint64_t reach = static_cast<std::uint64_t>(dpiX / kWordBits) - 1;
    for (;;) {
        std::uint64_t next = std::min(last + reach, wordCount - 1);
        while (next > last && words[next] == 0) {
            --next;
        }
        if (next == last) {
            next = last + reach + 1;
            while (next < wordCount && words[next] == 0) {
                ++next;
            }
            if (next >= wordCount) {
                break;
            }
            RecordWhiteArea(afterLastDot(last), firstDot(next) - 1, whiteArea);
        }
        last = next;
    }
    const std::int64_t runStart = afterLastDot(last);
    RecordWhiteArea(runStart, static_cast<std::int64_t>(width) - 1, whiteArea);
    return static_cast<int>(runStart - 1);
}

// Records the blank run start .. end as a white area when it spans more
// than dpiX columns: its first column and its last rounded down to the grid.
void OrvESCP::RecordWhiteArea(std::int64_t start, std::int64_t end,
                              std::vector<int>& whiteArea) const
{
    if (end >= start && end - start >= dpiX) {
        const int step = GridStep();
        const int last = static_cast<int>(end);
        whiteArea.push_back(static_cast<int>(start));
        whiteArea.push_back(step == 0 ? 0 : last / step * step);
    }
}

// Tracks the open blank run; a run of more than dpiX columns closed by ink
// or by the band's last column is recorded as a white area.
int OrvESCP::CalcWhiteArea(bool blank, int col, int width, int& start, int& end,
                           std::vector<int>& whiteArea)
{
    // Only an open run qualifies (a dpiX of 0 or less would otherwise
    // record a run that does not exist).
    const auto recordIfWide = [&] {
        if (start >= 0) {
            RecordWhiteArea(start, end, whiteArea);
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

// ESC * m nL nH for an image of `columns` columns; false (nothing sent)
// for an empty one.
bool OrvESCP::AddImageHeader(std::uint64_t columns)
{
    ENCODER_LOG("AddGraphic in");
    if (columns == 0) {
        return false;
    }
    printerData.push_back(escp::kEsc);
    printerData.push_back(escp::kBitImage);
    printerData.push_back(static_cast<unsigned char>(bitmapM & 0xFF));
    AppendWord(columns);
    return true;
}

// ESC * m nL nH and the columns' bytes, in one insertion.
void OrvESCP::AddGraphic(const unsigned char* data, std::uint64_t columns, std::uint64_t colBytes)
{
    if (AddImageHeader(columns)) {
        printerData.insert(printerData.end(), data, data + columns * colBytes);
    }
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
    EncodeBand(bandTop, bytesPerLine, width, 2);
    return 1;
}

// Encodes a band in one or two passes: the white areas come from the OR of
// all the band's rows (a column is blank only when every pass is blank
// there), then each pass prints its segments and skips, with a one-row
// move between two passes.
void OrvESCP::EncodeBand(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                         std::uint64_t width, int passes)
{
    BandColumns band(bandTop, bytesPerLine, width, linesPerRow, passes, bandInk);
    band.FindInk();
    std::vector<int>& whiteArea = bandWhiteAreas;
    whiteArea.clear();
    const int len = FindWhiteAreas(band, width, whiteArea);
    ENCODER_LOG("len: %d, colBytes: %d", len, band.ColumnBytes());
    for (int pass = 0; pass < passes; ++pass) {
        if (pass > 0) {
            AddVertical(1);
        }
        // A band of width 0 has no column data and prints nothing.
        if (width != 0) {
            PrintPass(band, pass, whiteArea, len);
        }
    }
}

// Prints one pass of a band as the column-data form does, with the columns
// read straight from the band.
void OrvESCP::PrintPass(const BandColumns& band, int pass, const std::vector<int>& whiteArea,
                        int len)
{
    PrintSegments(whiteArea, len, [&](int first, std::uint64_t columns) {
        AddBandImage(band, pass, first, columns);
    });
}

// ESC * m nL nH and the bytes of `columns` columns of a pass from column
// `first`.
void OrvESCP::AddBandImage(const BandColumns& band, int pass, int first, std::uint64_t columns)
{
    if (AddImageHeader(columns)) {
        band.AppendPass(pass, static_cast<std::uint64_t>(first), columns, printerData);
    }
}
