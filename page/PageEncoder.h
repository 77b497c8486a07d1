// SPDX-License-Identifier: Apache-2.0
// PageEncoder: one raster page, given its header, its pixels and the job's
// settings, turned into the bytes the printer receives for it (document
// start, page start, page body, page end, document end). Every front end
// that prints pages (the CUPS filter and the printer application) goes
// through this class, so a page prints the same whichever way it came.
#ifndef RIDEVEDUDARUZO_PAGE_PAGEENCODER_H
#define RIDEVEDUDARUZO_PAGE_PAGEENCODER_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <cups/raster.h>

#include "escp/BodyBytes.h"
#include "page/MediaOptions.h"
#include "page/PageFormat.h"
#include "page/PageMemory.h"

class DotMatrixPrinter;

// What every page of the job is printed with.
struct JobSettings {
    int pinType;         // the PPD model number: 9, 18 or 24 pins
    MediaOptions media;  // halftone, paper, direction, drawer, black mark, cutter
};

class PageEncoder {
public:
    // Checks the header against the job's print head; builds the page's
    // printer object when the page can be printed. Keeps its own copies of
    // the header and the settings. The page's dot bitmap and body live in
    // `memory` when it is given (it must outlive the encoder), so that a
    // job's pages reuse them; else in memory of the encoder's own.
    PageEncoder(const cups_page_header2_t& header, const JobSettings& job,
                PageMemory* memory = nullptr);
    ~PageEncoder();
    PageEncoder(const PageEncoder&) = delete;
    PageEncoder& operator=(const PageEncoder&) = delete;

    // Why the page cannot be printed (e.g. "600x600 dpi is not a resolution
    // of the 9-pin print head"), or an empty string when it can.
    const std::string& Problem() const { return problem; }

    // The format of the page's pixels, from its header.
    PageFormat Format() const { return format; }

    // A piece of the page's bytes, read where it lies.
    struct Piece {
        Piece(const std::vector<unsigned char>& bytes)
            : data(bytes.data()),
              size(bytes.size())
        {
        }
        Piece(const BodyBytes& bytes)
            : data(bytes.data()),
              size(bytes.size())
        {
        }
        const unsigned char* data;
        std::size_t size;
    };

    // Receives a part of the page body while the page is converted; false
    // stops the conversion.
    using BodyDrain = std::function<bool(Piece part)>;
    // Size from which the body being built is handed out as a part.
    static constexpr std::size_t kBodyPartBytes = std::size_t{1} << 20;

    // Converts the page's pixels (header.cupsBytesPerLine x cupsHeight
    // bytes, changed in place) into the page's five pieces. With a drain,
    // the body goes to it in parts of at least kBodyPartBytes (whole bands)
    // as it is made, and the body piece keeps only the rest; the page's
    // start pieces are ready before the first part. False when memory runs
    // out, the drain stopped it, or the page has a problem.
    bool Encode(unsigned char* pixels, const BodyDrain& drain = nullptr);

    // The page's bytes after Encode, as its pieces in the order they are
    // sent: document start, page start, page body, page end, document end.
    // The page body is the printer object's own (not copied); all stay
    // valid while the encoder lives.
    std::vector<Piece> Pieces() const;

    // The page as one page of a document of several: the pieces up to the
    // page end, whose document start carries the commands of the
    // document's start (cash-drawer pulse before it) only when the page is
    // the document's first; and the document end that closes the page,
    // with the commands of the document's end (pulse, cut after it) only
    // when the page is its last. Valid after Encode, while the encoder
    // lives.
    std::vector<Piece> OpeningPieces(bool firstOfDocument) const;
    // OpeningPieces in two: the document start and page start, then the
    // page body and page end.
    std::vector<Piece> StartPieces(bool firstOfDocument) const;
    std::vector<Piece> BodyAndPageEnd() const;
    const std::vector<unsigned char>& ClosingPiece(bool lastOfDocument) const;

private:
    // Fills innerDocStart and innerDocEnd.
    void BuildInnerDocumentFraming();

    const cups_page_header2_t header;
    const JobSettings job;
    PageFormat format;
    std::string problem;
    std::unique_ptr<PageMemory> ownMemory;
    PageMemory& memory;
    std::unique_ptr<DotMatrixPrinter> printer;
    bool bodyLent = false;  // the printer's body is memory's, until the end
    std::vector<unsigned char> docStart, pageStart, pageEnd, docEnd;
    // The document framing of a page inside a document: without the
    // document's start and end commands.
    std::vector<unsigned char> innerDocStart, innerDocEnd;
};

#endif
