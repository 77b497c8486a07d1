// SPDX-License-Identifier: Apache-2.0
// The zero bytes before the first set byte, as the page scan uses them to
// skip blank rows: exact on every column path, at the edges of the 128-byte
// and 32-byte steps and in the last bytes, never reading past the end.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "escp/BandColumns.h"
#include "tests/escp/ColumnPaths.h"

namespace {

class LeadingZeroBytesTest : public escptest::ColumnPathTest {};

TEST_P(LeadingZeroBytesTest, StopsAtTheFirstSetByte)
{
    const std::uint64_t sizes[] = {0, 1, 7, 8, 31, 32, 33, 100, 127, 128, 129, 255, 256, 383, 1000};
    const std::uint64_t positions[] = {0, 1, 8, 31, 32, 63, 96, 127, 128, 129, 200, 354, 990};
    for (const std::uint64_t size : sizes) {
        // Exactly `size` bytes, so that a read past the end shows under the
        // address sanitizer.
        std::vector<unsigned char> bytes(size, 0);
        EXPECT_EQ(BandColumns::LeadingZeroBytes(bytes.data(), size), size)
            << "blank, size " << size;
        for (const std::uint64_t at : positions) {
            if (at >= size) {
                continue;
            }
            for (const unsigned char value : {0x01, 0x80}) {
                std::vector<unsigned char> inked(size, 0);
                inked[at] = value;
                inked[size - 1] |= 0x10;  // later set bytes do not matter
                EXPECT_EQ(BandColumns::LeadingZeroBytes(inked.data(), size), at)
                    << "size " << size << ", set byte " << at;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, LeadingZeroBytesTest, escptest::AllColumnPaths(),
                         escptest::ColumnPathName);

}  // namespace
