// SPDX-License-Identifier: Apache-2.0
// StreamBuilder: writes ESC/P byte streams for the virtual printer's tests
// from command names, so test tables read as commands, not hex.
#ifndef RIDEVEDUDARUZO_TESTS_VPRINTER_STREAMBUILDER_H
#define RIDEVEDUDARUZO_TESTS_VPRINTER_STREAMBUILDER_H

#include <initializer_list>
#include <vector>

#include "tools/vprinter/EscpBytes.h"

namespace vprinter::test {

using Bytes = std::vector<unsigned char>;

class StreamBuilder {
public:
    StreamBuilder& Cr() { return Add({escp::kCarriageReturn}); }
    StreamBuilder& Ff() { return Add({escp::kFormFeed}); }
    StreamBuilder& Init() { return Add({escp::kEsc, escp::kInitialise}); }
    StreamBuilder& FeedJ(unsigned char n) { return Add({escp::kEsc, escp::kFeed, n}); }
    StreamBuilder& Horizontal(unsigned n)
    {
        return Add({escp::kEsc, escp::kAbsoluteHorizontal, Low(n), High(n)});
    }
    StreamBuilder& Unit(unsigned char m)
    {
        return Add({escp::kEsc, escp::kExtended, escp::kSetUnit, escp::kSetUnitLength, 0, m});
    }
    StreamBuilder& FeedV(unsigned n)
    {
        return Add({escp::kEsc, escp::kExtended, escp::kRelativeVertical,
                    escp::kRelativeVerticalLength, 0, Low(n), High(n)});
    }
    // ESC * m with `columns` columns; `data` holds their bytes.
    StreamBuilder& Image(unsigned char m, unsigned columns, const Bytes& data)
    {
        Add({escp::kEsc, escp::kBitImage, m, Low(columns), High(columns)});
        return Raw(data);
    }
    StreamBuilder& Raw(const Bytes& data)
    {
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Bytes Build() const { return bytes; }
    operator Bytes() const { return bytes; }

private:
    static unsigned char Low(unsigned n) { return static_cast<unsigned char>(n & 0xFF); }
    static unsigned char High(unsigned n) { return static_cast<unsigned char>((n >> 8) & 0xFF); }
    StreamBuilder& Add(std::initializer_list<unsigned char> command)
    {
        bytes.insert(bytes.end(), command.begin(), command.end());
        return *this;
    }

    Bytes bytes;
};

}  // namespace vprinter::test

#endif
