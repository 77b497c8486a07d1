// SPDX-License-Identifier: Apache-2.0
// OrvESCP: converts one-bit page bitmaps into ESC/P bit-image streams for
// 9-, 18- and 24-pin dot-matrix heads, and holds the small conversions used
// for stored command texts ("<1B>@" notation) and for dithering grey pages.
#ifndef RIDEVEDUDARUZO_ESCP_ORVESCP_H
#define RIDEVEDUDARUZO_ESCP_ORVESCP_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "escp/BodyBytes.h"

class BandColumns;

class OrvESCP {
public:
    // Halftone pattern used by Gray2DotMatrix. The underlying type is fixed
    // so that an out-of-range value can be passed and rejected safely.
    enum Halfton : int {
        HalftonAuto = 0,       // 6 x 6 matrix
        HalftonSupercell = 1,  // 16 x 16 supercell matrix
        Halfton6x6 = 2,        // 6 x 6 matrix
        Halfton8x8 = 3,        // 8 x 8 matrix
    };

    // Builds the encoder and derives its pin profile from the head's pin
    // count and the page resolution.
    //
    // Values of fields that no profile rule sets: a pin type other than 9,
    // 18 and 24 leaves linesPerRow 0, verticalUnit 0 and bitmapM -1; a 9-pin
    // head at a resolution pair without a density mode keeps its
    // linesPerRow and verticalUnit and leaves bitmapM -1. Such an encoder
    // has no complete profile and refuses to encode (see HasProfile).
    OrvESCP(int pins, int horizontalDpi, int verticalDpi);
    ~OrvESCP();

    // Pin profile rules (called by the constructor).
    void InitPin24();
    void InitPin18();
    void InitPin9();

    // True when the pin type and resolution give a complete profile, so a
    // page can be encoded and prints at its own size: bitmapM is set (not
    // negative), linesPerRow is a non-zero multiple of 8, one pass of a band
    // (linesPerRow rows, or half of them in double pass) fills exactly one
    // column of the density mode (8, 24 or 72 dots), the mode prints dpiX
    // columns per inch, its pins (doubled by interleaved passes) cover dpiY
    // rows per inch, and a feed of any number of rows is a whole number of
    // steps. So exactly these pairs are accepted: 24 pins 360 x 360,
    // 360 x 180, 180 x 180, 120 x 180; 18 pins the same, 180 x 180 in
    // 72-row bands; 9 pins 160 x 144, 160 x 72, 80 x 72. The band encoders
    // and the page scan return -1 without encoding when it is false.
    bool HasProfile() const;

    // The ESC/P bytes of the current page body.
    BodyBytes& PrinterData();
    unsigned char* PrinterDataByte();

    int DpiX() const;
    void SetDpiX(int dpiX);
    int DpiY() const;
    void SetDpiY(int dpiY);
    int VerticalUnit() const;
    void SetVerticalUnit(int verticalUnit);
    std::uint8_t LinesPerRow() const;
    void SetLinesPerRow(std::uint8_t linesPerRow);

    // Receives parts of a page body during a page scan; false stops the
    // scan.
    using BodyDrain = std::function<bool(const BodyBytes& part)>;
    // From the next page scan on, whenever printerData holds at least
    // partBytes bytes at the end of a band, they are given to `drain` and
    // removed, so that a large page is never held whole; printerData then
    // ends the scan with the rest. An empty drain keeps the whole body.
    void SetBodyDrain(BodyDrain drain, std::size_t partBytes);

    // Page scan: converts a whole one-bit page into printerData.
    // Returns 1 after a scan, 0 when the body drain stopped it, -1 for a
    // null bitmap (printerData untouched) or an encoder without a complete
    // profile (printerData left empty). A band that reaches past the last
    // row is printed with the missing rows taken as blank; nothing beyond
    // the page buffer is read. A width above 8 * bytesPerLine is taken as
    // 8 * bytesPerLine.
    int DotMatrix2Page(const unsigned char* bitmap, std::uint64_t bytesPerLine, std::uint64_t width,
                       std::uint64_t height);

    // Encodes one band starting at bandTop, by single or double pass. The
    // double pass is used at 360 x 360 and 160 x 144 dpi when linesPerRow is
    // a multiple of 16; any other band is encoded by the single pass.
    void OneLineToBytes(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                        std::uint64_t width);

    // Vertical moves: CR plus a feed of `rows` raster rows; CR plus ESC ( v;
    // ESC ( U unit selection.
    void AddVertical(int rows);
    void AddVerticalEx(int units);
    void AddSetUnitCmd(std::uint8_t unit);

    // Single pass: raster form (one band) and column-data form (print
    // prepared column data as bit-image segments and skips).
    int OneLineToBytesSingle(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                             std::uint64_t width);
    void OneLineToBytesSingle(const unsigned char* columnData, const std::vector<int>& whiteArea,
                              int colBytes, int len);

