// SPDX-License-Identifier: Apache-2.0
// OrvESCP command sequence text: stored printer commands in which "<" and
// ">" enclose pairs of hexadecimal digits and every other character stands
// for its own byte, plus two small decimal helpers.
#include <string>

#include "escp/OrvESCP.h"

namespace {

constexpr char kGroupOpen = '<';
constexpr char kGroupClose = '>';
constexpr char kNotADigit = static_cast<char>(0xFF);

// Character i of s, or NUL (not a digit) past its end.
char CharAt(const std::string& s, std::size_t i)
{
    return i < s.size() ? s[i] : '\0';
}

}  // namespace

// Value 0 to 15 of one hexadecimal digit, FF for any other character.
char OrvESCP::Char2Num(char c)
{
    if (c >= '0' && c <= '9') {
        return static_cast<char>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<char>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<char>(c - 'a' + 10);
    }
    return kNotADigit;
}

// One byte from the first two characters: high nibble, then low nibble;
// a non-digit counts as FF.
unsigned char OrvESCP::HexToNum(const std::string& s)
{
    const int high = Char2Num(CharAt(s, 0)) & 0x0F;
    const int low = Char2Num(CharAt(s, 1));
    return static_cast<unsigned char>(high * 16 + low);
}

// Converts command sequence text into the bytes it stands for.
void OrvESCP::SequenceToByte(const std::string& text, std::vector<unsigned char>& out)
{
    out.clear();
    const std::size_t size = text.size();
    std::size_t pos = 0;
    while (pos < size) {
        if (text[pos] != kGroupOpen) {
            out.push_back(static_cast<unsigned char>(text[pos]));
            ++pos;
            continue;
        }
        ++pos;
        while (pos < size && text[pos] != kGroupClose) {
            const bool wholePair = pos + 1 < size && text[pos + 1] != kGroupClose;
            if (!wholePair) {
                // A lone digit before ">" or at the end of the text.
                ++pos;
                continue;
            }
            out.push_back(HexToNum(text.substr(pos, 2)));
            pos += 2;
        }
        if (pos < size) {
            ++pos;  // the closing ">"
        }
    }
}

// Appends the decimal digits of n as ASCII characters.
void OrvESCP::NumSpilit(unsigned long n, std::vector<unsigned char>& out)
{
    const std::string digits = std::to_string(n);
    out.insert(out.end(), digits.begin(), digits.end());
}

// Decimal text of n, or the empty string for a negative n.
std::string OrvESCP::Num2String(int n)
{
    return n < 0 ? std::string() : std::to_string(n);
}
