// SPDX-License-Identifier: Apache-2.0
// TextDocument: plain text as monospaced PostScript pages.
#include "printerapp/TextDocument.h"

#include <algorithm>
#include <cstdio>

namespace {

// Courier's characters are 0.6 of the type size wide.
constexpr double kCharWidthPerSize = 0.6;
// 12-point type: ten characters per inch; lines 12 points apart: six per
// inch.
constexpr double kTypeSize = 12.0;
// The fewest characters a line holds before the type shrinks.
constexpr int kMinColumns = 40;
constexpr int kTabWidth = 8;

// The number of continuation bytes after a UTF-8 lead byte; -1 for a byte
// that cannot start a character.
int ContinuationBytes(unsigned char lead)
{
    if (lead < 0x80)
        return 0;
    if ((lead & 0xE0) == 0xC0)
        return 1;
    if ((lead & 0xF0) == 0xE0)
        return 2;
    if ((lead & 0xF8) == 0xF0)
        return 3;
    return -1;
}

// True when `text` is valid UTF-8.
bool IsUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const int more = ContinuationBytes(static_cast<unsigned char>(text[i]));
        if (more < 0 || i + static_cast<std::size_t>(more) >= text.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80)
                return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

// The text in Latin-1: UTF-8 characters beyond it become "?".
std::string ToLatin1(const std::string& text)
{
    if (!IsUtf8(text))
        return text;
    std::string latin1;
    latin1.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
            ++i;
        } else if ((c >> 5) == 0x6) {
            const unsigned code =
                ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            latin1 += code <= 0xFF ? static_cast<char>(code) : '?';
            i += 2;
        } else {
            latin1 += '?';
            i += static_cast<std::size_t>(ContinuationBytes(c)) + 1;
        }
    }
    return latin1;
}

// A PostScript string literal of a line.
std::string Literal(const std::string& line)
{
    std::string literal = "(";
    for (const char ch : line) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '(' || c == ')' || c == '\\') {
            literal += '\\';
            literal += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            literal += octal;
        } else {
            literal += ch;
        }
    }
    return literal + ")";
}

}  // namespace

// Fits the type to the printable width, then lays the text out.
TextDocument::TextDocument(const std::string& text, const PageArea& pageArea)
    : area(pageArea)
{
    const double printableWidth = std::max(1.0, area.width - area.left - area.right);
    const double printableLength = std::max(1.0, area.length - area.top - area.bottom);
    fontSize = std::min(kTypeSize, printableWidth / (kMinColumns * kCharWidthPerSize));
    columns = std::max(1, static_cast<int>(printableWidth / (fontSize * kCharWidthPerSize) + 1e-9));
    linesPerPage = std::max(1, static_cast<int>(printableLength / fontSize + 1e-9));
    LayOut(ToLatin1(text));
}

// A line ends at LF (CR LF counts as one end); a form feed ends the page.
void TextDocument::LayOut(const std::string& text)
{
    pages.emplace_back();
    std::string line;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            AddLine(line);
            line.clear();
        } else if (c == '\f') {
            if (!line.empty())
                AddLine(line);
            line.clear();
            pages.emplace_back();
        } else if (c == '\t') {
            line.append(
                static_cast<std::size_t>(kTabWidth - static_cast<int>(line.size() % kTabWidth)),
                ' ');
        } else if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) {
            line += ch;
        }
    }
    if (!line.empty())
        AddLine(line);
    // A form feed at the very end does not make an empty page.
    if (pages.size() > 1 && pages.back().empty())
        pages.pop_back();
}

void TextDocument::AddLine(const std::string& line)
{
    std::size_t start = 0;
    do {
        if (static_cast<int>(pages.back().size()) >= linesPerPage)
            pages.emplace_back();
        pages.back().push_back(line.substr(start, static_cast<std::size_t>(columns)));
        start += static_cast<std::size_t>(columns);
    } while (start < line.size());
}

// One page per page of text; the font is Courier in Latin-1.
std::string TextDocument::PostScript() const
{
    char number[64];
    std::string ps = "%!PS-Adobe-3.0\n";
    std::snprintf(number, sizeof number, "%%%%Pages: %zu\n", pages.size());
    ps += number;
    ps += "%%EndComments\n"
          "/Courier findfont dup length dict begin\n"
          "  { 1 index /FID ne { def } { pop pop } ifelse } forall\n"
          "  /Encoding ISOLatin1Encoding def\n"
          "  currentdict\n"
          "end /CourierLatin1 exch definefont pop\n";
    std::snprintf(number, sizeof number, "/Size %.4f def\n", fontSize);
    ps += number;
    std::snprintf(number, sizeof number, "/Left %.4f def\n", area.left);
    ps += number;
    std::snprintf(number, sizeof number, "/Top %.4f def\n", area.length - area.top);
    ps += number;
    // (line) n L: shows a line on the page's line n, from 0 at the top.
    ps += "/L { Size mul Top exch sub Size 0.8 mul sub Left exch moveto show } def\n";
    int pageNumber = 0;
    for (const std::vector<std::string>& page : pages) {
        ++pageNumber;
        std::snprintf(number, sizeof number, "%%%%Page: %d %d\n", pageNumber, pageNumber);
        ps += number;
        ps += "/CourierLatin1 findfont Size scalefont setfont\n";
        for (std::size_t i = 0; i < page.size(); ++i) {
            if (page[i].find_first_not_of(' ') == std::string::npos)
                continue;
            ps += Literal(page[i]) + " " + std::to_string(i) + " L\n";
        }
        ps += "showpage\n";
    }
    ps += "%%EOF\n";
    return ps;
}
