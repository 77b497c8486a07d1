// SPDX-License-Identifier: Apache-2.0
// DotMatrixPrinter: one printed page's worth of printer state. Owns the
// ESC/P encoder for the page body and the ordered command tables from which
// the document-start, page-start, page-end and document-end pieces are built.
#ifndef RIDEVEDUDARUZO_PRINTER_DOTMATRIXPRINTER_H
#define RIDEVEDUDARUZO_PRINTER_DOTMATRIXPRINTER_H

#include <map>
#include <string>
#include <vector>

#include "escp/OrvESCP.h"

class DotMatrixPrinter {
public:
    DotMatrixPrinter(int pinType, int dpiX, int dpiY);

    // Default framing commands, written into the tables by the constructor.
    virtual void StartJobCmd();
    virtual void StartDocCmd();
    virtual void StartPageCmd();
    virtual void EndPageCmd();
    virtual void EndDocCmd();
    virtual void EndJobCmd();
    // Adds an extra form feed before the page-end form feed.
    virtual void SetEjectPage();
    // Virtual, as subclasses replace the commands above; declared after them
    // so that those keep the first places of the virtual table.
    virtual ~DotMatrixPrinter();

    // True when the encoder has a complete pin profile for this head and
    // resolution, so SetPage can produce a page body.
    bool CanEncode() const;

    // One-bit page entry: converts the bitmap into the page body.
    void SetPage(const unsigned char* bitmap, unsigned long bytesPerLine, unsigned long width,
                 unsigned long height);
    // Grey page entry: dithers an 8-bit luminance page with the named
    // halftone pattern, then converts it like a one-bit page.
    void SetPage(const unsigned char* gray, unsigned long bytesPerLine, unsigned long width,
                 unsigned long height, const std::string& pattern);
    // Grey page entry that dithers into the caller's memory: `dots` holds
    // at least (width + 7) / 8 * height bytes, of any contents.
    void SetPage(const unsigned char* gray, unsigned long bytesPerLine, unsigned long width,
                 unsigned long height, const std::string& pattern, unsigned char* dots);
    // Hands the page body out in parts of at least partBytes bytes while
    // SetPage builds it (see OrvESCP::SetBodyDrain); PageBody then holds
    // only the rest. An empty drain keeps the whole body.
    void SetBodyDrain(OrvESCP::BodyDrain drain, std::size_t partBytes);
    // Exchanges the page body's storage with `storage`, so that a caller can
    // lend the encoder memory kept from an earlier page and take it back.
    void SwapPageBody(BodyBytes& storage);

    // The five pieces of a page; each replaces the contents of `out`.
    void StartDoc(std::vector<unsigned char>& out);
    void StartPage(std::vector<unsigned char>& out);
    void Page(std::vector<unsigned char>& out);
    // The page body itself, without a copy (valid while the object lives
    // and until the next SetPage).
    const BodyBytes& PageBody();
    void EndPage(std::vector<unsigned char>& out);
    void EndDoc(std::vector<unsigned char>& out);

    // Media and finishing settings.
    void SetPaperType(const std::string& type);
    void SetPrintMode(const std::string& mode);
    void SetCashMode(const std::string& mode);
    void SetBlackMarkMode(const std::string& mode);
    void SetCutterMode(const std::string& mode, const std::string& cut);
    void SetUniDirection(bool on);

private:
    using CommandTable = std::map<int, std::string>;

    OrvESCP encoder;
    CommandTable startJob;
    CommandTable endJob;
    CommandTable startDoc;
    CommandTable endDoc;
    CommandTable startPage;
    CommandTable endPage;
};

#endif
