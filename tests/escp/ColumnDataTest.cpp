// SPDX-License-Identifier: Apache-2.0
// Column data of dense random bands, compared with a dot-by-dot reading of
// the band: checks the bit order of every column byte, the split of rows
// between passes and that padding bits beyond the width never print.
#include <gtest/gtest.h>

#include <random>

#include "escp/OrvESCP.h"
#include "tests/escp/EscpTestSupport.h"

using escptest::Bytes;
using escptest::Cat;
using escptest::Hex;
using escptest::Image;

namespace {

// Column bytes of one pass read dot by dot: dot k is band row
// firstRow + rowStep * k, bit 7 - (k mod 8) of byte k / 8.
Bytes ReadColumns(const Bytes& band, std::size_t bytesPerLine, std::size_t width, int firstRow,
                  int rowStep, int dots)
{
    const int colBytes = dots / 8;
    Bytes columns(width * colBytes, 0);
    for (std::size_t x = 0; x < width; ++x) {
        for (int k = 0; k < dots; ++k) {
            const std::size_t row = firstRow + rowStep * k;
            if (band[row * bytesPerLine + x / 8] & (0x80 >> (x % 8))) {
                columns[x * colBytes + k / 8] |= static_cast<unsigned char>(0x80 >> (k % 8));
            }
        }
    }
    return columns;
}

struct DenseCase {
    int pins, dpiX, dpiY;
    unsigned char mode;
    bool doublePass;
};

TEST(ColumnData, DenseRandomBandsMatchDotByDotReading)
{
    const DenseCase cases[] = {
        {24, 180, 180, 0x27, false}, {18, 180, 180, 0x29, false}, {9, 80, 72, 0x00, false},
        {24, 360, 360, 0x28, true},  {9, 160, 144, 0x01, true},
    };
    std::mt19937 random(12345);
    for (const DenseCase& c : cases) {
        for (std::size_t width : {1u, 7u, 8u, 77u}) {
            SCOPED_TRACE(testing::Message() << c.pins << " pins at " << c.dpiX << " x " << c.dpiY
                                            << ", width " << width);
            OrvESCP encoder(c.pins, c.dpiX, c.dpiY);
            const int rows = encoder.LinesPerRow();
            const std::size_t bytesPerLine = (width + 7) / 8 + 1;  // padding bits and a spare byte
            Bytes band(bytesPerLine * rows);
            for (unsigned char& b : band) {
                b = static_cast<unsigned char>(random());
            }
            band[(width - 1) / 8] |= static_cast<unsigned char>(0x80 >> ((width - 1) % 8));

            Bytes expected;
            if (c.doublePass) {
                encoder.OneLineToBytesDouble(band.data(), bytesPerLine, width);
                const Bytes evenRows = ReadColumns(band, bytesPerLine, width, 0, 2, rows / 2);
                const Bytes oddRows = ReadColumns(band, bytesPerLine, width, 1, 2, rows / 2);
                const Bytes move =
                    c.dpiX == 360 ? escptest::Move360(1) : Bytes{0x0D, 0x1B, 0x4A, 0x01};
                expected =
                    Cat({Image(c.mode, width, evenRows), move, Image(c.mode, width, oddRows)});
            } else {
                encoder.OneLineToBytesSingle(band.data(), bytesPerLine, width);
                expected = Image(c.mode, width, ReadColumns(band, bytesPerLine, width, 0, 1, rows));
            }
            EXPECT_EQ(Hex(encoder.PrinterData()), Hex(expected));
        }
    }
}

}  // namespace
