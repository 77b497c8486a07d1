// SPDX-License-Identifier: Apache-2.0
// The zero bytes before the first set byte, as the page scan uses them to
// skip blank rows: exact on every column path, at the edges of the wide and
// narrow steps, wherever the bytes lie in memory, and in the last bytes,
// never reading past the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "escp/BandColumns.h"
#include "tests/escp/ColumnPaths.h"

namespace {

class LeadingZeroBytesTest : public escptest::ColumnPathTest {};

TEST_P(LeadingZeroBytesTest, StopsAtTheFirstSetByte)
{
    const std::uint64_t sizes[] = {0,   1,   7,   8,   31,  32,  33,  100, 127,
                                   128, 129, 255, 256, 271, 272, 383, 1000};
    const std::uint64_t positions[] = {0,   1,   8,   16,  17,  24,  31,  32,  63, 96,
                                       127, 128, 129, 200, 271, 287, 354, 527, 990};
    // The bytes start at every place within sixteen bytes of memory: where
    // the wide steps begin depends on where the bytes lie.
    constexpr std::uint64_t kPlaces = 16;
    for (const std::uint64_t size : sizes) {
        for (std::uint64_t place = 0; place < kPlaces; ++place) {
            // The bytes end where their memory does, so that a read past
            // the end shows under the address sanitizer.
            std::vector<unsigned char> memory(place + size, 0xFF);
            unsigned char* const bytes = memory.data() + place;
            std::fill(bytes, bytes + size, 0);
            EXPECT_EQ(BandColumns::LeadingZeroBytes(bytes, size), size)
                << "blank, size " << size << ", place " << place;
            for (const std::uint64_t at : positions) {
                if (at >= size) {
                    continue;
                }
                for (const unsigned char value : {0x01, 0x80}) {
                    std::fill(bytes, bytes + size, 0);
                    bytes[at] = value;
                    bytes[size - 1] |= 0x10;  // later set bytes do not matter
                    EXPECT_EQ(BandColumns::LeadingZeroBytes(bytes, size), at)
                        << "size " << size << ", place " << place << ", set byte " << at;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, LeadingZeroBytesTest, escptest::AllColumnPaths(),
                         escptest::ColumnPathName);

}  // namespace
