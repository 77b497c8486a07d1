// SPDX-License-Identifier: Apache-2.0
// RuzologStream: number formatting in every base and width, and the room
// limits that keep it inside its buffer.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "ruzolog/ruzolog.h"

namespace {

using ruzolog::RuzologStream;

struct StreamCase {
    const char* what;
    int room;  // length handed to the stream
    std::function<void(RuzologStream&)> write;
    std::string expected;
};

const int kWide = 100;  // more than the 64 bytes numbers need

std::vector<StreamCase> streamCases()
{
    return {
        {"zero", kWide, [](RuzologStream& s) { s.writeULongLong(0, 0, 10); }, "0"},
        {"width 2", kWide, [](RuzologStream& s) { s.writeULongLong(5, 2, 10); }, "05"},
        {"width 3", kWide, [](RuzologStream& s) { s.writeULongLong(7, 3, 10); }, "007"},
        {"wider than width", kWide, [](RuzologStream& s) { s.writeULongLong(123456, 4, 10); },
         "123456"},
        {"odd digit count", kWide, [](RuzologStream& s) { s.writeULongLong(12345, 0, 10); },
         "12345"},
        {"max decimal", kWide, [](RuzologStream& s) { s.writeULongLong(ULLONG_MAX, 0, 10); },
         "18446744073709551615"},
        {"hex upper", kWide, [](RuzologStream& s) { s.writeULongLong(255, 0, 16); }, "FF"},
        {"hex 256", kWide, [](RuzologStream& s) { s.writeULongLong(256, 0, 16); }, "100"},
        {"hex width", kWide, [](RuzologStream& s) { s.writeULongLong(255, 4, 16); }, "00FF"},
        {"binary", kWide, [](RuzologStream& s) { s.writeULongLong(10, 0, 2); }, "1010"},
        {"binary max fills scratch", kWide,
         [](RuzologStream& s) { s.writeULongLong(ULLONG_MAX, 0, 2); }, std::string(64, '1')},
        {"octal", kWide, [](RuzologStream& s) { s.writeULongLong(64, 0, 8); }, "100"},
        {"base 11 lower case", kWide, [](RuzologStream& s) { s.writeULongLong(10, 0, 11); }, "a"},
        {"negative with width", kWide, [](RuzologStream& s) { s.writeLongLong(-42, 4, 10); },
         "-0042"},
        {"most negative", kWide, [](RuzologStream& s) { s.writeLongLong(LLONG_MIN, 0, 10); },
         "-9223372036854775808"},
        // Defined behaviour for arguments outside the supported ranges.
        {"base 1 writes nothing", kWide, [](RuzologStream& s) { s.writeULongLong(5, 0, 1); }, ""},
        {"base 17 writes nothing", kWide, [](RuzologStream& s) { s.writeULongLong(5, 0, 17); }, ""},
        {"bad base writes no sign", kWide, [](RuzologStream& s) { s.writeLongLong(-5, 0, 0); }, ""},
        {"width above 64 is 64", kWide, [](RuzologStream& s) { s.writeULongLong(7, 1000, 10); },
         std::string(63, '0') + "7"},
        {"negative width is 0", kWide, [](RuzologStream& s) { s.writeULongLong(7, -3, 10); }, "7"},
        // Room limits.
        {"64 bytes: no number, char still", 64,
         [](RuzologStream& s) { s.writeULongLong(1, 0, 10).writeChar('x'); }, "x"},
        {"65 bytes: number", 65, [](RuzologStream& s) { s.writeULongLong(1, 0, 10); }, "1"},
        {"1 byte: no char, string fills", 1,
         [](RuzologStream& s) { s.writeChar('x').writeString("a"); }, "a"},
        {"string cut at the end", 3, [](RuzologStream& s) { s.writeString("abcdef"); }, "abc"},
        {"char stops one byte early", 2, [](RuzologStream& s) { s.writeChar('a').writeChar('b'); },
         "a"},
        {"zero room", 0,
         [](RuzologStream& s) {
             s << "abc" << true;
             s.writeChar('x');
         },
         ""},
        // Streamed values.
        {"booleans", kWide, [](RuzologStream& s) { s << true << false; }, "truefalse"},
        {"int and strings", kWide, [](RuzologStream& s) { s << "n=" << -7 << std::string(" ok"); },
         "n=-7 ok"},
    };
}

TEST(RuzologStreamTest, WritesExactlyTheExpectedBytesWithinItsRoom)
{
    for (const StreamCase& c : streamCases()) {
        SCOPED_TRACE(c.what);
        std::vector<char> buffer(static_cast<size_t>(c.room) + 16, '#');
        RuzologStream stream(buffer.data(), c.room);
        c.write(stream);
        ASSERT_EQ(stream.getCurrentLen(), static_cast<int>(c.expected.size()));
        EXPECT_EQ(std::string(buffer.data(), c.expected.size()), c.expected);
        // Nothing past what was written, and never past the room.
        EXPECT_EQ(std::string(buffer.begin() + static_cast<long>(c.expected.size()), buffer.end()),
                  std::string(buffer.size() - c.expected.size(), '#'));
    }
}

}  // namespace
