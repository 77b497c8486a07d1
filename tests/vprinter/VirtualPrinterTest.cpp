// SPDX-License-Identifier: Apache-2.0
// Unit tests of the virtual printer from hand-written streams: where each
// command puts the head, the paper and the dots, how sheets are split, and
// how bad or hostile streams are rejected.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/vprinter/StreamBuilder.h"
#include "tools/vprinter/VirtualPrinter.h"

namespace vprinter {

// Shows dots as (x, y) in failure messages.
void PrintTo(const Dot& dot, std::ostream* out)
{
    *out << "(" << dot.x << ", " << dot.y << ")";
}

namespace {

using test::Bytes;
using test::StreamBuilder;

// `count` steps of 1/perInch inch, in printer units.
constexpr std::int32_t At(std::int32_t count, std::int32_t perInch)
{
    return count * (kUnitsPerInch / perInch);
}

// One-column images whose only dot is the top pin, for placing markers.
const Bytes kMark24 = StreamBuilder().Image(escp::kMode24DotTriple, 1, {0x80, 0, 0});
const Bytes kMark9 = StreamBuilder().Image(escp::kMode8DotDouble, 1, {0x80});
const Bytes kBlank24x2 = StreamBuilder().Image(escp::kMode24DotTriple, 2, Bytes(6, 0));

// Every bit-image mode of each dialect: column pitch and dot pitch. Column
// 1 carries its top and bottom dots; the head ends right of column 1.
TEST(VirtualPrinterModes, ColumnAndDotPitchPerMode)
{
    struct Case {
        PinModel model;
        unsigned char mode;
        int bytesPerColumn;
        std::int32_t columnPitch;
        std::int32_t bottomDotY;
    };
    const Case cases[] = {
        {PinModel::Pins24, escp::kMode8DotSingle, 1, At(1, 60), At(7, 72)},
        {PinModel::Pins24, escp::kMode8DotDouble, 1, At(1, 120), At(7, 72)},
        {PinModel::Pins24, escp::kMode24DotSingle, 3, At(1, 60), At(23, 180)},
        {PinModel::Pins24, escp::kMode24DotDouble, 3, At(1, 120), At(23, 180)},
        {PinModel::Pins24, escp::kMode24DotCrt, 3, At(1, 90), At(23, 180)},
        {PinModel::Pins24, escp::kMode24DotTriple, 3, At(1, 180), At(23, 180)},
        {PinModel::Pins24, escp::kMode24DotHex, 3, At(1, 360), At(23, 180)},
        {PinModel::Pins24, escp::kMode72Dot, 9, At(1, 180), At(71, 180)},
        {PinModel::Pins18, escp::kMode72Dot, 9, At(1, 180), At(71, 180)},
        // The 9-pin receipt and slip printers: 80 and 160 columns per inch.
        {PinModel::Pins9, escp::kMode8DotSingle, 1, At(1, 80), At(7, 72)},
        {PinModel::Pins9, escp::kMode8DotDouble, 1, At(1, 160), At(7, 72)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + ", " +
                     std::to_string(static_cast<int>(c.model)) + " pins");
        Bytes columns(2 * c.bytesPerColumn, 0);
        columns[c.bytesPerColumn] |= 0x80;
        columns.back() |= 0x01;
        const PrintResult result =
            VirtualPrinter(c.model).Print(StreamBuilder().Image(c.mode, 2, columns));
        ASSERT_TRUE(result.ok) << result.error.Describe();
        ASSERT_EQ(result.pages.size(), 1u);
        const PrintedPage& page = result.pages[0];
        EXPECT_EQ(page.dots, (std::vector<Dot>{{c.columnPitch, 0}, {c.columnPitch, c.bottomDotY}}));
        EXPECT_EQ(page.rightEdge, 2 * c.columnPitch);
        EXPECT_FALSE(page.ejected);
    }
}

// Columns of one byte each, only the top dot of the last one struck.
Bytes LastColumnInked(std::size_t columns)
{
    Bytes bytes(columns, 0);
    bytes.back() = 0x80;
    return bytes;
}

// Head and paper movement, seen through where the following dots land.
TEST(VirtualPrinterMoves, DotsLandWhereTheCommandsPutHeadAndPaper)
{
    struct Case {
        const char* name;
        PinModel model;
        Bytes stream;
        std::vector<Dot> dots;
        std::int32_t length;
    };
    const Case cases[] = {
        {"image leaves the head right of its last column",
         PinModel::Pins24,
         StreamBuilder().Raw(kBlank24x2).Raw(kMark24),
         {{At(2, 180), 0}},
         0},
        {"CR returns the head to the margin",
         PinModel::Pins24,
         StreamBuilder().Raw(kBlank24x2).Cr().Raw(kMark24),
         {{0, 0}},
         0},
        {"ESC $ counts 1/60 inch by default",
         PinModel::Pins24,
         StreamBuilder().Horizontal(10).Raw(kMark24),
         {{At(10, 60), 0}},
         0},
        {"ESC $ is absolute, not relative",
         PinModel::Pins24,
         StreamBuilder().Horizontal(10).Horizontal(2).Raw(kMark24),
         {{At(2, 60), 0}},
         0},
        {"ESC ( U 10 makes ESC $ count 1/360 inch",
         PinModel::Pins24,
         StreamBuilder().Unit(10).Horizontal(37).Raw(kMark24),
         {{At(37, 360), 0}},
         0},
        {"ESC @ restores the margin and 1/60 inch but keeps the paper",
         PinModel::Pins24,
         StreamBuilder().Unit(10).FeedJ(9).Horizontal(5).Init().Raw(kMark24).Horizontal(1).Raw(
             kMark24),
         {{0, At(9, 180)}, {At(1, 60), At(9, 180)}},
         At(9, 180)},
        {"ESC J feeds 1/180 inch on 24 pins",
         PinModel::Pins24,
         StreamBuilder().FeedJ(90).Raw(kMark24),
         {{0, At(90, 180)}},
         At(90, 180)},
        {"ESC J feeds 1/180 inch on 18 pins",
         PinModel::Pins18,
         StreamBuilder().FeedJ(90).Raw(kMark24),
         {{0, At(90, 180)}},
         At(90, 180)},
        {"ESC J feeds 1/144 inch on 9 pins",
         PinModel::Pins9,
         StreamBuilder().FeedJ(72).Raw(kMark9),
         {{0, At(72, 144)}},
         At(72, 144)},
        {"ESC $ counts 1/80 inch on 9 pins",
         PinModel::Pins9,
         StreamBuilder().Horizontal(10).Raw(kMark9),
         {{At(10, 80), 0}},
         0},
        {"ESC @ keeps 1/80 inch on 9 pins",
         PinModel::Pins9,
         StreamBuilder().Init().Horizontal(3).Raw(kMark9),
         {{At(3, 80), 0}},
         0},
        {"576 columns of mode 1 span 3.6 inches on 9 pins",
         PinModel::Pins9,
         StreamBuilder().Image(escp::kMode8DotDouble, 576, LastColumnInked(576)),
         {{At(575, 160), 0}},
         0},
        {"feeds add up; ESC J 0 moves nothing",
         PinModel::Pins24,
         StreamBuilder().FeedJ(255).FeedJ(0).FeedJ(45).Raw(kMark24),
         {{0, At(300, 180)}},
         At(300, 180)},
        {"ESC ( v feeds 1/60 inch by default",
         PinModel::Pins24,
         StreamBuilder().FeedV(3).Raw(kMark24),
         {{0, At(3, 60)}},
         At(3, 60)},
        {"ESC ( v after ESC ( U 10 feeds 1/360 inch, two-byte count",
         PinModel::Pins24,
         StreamBuilder().Unit(10).FeedV(0x0103).Raw(kMark24),
         {{0, At(0x0103, 360)}},
         At(0x0103, 360)},
        {"two passes one 1/360 row apart interleave",
         PinModel::Pins24,
         StreamBuilder()
             .Image(escp::kMode24DotHex, 1, {0xC0, 0, 0})
             .Cr()
             .Unit(10)
             .FeedV(1)
             .Unit(60)
             .Image(escp::kMode24DotHex, 1, {0x80, 0, 0}),
         {{0, 0}, {0, At(1, 360)}, {0, At(2, 360)}},
         At(1, 360)},
        {"8-dot column on 9 pins spans 1/72 inch per dot",
         PinModel::Pins9,
         StreamBuilder().Image(escp::kMode8DotSingle, 1, {0x81}),
         {{0, 0}, {0, At(7, 72)}},
         0},
        {"a dot struck twice counts once",
         PinModel::Pins24,
         StreamBuilder().Raw(kMark24).Cr().Raw(kMark24),
         {{0, 0}},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PrintResult result = VirtualPrinter(c.model).Print(c.stream);
        ASSERT_TRUE(result.ok) << result.error.Describe();
        ASSERT_EQ(result.pages.size(), 1u);
        EXPECT_EQ(result.pages[0].dots, c.dots);
        EXPECT_EQ(result.pages[0].length, c.length);
    }
}

// How a stream divides into sheets, and what each sheet records.
TEST(VirtualPrinterPages, FormFeedsSplitTheStreamIntoSheets)
{
    struct Sheet {
        std::size_t dots;
        std::int32_t length;
        bool ejected;
    };
    struct Case {
        const char* name;
        Bytes stream;
        std::vector<Sheet> sheets;
    };
    const Case cases[] = {
        {"empty stream prints nothing", {}, {}},
        {"initialise and CR alone print nothing", StreamBuilder().Init().Cr().Init(), {}},
        {"each FF ejects a sheet, blank or not",
         StreamBuilder().Ff().Raw(kMark24).Ff(),
         {{0, 0, true}, {1, 0, true}}},
        {"the encoder's framing: one sheet, nothing after the FF",
         StreamBuilder().Init().Cr().FeedJ(10).Raw(kMark24).Ff().Init(),
         {{1, At(10, 180), true}}},
        {"the sheet left in the printer is reported",
         StreamBuilder().Raw(kMark24).Ff().FeedJ(5),
         {{1, 0, true}, {0, At(5, 180), false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PrintResult result = VirtualPrinter(PinModel::Pins24).Print(c.stream);
        ASSERT_TRUE(result.ok) << result.error.Describe();
        ASSERT_EQ(result.pages.size(), c.sheets.size());
        for (std::size_t i = 0; i < c.sheets.size(); ++i) {
            EXPECT_EQ(result.pages[i].dots.size(), c.sheets[i].dots) << "sheet " << i;
            EXPECT_EQ(result.pages[i].length, c.sheets[i].length) << "sheet " << i;
            EXPECT_EQ(result.pages[i].ejected, c.sheets[i].ejected) << "sheet " << i;
        }
    }
}

TEST(VirtualPrinterPages, NextSheetStartsAtItsTopAndTheMargin)
{
    const Bytes stream = StreamBuilder().FeedJ(10).Horizontal(3).Raw(kMark24).Ff().Raw(kMark24);
    const PrintResult result = VirtualPrinter(PinModel::Pins24).Print(stream);
    ASSERT_TRUE(result.ok) << result.error.Describe();
    ASSERT_EQ(result.pages.size(), 2u);
    EXPECT_EQ(result.pages[0].dots, (std::vector<Dot>{{At(3, 60), At(10, 180)}}));
    EXPECT_EQ(result.pages[1].dots, (std::vector<Dot>{{0, 0}}));
}

TEST(VirtualPrinterPages, CountsCommandsAndGridsPerSheet)
{
    const Bytes stream = StreamBuilder()
                             .Raw(kBlank24x2)
                             .Horizontal(2)
                             .Raw(kMark24)
                             .Cr()
                             .FeedJ(1)
                             .FeedV(1)
                             .Ff()
                             .Image(escp::kMode8DotDouble, 3, {0, 0, 0x80})
                             .Cr()
                             .FeedJ(1)
                             .Image(escp::kMode8DotDouble, 1, {0x80});
    const PrintResult result = VirtualPrinter(PinModel::Pins24).Print(stream);
    ASSERT_TRUE(result.ok) << result.error.Describe();
    ASSERT_EQ(result.pages.size(), 2u);
    const PageStats& first = result.pages[0].stats;
    EXPECT_EQ(first.bitImages, 2u);
    EXPECT_EQ(first.columns, 3u);
    EXPECT_EQ(first.horizontalMoves, 1u);
    EXPECT_EQ(first.feeds, 2u);
    EXPECT_EQ(result.pages[0].gridX, At(1, 180));  // 180 dpi columns at 1/60-inch positions
    EXPECT_EQ(result.pages[0].gridY, At(1, 180));  // 24-dot column, no image after the feeds
    EXPECT_EQ(result.pages[1].gridX, At(1, 120));  // 120 dpi
    EXPECT_EQ(result.pages[1].gridY, At(1, 360));  // 1/72-inch pins, one image 1/180 inch lower
}

// Rejected streams: which byte is named, at which offset, and why.
TEST(VirtualPrinterErrors, NamesTheOffendingByteAndItsOffset)
{
    SheetLimits oneInch;
    oneInch.width = kUnitsPerInch;
    oneInch.length = kUnitsPerInch;
    SheetLimits tenDots;
    tenDots.dots = 10;
    struct Case {
        const char* name;
        PinModel model;
        SheetLimits limits;
        Bytes stream;
        std::size_t offset;
        unsigned char byte;
        const char* reason;
    };
    const Case cases[] = {
        {"ESC at the end", PinModel::Pins24, {}, {0x0D, 0x1B}, 1, 0x1B, "cut short"},
        {"ESC J without its n",
         PinModel::Pins24,
         {},
         {0x1B, 0x4A},
         0,
         0x1B,
         "ESC J command cut short"},
        {"ESC $ without nH",
         PinModel::Pins24,
         {},
         {0x1B, 0x24, 0x05},
         0,
         0x1B,
         "ESC $ command cut short"},
        {"ESC * without nH", PinModel::Pins24, {}, {0x1B, 0x2A, 0x27, 0x01}, 0, 0x1B, "cut short"},
        {"ESC * with fewer columns than it counts",
         PinModel::Pins24,
         {},
         StreamBuilder().Cr().Image(escp::kMode24DotTriple, 2, Bytes(5, 0xFF)),
         1,
         0x1B,
         "needs 11 bytes, the stream has 10 left"},
        {"ESC * counting 65535 columns of a short stream",
         PinModel::Pins24,
         {},
         StreamBuilder().Image(escp::kMode72Dot, 0xFFFF, Bytes(9, 0xFF)),
         0,
         0x1B,
         "cut short"},
        {"ESC ( v without its count",
         PinModel::Pins24,
         {},
         {0x1B, 0x28, 0x76, 0x02, 0x00, 0x01},
         0,
         0x1B,
         "ESC ( v command cut short"},
        {"unknown ESC command",
         PinModel::Pins24,
         {},
         {0x0D, 0x1B, 0x51},
         2,
         0x51,
         "unknown command ESC 'Q'"},
        {"line feed is not understood", PinModel::Pins24, {}, {0x0D, 0x0A}, 1, 0x0A, "byte 0x0A"},
        {"text is not understood", PinModel::Pins24, {}, {'A'}, 0, 'A', "byte 'A'"},
        {"unknown bit-image mode",
         PinModel::Pins24,
         {},
         {0x1B, 0x2A, 0x02, 0x01, 0x00, 0xFF},
         2,
         0x02,
         "unknown bit-image mode 2"},
        {"24-dot mode on a 9-pin head",
         PinModel::Pins9,
         {},
         kMark24,
         2,
         escp::kMode24DotTriple,
         "needs more pins"},
        {"ESC ( U on a 9-pin head",
         PinModel::Pins9,
         {},
         StreamBuilder().Unit(10),
         1,
         0x28,
         "not available on the 9-pin printer"},
        {"ESC ( v on a 9-pin head",
         PinModel::Pins9,
         {},
         StreamBuilder().Cr().FeedV(1),
         2,
         0x28,
         "not available on the 9-pin printer"},
        {"unknown ESC ( command",
         PinModel::Pins24,
         {},
         {0x1B, 0x28, 0x43, 0x02, 0x00, 0x01, 0x00},
         2,
         0x43,
         "unknown command ESC ( 'C'"},
        {"ESC ( U with two parameter bytes",
         PinModel::Pins24,
         {},
         {0x1B, 0x28, 0x55, 0x02, 0x00, 0x0A, 0x00},
         3,
         0x02,
         "needs a parameter count of 1"},
        {"ESC ( U unit 0", PinModel::Pins24, {}, StreamBuilder().Unit(0), 5, 0x00, "unit of 0"},
        {"ESC $ beyond the page width", PinModel::Pins24, oneInch,
         StreamBuilder().Horizontal(60).Horizontal(61), 4, 0x1B, "page width limit"},
        {"bit image across the page width", PinModel::Pins24, oneInch,
         StreamBuilder().Horizontal(59).Image(escp::kMode24DotTriple, 4, Bytes(12, 0)), 4, 0x1B,
         "reaches past the 1 inch page width"},
        {"feed past the page length", PinModel::Pins24, oneInch,
         StreamBuilder().FeedJ(180).FeedJ(1), 3, 0x1B, "paper fed past"},
        {"hostile ESC ( v cannot overflow the paper position",
         PinModel::Pins24,
         {},
         StreamBuilder().Unit(255).FeedV(0x7FFF).FeedV(0x7FFF),
         6,
         0x1B,
         "36 inches page length"},
        {"ESC ( v count with the sign bit set moves the paper up",
         PinModel::Pins24,
         {},
         StreamBuilder().Unit(10).FeedV(0x8000),
         11,
         0x00,
         "ESC ( v count 32768 moves the paper backwards"},
        {"bit image hanging below the page length", PinModel::Pins24, oneInch,
         StreamBuilder().FeedJ(156).Raw(kMark24).FeedJ(1).Raw(kMark24), 14, 0x1B, "reaches below"},
        {"more dots than a sheet may take", PinModel::Pins24, tenDots,
         StreamBuilder().Image(escp::kMode24DotTriple, 1, {0xFF, 0x03, 0}).Raw(kMark24), 8, 0x1B,
         "more than 10 dots"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PrintResult result = VirtualPrinter(c.model, c.limits).Print(c.stream);
        ASSERT_FALSE(result.ok);
        EXPECT_EQ(result.error.offset, c.offset);
        EXPECT_EQ(result.error.byte, c.byte);
        EXPECT_NE(result.error.reason.find(c.reason), std::string::npos) << result.error.reason;
    }
}

TEST(VirtualPrinterErrors, DescribeNamesOffsetByteAndReason)
{
    const PrintResult result = VirtualPrinter(PinModel::Pins24).Print({0x0D, 0x1B, 0x51});
    EXPECT_EQ(result.error.Describe(), "offset 2 (byte 0x51): unknown command ESC 'Q'");
}

TEST(VirtualPrinterErrors, SheetsPrintedBeforeTheBadByteAreKept)
{
    const Bytes stream = StreamBuilder().Raw(kMark24).Ff().Horizontal(1).Raw(kMark24).Raw({0x0A});
    const PrintResult result = VirtualPrinter(PinModel::Pins24).Print(stream);
    ASSERT_FALSE(result.ok);
    ASSERT_EQ(result.pages.size(), 2u);
    EXPECT_TRUE(result.pages[0].ejected);
    EXPECT_FALSE(result.pages[1].ejected);
    EXPECT_EQ(result.pages[1].dots, (std::vector<Dot>{{At(1, 60), 0}}));
}

// A stream using every command, cut at each length: each prefix is either
// accepted or rejected as cut short inside the stream.
TEST(VirtualPrinterErrors, EveryPrefixOfAGoodStreamIsAcceptedOrCutShort)
{
    const Bytes stream = StreamBuilder()
                             .Init()
                             .Cr()
                             .FeedJ(3)
                             .Horizontal(2)
                             .Image(escp::kMode24DotTriple, 2, {1, 2, 3, 4, 5, 6})
                             .Cr()
                             .Unit(10)
                             .FeedV(300)
                             .Unit(60)
                             .Image(escp::kMode72Dot, 1, Bytes(9, 0x55))
                             .Ff()
                             .Init();
    for (std::size_t size = 0; size <= stream.size(); ++size) {
        SCOPED_TRACE("prefix of " + std::to_string(size) + " bytes");
        const Bytes prefix(stream.begin(), stream.begin() + static_cast<long>(size));
        const PrintResult result = VirtualPrinter(PinModel::Pins24).Print(prefix);
        if (!result.ok) {
            EXPECT_LT(result.error.offset, size);
            EXPECT_NE(result.error.reason.find("cut short"), std::string::npos)
                << result.error.Describe();
        }
    }
}

// Garbage made mostly of command bytes never crashes the printer or sends
// it outside the stream (the sanitizer build checks the reads).
TEST(VirtualPrinterErrors, RandomStreamsAreAcceptedOrRejectedInside)
{
    const unsigned char alphabet[] = {0x1B, 0x1B, 0x2A, 0x28, 0x55, 0x76, 0x4A, 0x24, 0x40, 0x0D,
                                      0x0C, 0x27, 0x28, 0x29, 0x01, 0x00, 0x02, 0xFF, 0x0A, 0x41};
    std::mt19937 random(20240611);
    for (int run = 0; run < 3000; ++run) {
        Bytes stream(random() % 48);
        for (unsigned char& byte : stream)
            byte = alphabet[random() % sizeof alphabet];
        for (PinModel model : {PinModel::Pins9, PinModel::Pins24}) {
            const PrintResult result = VirtualPrinter(model).Print(stream);
            if (!result.ok) {
                ASSERT_LT(result.error.offset, stream.size());
                ASSERT_EQ(result.error.byte, stream[result.error.offset]);
            }
        }
    }
}

TEST(VirtualPrinterModels, PinCountsMapToModels)
{
    PinModel model = PinModel::Pins24;
    EXPECT_TRUE(VirtualPrinter::ModelForPins(9, model));
    EXPECT_EQ(model, PinModel::Pins9);
    EXPECT_TRUE(VirtualPrinter::ModelForPins(18, model));
    EXPECT_EQ(model, PinModel::Pins18);
    for (int pins : {0, 8, 25, -24})
        EXPECT_FALSE(VirtualPrinter::ModelForPins(pins, model));
    EXPECT_EQ(model, PinModel::Pins18);
}

}  // namespace
}  // namespace vprinter
