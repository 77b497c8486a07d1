// SPDX-License-Identifier: Apache-2.0
// Plain text laid out as monospaced pages (characters per line on sheets
// and receipt rolls, wrapping, tabs, form feeds, characters beyond
// Latin-1), the PostScript that prints them, and what a document sent
// without a format is taken for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printerapp/Drivers.h"
#include "printerapp/TextDocument.h"
#include "printerapp/TextFilter.h"

namespace {

using Pages = std::vector<std::vector<std::string>>;

// US Letter with quarter-inch sides and half-inch top and bottom: 8 x 10
// inches of type.
const TextDocument::PageArea kLetter{612, 792, 18, 18, 36, 36};
// The 76 mm roll's 11-inch page with quarter-inch sides: 2.5 inches across.
const TextDocument::PageArea kRoll{216, 792, 18, 18, 9, 9};
// Two lines to a page.
const TextDocument::PageArea kTwoLines{612, 24 + 18, 18, 18, 9, 9};

TEST(TextDocument, TenCharactersPerInchOrFortyToALine)
{
    const TextDocument letter("x", kLetter);
    EXPECT_EQ(letter.Columns(), 80);
    EXPECT_EQ(letter.LinesPerPage(), 60);
    const TextDocument roll("x", kRoll);
    EXPECT_EQ(roll.Columns(), 40);
    EXPECT_GE(roll.LinesPerPage(), 60 * 16 / 10);
}

struct LayoutCase {
    const char* name;
    std::string text;
    Pages pages;
};

TEST(TextDocument, LaysOutLinesAndPages)
{
    const std::string longLine(45, 'a');
    const LayoutCase cases[] = {
        {"empty", "", {{}}},
        {"lines, CR LF as one end", "one\r\ntwo\n", {{"one", "two"}}},
        {"no line end at the end", "one\ntwo", {{"one", "two"}}},
        {"blank lines kept", "a\n\nb\n", {{"a", ""}, {"b"}}},
        {"a full page goes on", "1\n2\n3\n", {{"1", "2"}, {"3"}}},
        {"form feed", "a\fb\n", {{"a"}, {"b"}}},
        {"form feed at the end: no empty page", "a\n\f", {{"a"}}},
        {"tabs to multiples of eight", "a\tb\t\tc\n", {{"a       b               c"}}},
        {"control characters left out",
         "a\x01\x1b"
         "b\x7f\n",
         {{"ab"}}},
        {"UTF-8 into Latin-1", "caf\xc3\xa9 \xe2\x82\xac\n", {{"caf\xe9 ?"}}},
        {"Latin-1 kept", "caf\xe9\n", {{"caf\xe9"}}},
    };
    for (const LayoutCase& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(TextDocument(test.text, kTwoLines).Pages(), test.pages);
    }
    // Wrapped at the 40 columns of the roll.
    const TextDocument wrapped(longLine + "\n", kRoll);
    EXPECT_EQ(wrapped.Pages(), (Pages{{std::string(40, 'a'), std::string(5, 'a')}}));
}

TEST(TextDocument, PostScriptShowsEachLineEscaped)
{
    const std::string ps = TextDocument("(a) \\ b\n\nc\xe9\fd\n", kLetter).PostScript();
    EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0\n", 0), 0u);
    EXPECT_NE(ps.find("%%Pages: 2\n"), std::string::npos);
    EXPECT_NE(ps.find("(\\(a\\) \\\\ b) 0 L\n"), std::string::npos);
    EXPECT_NE(ps.find("(c\\351) 2 L\n"), std::string::npos);
    EXPECT_NE(ps.find("(d) 0 L\n"), std::string::npos);
    EXPECT_EQ(ps.find(" 1 L\n"), std::string::npos) << "a blank line shows nothing";
    EXPECT_NE(ps.find("/Encoding ISOLatin1Encoding def"), std::string::npos);
}

TEST(TextFilter, TellsEscpDataAndTextFromOtherDocuments)
{
    struct Case {
        const char* name;
        std::string header;
        const char* format;  // nullptr: unknown, refused
    };
    const Case cases[] = {
        {"ESC/P", "\x1b@Receipt\r\n\f", kEscpFormat},
        {"text", "Total 12.50\r\n\tThank you\f", "text/plain"},
        {"UTF-8 text",
         "Gr\xc3\xbc\xc3\x9f"
         "e\n",
         "text/plain"},
        {"binary", std::string("ab\0cd", 5), nullptr},
        {"escape inside", "abc\x1b", nullptr},
        {"nothing", "", nullptr},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const char* format =
            TextFilter::Detect(reinterpret_cast<const unsigned char*>(test.header.data()),
                               test.header.size(), nullptr);
        if (test.format == nullptr)
            EXPECT_EQ(format, nullptr);
        else
            EXPECT_STREQ(format, test.format);
    }
}

}  // namespace