    // Feeds one column into the blank-run tracking; returns col for an inked
    // column and 0 for a blank one.
    int CalcWhiteArea(bool blank, int col, int width, int& start, int& end,
                      std::vector<int>& whiteArea);

    // ESC $ absolute horizontal position: 1/60 inch on 18- and 24-pin
    // printers, 1/80 inch on the 9-pin receipt and slip printers.
    void AddHorizontal(std::uint64_t position);
    // One ESC * bit-image command of `columns` columns of colBytes bytes.
    void AddGraphic(const unsigned char* data, std::uint64_t columns, std::uint64_t colBytes);

    // Double pass: even band rows, a one-row feed, then the odd band rows.
    // A linesPerRow that is not a multiple of 16 is encoded by the single
    // pass instead.
    int OneLineToBytesDouble(const unsigned char* bandTop, std::uint64_t bytesPerLine,
                             std::uint64_t width);

    // Command sequence text conversions. SequenceToByte never reads beyond
    // the text: a group left open at the end of the text ends there, and a
    // single digit left over before ">" or at the end of the text is
    // dropped. NumSpilit writes the full decimal value of n.
    static char Char2Num(char c);
    static unsigned char HexToNum(const std::string& s);
    static void SequenceToByte(const std::string& text, std::vector<unsigned char>& out);
    static void NumSpilit(unsigned long n, std::vector<unsigned char>& out);
    static std::string Num2String(int n);

    // Ordered dithering of an 8-bit luminance page (0 black, 255 white)
    // into a one-bit page; out must hold bytesPerLine * height zero bytes.
    // Returns 1, or -1 (nothing written) for a null page, an empty output,
    // an unknown pattern, a negative size, a width above bytesPerLine or an
    // output smaller than bytesPerLine * height.
    static int Gray2DotMatrix(const unsigned char* gray, int bytesPerLine, int width, int height,
                              std::vector<unsigned char>& out, Halfton pattern);
    // The same dithering into a bitmap with rows of its own length: row i
    // goes to out + i * outBytesPerLine, of any contents before; its
    // (width + 7) / 8 bytes of dots (padding bits zero) are followed by
    // zeros up to outBytesPerLine. Returns 1, or -1 (nothing written) for a
    // null page or output, an unknown pattern, a width above
    // greyBytesPerLine or a row longer than outBytesPerLine.
    static int DitherPage(const unsigned char* grey, std::uint64_t greyBytesPerLine,
                          std::uint64_t width, std::uint64_t height, unsigned char* out,
                          std::uint64_t outBytesPerLine, Halfton pattern);

private:
    // Finds the white areas of a band from its ink mask; returns the last
    // inked column.
    int FindWhiteAreas(const BandColumns& band, std::uint64_t width,
                       std::vector<int>& whiteArea) const;
    // FindWhiteAreas for a dpiX of 64 or more, a word of the ink mask at a
    // time.
    int FindWideWhiteAreas(const BandColumns& band, std::uint64_t width,
                           std::vector<int>& whiteArea) const;
    // Records a blank run as a white area when it is more than dpiX wide.
    void RecordWhiteArea(std::int64_t start, std::int64_t end, std::vector<int>& whiteArea) const;
    // Encodes one band in `passes` (1 or 2) interleaved passes.
    void EncodeBand(const unsigned char* bandTop, std::uint64_t bytesPerLine, std::uint64_t width,
                    int passes);
    // Walks the white areas: addImage(first, columns) for each image, ESC $
    // skips between them.
    template <typename AddImage>
    void PrintSegments(const std::vector<int>& whiteArea, int len, AddImage addImage);
    // ESC * m nL nH of an image of `columns` columns; false for none.
    bool AddImageHeader(std::uint64_t columns);
    // Prints one pass of a band: images and skips over the white areas.
    void PrintPass(const BandColumns& band, int pass, const std::vector<int>& whiteArea, int len);
    // One ESC * bit image of `columns` columns of a pass from column `first`.
    void AddBandImage(const BandColumns& band, int pass, int first, std::uint64_t columns);
    // True when bands are printed in two interleaved passes.
    bool UsesDoublePass() const;
    // Columns per unit of the ESC $ position (dpiX / 60).
    int GridStep() const;
    // Encodes a band of which only `rows` rows lie inside the page.
    void EncodeLastBand(const unsigned char* bandTop, std::uint64_t rows,
                        std::uint64_t bytesPerLine, std::uint64_t width);
    // Appends a two-byte little-endian parameter.
    void AppendWord(std::uint64_t value);

    int pinType;
    int verticalUnit;
    BodyBytes printerData;
    int dpiX;
    int dpiY;
    std::uint8_t linesPerRow;
    int bitmapM;
    // Working storage of the band encoder, kept from band to band: the
    // band's ink mask and its white areas.
    std::vector<std::uint64_t> bandInk;
    std::vector<int> bandWhiteAreas;
    // Where parts of a large page body go, and from what size.
    BodyDrain bodyDrain;
    std::size_t bodyPartBytes = 0;
};

#endif
