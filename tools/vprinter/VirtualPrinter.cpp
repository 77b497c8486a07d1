// SPDX-License-Identifier: Apache-2.0
// VirtualPrinter: walks an ESC/P stream as a dot-matrix printer would,
// keeping the head and paper positions and striking dots on the sheet.
#include "tools/vprinter/VirtualPrinter.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <iterator>
#include <numeric>
#include <string>

#include "tools/vprinter/EscpBytes.h"

namespace vprinter {
namespace {

// Lengths of the fixed-size commands, command bytes included.
constexpr std::size_t kEscapeLength = 2;          // ESC x
constexpr std::size_t kFeedLength = 3;            // ESC J n
constexpr std::size_t kHorizontalLength = 4;      // ESC $ nL nH
constexpr std::size_t kBitImageHeaderLength = 5;  // ESC * m nL nH
constexpr std::size_t kExtendedHeaderLength = 5;  // ESC ( c nL nH
// Largest ESC ( v count that feeds forward: the count is signed.
constexpr int kMaxForwardRelativeFeed = 32767;

// Vertical distance between the dots of one column.
constexpr std::int32_t k8DotPinPitch = kUnitsPerInch / 72;
constexpr std::int32_t k24DotPinPitch = kUnitsPerInch / 180;

// One bit-image density mode.
struct BitImageMode {
    unsigned char m;
    std::int32_t columnPitch;  // from one column to the next
    int dotsPerColumn;         // the most significant bit of byte 0 is the top dot
};

// The modes of the 18- and 24-pin ESC/P printers.
constexpr BitImageMode kModes[] = {
    {escp::kMode8DotSingle, kUnitsPerInch / 60, 8},
    {escp::kMode8DotDouble, kUnitsPerInch / 120, 8},
    {escp::kMode24DotSingle, kUnitsPerInch / 60, 24},
    {escp::kMode24DotDouble, kUnitsPerInch / 120, 24},
    {escp::kMode24DotCrt, kUnitsPerInch / 90, 24},
    {escp::kMode24DotTriple, kUnitsPerInch / 180, 24},
    {escp::kMode24DotHex, kUnitsPerInch / 360, 24},
    {escp::kMode72Dot, kUnitsPerInch / 180, 72},
};

// The modes of the 9-pin receipt and slip printers: 8-dot columns only, at
// 80 and 160 columns per inch.
constexpr BitImageMode kReceiptModes[] = {
    {escp::kMode8DotSingle, kUnitsPerInch / 80, 8},
    {escp::kMode8DotDouble, kUnitsPerInch / 160, 8},
};

// What the commands mean on one kind of printer.
struct Dialect {
    std::int32_t feedStep;     // ESC J
    std::int32_t defaultUnit;  // ESC $ (and ESC ( v) after power-on and ESC @
    const BitImageMode* modes;
    std::size_t modeCount;
    bool extendedCommands;  // ESC ( U and ESC ( v
};

// The 18- and 24-pin ESC/P printers: ESC J feeds 1/180 inch, ESC $ counts
// 1/60 inch until ESC ( U sets another unit.
constexpr Dialect kEscpDialect = {kUnitsPerInch / 180,
                                  (kUnitsPerInch / escp::kSetUnitDivisions) * escp::kDefaultUnit,
                                  kModes, std::size(kModes), true};

// The 9-pin receipt and slip printers: ESC J feeds 1/144 inch, ESC $ counts
// 1/80 inch, and there are no ESC ( commands.
constexpr Dialect kReceiptDialect = {kUnitsPerInch / 144, kUnitsPerInch / 80, kReceiptModes,
                                     std::size(kReceiptModes), false};

// The dialect a head model speaks.
const Dialect& DialectOf(PinModel model)
{
    return model == PinModel::Pins9 ? kReceiptDialect : kEscpDialect;
}

// The dialect's mode with density byte m, or null when it has none.
const BitImageMode* FindMode(const Dialect& dialect, unsigned char m)
{
    for (std::size_t i = 0; i < dialect.modeCount; ++i) {
        if (dialect.modes[i].m == m)
            return &dialect.modes[i];
    }
    return nullptr;
}

// Distance between the dots of one column in the given mode.
std::int32_t PinPitch(const BitImageMode& mode)
{
    return mode.dotsPerColumn == 8 ? k8DotPinPitch : k24DotPinPitch;
}

// A byte as a person reads it in a message: 'Q' or 0x05.
std::string ByteName(unsigned char byte)
{
    char text[8];
    if (byte >= 0x21 && byte < 0x7F) {
        std::snprintf(text, sizeof text, "'%c'", byte);
    } else {
        std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
    }
    return text;
}

// Number of set bits (dots) in a run of column bytes.
std::size_t CountDots(const unsigned char* bytes, std::size_t count)
{
    std::size_t dots = 0;
    for (std::size_t i = 0; i < count; ++i)
        dots += std::bitset<8>(bytes[i]).count();
    return dots;
}

// A length in inches, for limit messages: "18 inches", "1 inch", "0.50 inches".
std::string Inches(std::int64_t units)
{
    char text[32];
    if (units == kUnitsPerInch) {
        std::snprintf(text, sizeof text, "1 inch");
    } else if (units % kUnitsPerInch == 0) {
        std::snprintf(text, sizeof text, "%lld inches",
                      static_cast<long long>(units / kUnitsPerInch));
    } else {
        std::snprintf(text, sizeof text, "%.2f inches", static_cast<double>(units) / kUnitsPerInch);
    }
    return text;
}

// The printer's state while it reads one stream.
class Interpreter {
public:
    Interpreter(const Dialect& headDialect, const SheetLimits& sheet, const unsigned char* stream,
                std::size_t length, const VirtualPrinter::PageSink& pageSink)
        : dialect(headDialect),
          limits(sheet),
          data(stream),
          size(length),
          sink(pageSink)
    {
    }

