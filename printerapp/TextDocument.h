// SPDX-License-Identifier: Apache-2.0
// TextDocument: plain text laid out as monospaced pages, written as a
// PostScript program that the printer application renders like any other
// PostScript document. Courier, ten characters per inch, six lines per
// inch; on paper too narrow for 40 such characters (the receipt rolls) the
// type shrinks until 40 fit. Long lines wrap, a tab goes to the next
// multiple of eight columns, a form feed starts a new page; the text is
// read as UTF-8 (or Latin-1 when it is not valid UTF-8) and printed in
// Latin-1, other characters as "?"; other control characters are left out.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_TEXTDOCUMENT_H
#define RIDEVEDUDARUZO_PRINTERAPP_TEXTDOCUMENT_H

#include <string>
#include <vector>

class TextDocument {
public:
    // The printable area of a page, in PostScript points.
    struct PageArea {
        double width, length;             // the whole sheet
        double left, right, top, bottom;  // margins
    };

    // Lays the text out on pages of this area.
    TextDocument(const std::string& text, const PageArea& area);

    // Characters per line and lines per page.
    int Columns() const { return columns; }
    int LinesPerPage() const { return linesPerPage; }
    // The pages, each a list of lines in Latin-1.
    const std::vector<std::vector<std::string>>& Pages() const { return pages; }

    // The PostScript program that prints the pages.
    std::string PostScript() const;

private:
    // Splits the text into lines and pages.
    void LayOut(const std::string& text);
    // Adds a line, wrapped at `columns`, to the pages.
    void AddLine(const std::string& line);

    PageArea area;
    double fontSize = 0;
    int columns = 0;
    int linesPerPage = 0;
    std::vector<std::vector<std::string>> pages;
};

#endif