    // Runs the whole stream; false with `error` set at the first rejected byte.
    bool Run(StreamError& error);

private:
    bool RunCommand();
    bool RunEscape(std::size_t start);
    bool RunExtended(std::size_t start);
    bool RunBitImage(std::size_t start);
    bool MoveHead(std::size_t start, std::int64_t position);
    bool FeedPaper(std::size_t start, std::int64_t amount);
    void StrikeColumns(const BitImageMode& mode, const unsigned char* columns, std::size_t count);
    void FinishPage(bool ejected);
    bool Has(std::size_t start, std::size_t length) const { return length <= size - start; }
    bool Fail(std::size_t offset, const std::string& reason);
    bool Truncated(std::size_t start, const std::string& command, std::size_t length);

    const Dialect& dialect;
    const SheetLimits limits;
    const unsigned char* const data;
    const std::size_t size;
    const VirtualPrinter::PageSink& sink;
    StreamError* error = nullptr;

    std::size_t pos = 0;                      // next byte to read
    std::int32_t head = 0;                    // from the left margin
    std::int32_t paper = 0;                   // from the top of the sheet
    std::int32_t unit = dialect.defaultUnit;  // ESC $ and ESC ( v unit
    PrintedPage page;
};

// Reads commands until the end or the first rejected byte, then hands over
// the sheet still in the printer.
bool Interpreter::Run(StreamError& errorOut)
{
    error = &errorOut;
    bool ok = true;
    while (ok && pos < size)
        ok = RunCommand();
    FinishPage(false);
    return ok;
}

// Executes the command that starts at pos and steps past it.
bool Interpreter::RunCommand()
{
    const std::size_t start = pos;
    switch (data[start]) {
    case escp::kCarriageReturn:
        head = 0;
        ++pos;
        return true;
    case escp::kFormFeed:
        // The sheet leaves the printer; printing resumes at the top and the
        // left margin of the next one.
        FinishPage(true);
        head = 0;
        ++pos;
        return true;
    case escp::kEsc:
        return RunEscape(start);
    default:
        return Fail(start,
                    "byte " + ByteName(data[start]) + " is not a command this printer knows");
    }
}

// Executes ESC x.
bool Interpreter::RunEscape(std::size_t start)
{
    if (!Has(start, kEscapeLength))
        return Truncated(start, "ESC", kEscapeLength);
    const unsigned char letter = data[start + 1];
    switch (letter) {
    case escp::kInitialise:
        head = 0;
        unit = dialect.defaultUnit;
        pos = start + kEscapeLength;
        return true;
    case escp::kFeed:
        if (!Has(start, kFeedLength))
            return Truncated(start, "ESC J", kFeedLength);
        pos = start + kFeedLength;
        return FeedPaper(start, std::int64_t{data[start + 2]} * dialect.feedStep);
    case escp::kAbsoluteHorizontal: {
        if (!Has(start, kHorizontalLength))
            return Truncated(start, "ESC $", kHorizontalLength);
        const std::int64_t units = data[start + 2] + 256 * data[start + 3];
        pos = start + kHorizontalLength;
        ++page.stats.horizontalMoves;
        return MoveHead(start, units * unit);
    }
    case escp::kBitImage:
        return RunBitImage(start);
    case escp::kExtended:
        return RunExtended(start);
    default:
        return Fail(start + 1, "unknown command ESC " + ByteName(letter));
    }
}

// Executes ESC ( c nL nH parameters.
bool Interpreter::RunExtended(std::size_t start)
{
    if (!dialect.extendedCommands) {
        return Fail(start + 1, "ESC ( commands are not available on the 9-pin printer");
    }
    if (!Has(start, kEscapeLength + 1))
        return Truncated(start, "ESC (", kExtendedHeaderLength);
    const unsigned char letter = data[start + 2];
    if (letter != escp::kSetUnit && letter != escp::kRelativeVertical) {
        return Fail(start + 2, "unknown command ESC ( " + ByteName(letter));
    }
    const std::string name = std::string("ESC ( ") + static_cast<char>(letter);
    if (!Has(start, kExtendedHeaderLength))
        return Truncated(start, name, kExtendedHeaderLength);
    const std::size_t expected =
        letter == escp::kSetUnit ? escp::kSetUnitLength : escp::kRelativeVerticalLength;
    const std::size_t given = data[start + 3] + 256u * data[start + 4];
    if (given != expected) {
        return Fail(start + 3, name + " needs a parameter count of " + std::to_string(expected) +
                                   ", the stream gives " + std::to_string(given));
    }
    const std::size_t length = kExtendedHeaderLength + expected;
    if (!Has(start, length))
        return Truncated(start, name, length);
    const unsigned char* parameters = data + start + kExtendedHeaderLength;
    pos = start + length;
    if (letter == escp::kSetUnit) {
        if (parameters[0] == 0) {
            return Fail(start + kExtendedHeaderLength, "ESC ( U unit of 0/3600 inch");
        }
        unit = kUnitsPerInch / escp::kSetUnitDivisions * parameters[0];
        return true;
    }
    // The count is a signed 16-bit word: from 32768 on the paper moves up.
    const int count = parameters[0] + 256 * parameters[1];
    if (count > kMaxForwardRelativeFeed)
        return Fail(start + kExtendedHeaderLength,
                    "ESC ( v count " + std::to_string(count) + " moves the paper backwards");
    return FeedPaper(start, std::int64_t{count} * unit);
}

// Executes ESC * m nL nH and its column data.
bool Interpreter::RunBitImage(std::size_t start)
{
    if (!Has(start, kBitImageHeaderLength)) {
        return Truncated(start, "ESC *", kBitImageHeaderLength);
    }
    const unsigned char m = data[start + 2];
    const BitImageMode* mode = FindMode(dialect, m);
    if (mode == nullptr && FindMode(kEscpDialect, m) != nullptr) {
        return Fail(start + 2, "bit-image mode " + std::to_string(m) +
                                   " needs more pins than the 9-pin head has");
    }
    if (mode == nullptr) {
        return Fail(start + 2, "unknown bit-image mode " + std::to_string(m));
    }
    const std::size_t columns = data[start + 3] + 256u * data[start + 4];
    const std::size_t bytesPerColumn = static_cast<std::size_t>(mode->dotsPerColumn / 8);
    const std::size_t length = kBitImageHeaderLength + columns * bytesPerColumn;
    if (!Has(start, length))
        return Truncated(start, "ESC *", length);

    const std::int64_t right = head + static_cast<std::int64_t>(columns) * mode->columnPitch;
    if (right > limits.width) {
        return Fail(start,
                    "bit image reaches past the " + Inches(limits.width) + " page width limit");
    }
    const std::int64_t bottom = paper + std::int64_t{mode->dotsPerColumn - 1} * PinPitch(*mode);
    if (bottom >= limits.length) {
        return Fail(start,
                    "bit image reaches below the " + Inches(limits.length) + " page length limit");
    }
    const unsigned char* columnData = data + start + kBitImageHeaderLength;
    const std::size_t dots = CountDots(columnData, columns * bytesPerColumn);
    if (dots > limits.dots - page.dots.size()) {
        return Fail(start, "more than " + std::to_string(limits.dots) + " dots on one page");
    }
    pos = start + length;
    StrikeColumns(*mode, columnData, columns);
    return true;
}

// Strikes the dots of `count` columns from the head position rightwards and
// leaves the head just right of the last column.
void Interpreter::StrikeColumns(const BitImageMode& mode, const unsigned char* columns,
                                std::size_t count)
{
    const std::int32_t pinPitch = PinPitch(mode);
    const std::size_t bytesPerColumn = static_cast<std::size_t>(mode.dotsPerColumn / 8);
    for (std::size_t column = 0; column < count; ++column) {
        const std::int32_t x = head + static_cast<std::int32_t>(column) * mode.columnPitch;
        const unsigned char* bytes = columns + column * bytesPerColumn;
        for (int dot = 0; dot < mode.dotsPerColumn; ++dot) {
            if (bytes[dot / 8] & (0x80 >> (dot % 8))) {
                page.dots.push_back(Dot{x, paper + dot * pinPitch});
            }
        }
    }
    page.gridX = std::gcd(page.gridX, std::gcd(head, mode.columnPitch));
    page.gridY = std::gcd(page.gridY, std::gcd(paper, pinPitch));
    head += static_cast<std::int32_t>(count) * mode.columnPitch;
    page.rightEdge = std::max(page.rightEdge, head);
    ++page.stats.bitImages;
    page.stats.columns += count;
}

// Sets the head to an absolute position within the page width.
bool Interpreter::MoveHead(std::size_t start, std::int64_t position)
{
    if (position > limits.width) {
        return Fail(start,
                    "ESC $ moves the head past the " + Inches(limits.width) + " page width limit");
    }
    head = static_cast<std::int32_t>(position);
    return true;
}

// Moves the paper forward by `amount` within the page length.
bool Interpreter::FeedPaper(std::size_t start, std::int64_t amount)
{
    const std::int64_t next = paper + amount;
    if (next > limits.length) {
        return Fail(start, "paper fed past the " + Inches(limits.length) + " page length limit");
    }
    paper = static_cast<std::int32_t>(next);
    ++page.stats.feeds;
    return true;
}

// Hands the current sheet to the sink and starts a fresh one. A sheet that
// is still in the printer is handed over only if something happened on it.
void Interpreter::FinishPage(bool ejected)
{
    const bool used = paper > 0 || page.stats.bitImages > 0 || page.stats.feeds > 0;
    if (ejected || used) {
        std::sort(page.dots.begin(), page.dots.end());
        page.dots.erase(std::unique(page.dots.begin(), page.dots.end()), page.dots.end());
        page.length = paper;
        page.ejected = ejected;
        sink(std::move(page));
    }
    page = PrintedPage{};
    paper = 0;
}

// Records the first rejected byte; always false.
bool Interpreter::Fail(std::size_t offset, const std::string& reason)
{
    error->offset = offset;
    error->byte = data[offset];
    error->reason = reason;
    return false;
}

// Records a command that the end of the stream cuts short.
bool Interpreter::Truncated(std::size_t start, const std::string& command, std::size_t length)
{
    return Fail(start, command + " command cut short: it needs " + std::to_string(length) +
                           " bytes, the stream has " + std::to_string(size - start) + " left");
}

}  // namespace

// A printer with the given head and sheet limits; it keeps no state
// between streams.
VirtualPrinter::VirtualPrinter(PinModel head, const SheetLimits& sheet)
    : model(head)
{
    const SheetLimits defaults;
    limits.width = std::min(std::max(sheet.width, 0), defaults.width);
    limits.length = std::min(std::max(sheet.length, 0), defaults.length);
    limits.dots = std::min(sheet.dots, defaults.dots);
}

// 9, 18 or 24 pins to a model.
bool VirtualPrinter::ModelForPins(int pins, PinModel& modelOut)
{
    switch (pins) {
    case 9:
        modelOut = PinModel::Pins9;
        return true;
    case 18:
        modelOut = PinModel::Pins18;
        return true;
    case 24:
        modelOut = PinModel::Pins24;
        return true;
    default:
        return false;
    }
}

// ESC J step: 1/144 inch on the 9-pin model, 1/180 inch otherwise.
std::int32_t VirtualPrinter::FeedStep() const
{
    return DialectOf(model).feedStep;
}

// Runs one stream from the power-on state.
bool VirtualPrinter::Print(const unsigned char* data, std::size_t size, const PageSink& sink,
                           StreamError& error) const
{
    Interpreter interpreter(DialectOf(model), limits, data, size, sink);
    return interpreter.Run(error);
}

// Runs one stream and keeps every page.
PrintResult VirtualPrinter::Print(const std::vector<unsigned char>& stream) const
{
    PrintResult result;
    result.ok = Print(
        stream.data(), stream.size(),
        [&result](PrintedPage&& page) { result.pages.push_back(std::move(page)); }, result.error);
    return result;
}

}  // namespace vprinter
