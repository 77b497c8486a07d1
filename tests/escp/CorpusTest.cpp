// SPDX-License-Identifier: Apache-2.0
// Byte identity of the encoder on a recorded corpus: the sample documents
// rasterised at every resolution of the three PPDs, one-bit and eight-bit
// grey (corpus/*.ras.xz, made by corpus/make-rasters.sh). Every page is
// encoded for every head that prints its resolution, grey pages with every
// halftone pattern, and the page body must match the length and checksum
// recorded in corpus/bodies.txt; a few small bodies are kept whole
// (corpus/*.body.xz) so a difference can be located byte by byte.
//
// Recording (only with an encoder known to be right):
//   RIDEV_RECORD_CORPUS=1 escp_corpus_tests
// rewrites bodies.txt and the whole bodies in the source tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <cups/raster.h>

#include "page/OptionTable.h"
#include "printer/DotMatrixPrinter.h"
#include "tests/escp/ColumnPaths.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

const std::string kCorpusDir = RIDEV_CORPUS_DIR;
const std::string kBodiesFile = kCorpusDir + "/bodies.txt";

// The halftone patterns a grey page is encoded with, by name.
const char* const kPatterns[] = {"HT_PATSIZE_AUTO", "HT_PATSIZE_SUPERCELL_M", "HT_PATSIZE_6x6_M",
                                 "HT_PATSIZE_8x8_M"};

// Pages whose whole body is kept (small ones: 9 pins at 80 x 72 dpi).
bool KeepsWholeBody(const std::string& key)
{
    return key == "sample-80x72-k1.ras.xz/1/9/-" ||
           key == "grey-80x72-sw8.ras.xz/1/9/HT_PATSIZE_8x8_M";
}

// 64-bit FNV-1a checksum of a byte vector.
std::uint64_t Checksum(const Bytes& bytes)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char b : bytes) {
        hash = (hash ^ b) * 1099511628211ULL;
    }
    return hash;
}

// Output of a shell command (run through popen), or an empty vector.
Bytes CommandOutput(const std::string& command)
{
    Bytes out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    unsigned char buffer[65536];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.insert(out.end(), buffer, buffer + got);
    }
    pclose(pipe);
    return out;
}

// The decompressed content of an .xz file.
Bytes Unxz(const std::string& path)
{
    return CommandOutput("xz -dc '" + path + "'");
}

// Compresses bytes into an .xz file; false when it cannot.
bool WriteXz(const std::string& path, const Bytes& bytes)
{
    FILE* pipe = popen(("xz -9 -c > '" + path + "'").c_str(), "w");
    if (pipe == nullptr) {
        return false;
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), pipe) == bytes.size();
    return pclose(pipe) == 0 && written;
}

// A raster stream held in memory, read by libcups through a callback.
struct MemoryStream {
    const Bytes* bytes;
    std::size_t position;
};

// libcups read callback over a MemoryStream.
ssize_t ReadMemory(void* context, unsigned char* buffer, size_t length)
{
    MemoryStream& stream = *static_cast<MemoryStream*>(context);
    const std::size_t left = stream.bytes->size() - stream.position;
    const std::size_t n = length < left ? length : left;
    std::memcpy(buffer, stream.bytes->data() + stream.position, n);
    stream.position += n;
    return static_cast<ssize_t>(n);
}

// One page of a raster file.
struct CorpusPage {
    cups_page_header2_t header;
    Bytes pixels;
};

// Every page of a raster stream.
std::vector<CorpusPage> ReadPages(const Bytes& stream)
{
    std::vector<CorpusPage> pages;
    MemoryStream memory{&stream, 0};
    cups_raster_t* raster = cupsRasterOpenIO(ReadMemory, &memory, CUPS_RASTER_READ);
    if (raster == nullptr) {
        return pages;
    }
    CorpusPage page;
    while (cupsRasterReadHeader2(raster, &page.header)) {
        page.pixels.assign(
            static_cast<std::size_t>(page.header.cupsBytesPerLine) * page.header.cupsHeight, 0);
        if (cupsRasterReadPixels(raster, page.pixels.data(),
                                 static_cast<unsigned>(page.pixels.size())) == 0) {
            break;
        }
        pages.push_back(page);
    }
    cupsRasterClose(raster);
    return pages;
}

// The heads of the option table that print at a horizontal resolution.
std::vector<int> HeadsFor(unsigned dpiX)
{
    std::vector<int> heads;
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const options::HeadSpec& head = options::AllHeads()[h];
        for (std::size_t r = 0; r < head.numResolutions; ++r) {
            if (head.resolutions[r].x == static_cast<int>(dpiX)) {
                heads.push_back(head.pins);
                break;
            }
        }
    }
    return heads;
}

// The page body of one corpus page; pattern "-" for a one-bit page.
Bytes EncodeBody(const CorpusPage& page, int pins, const std::string& pattern)
{
    const cups_page_header2_t& h = page.header;
    DotMatrixPrinter printer(pins, static_cast<int>(h.HWResolution[0]),
                             static_cast<int>(h.HWResolution[1]));
    if (pattern == "-") {
        printer.SetPage(page.pixels.data(), h.cupsBytesPerLine, h.cupsWidth, h.cupsHeight);
    } else {
        printer.SetPage(page.pixels.data(), h.cupsBytesPerLine, h.cupsWidth, h.cupsHeight, pattern);
    }
    Bytes body;
    printer.Page(body);
    return body;
}

// What is recorded of one body.
struct Recorded {
    std::size_t length;
    std::uint64_t checksum;
};

// Reads bodies.txt: "key length checksum" per line.
std::map<std::string, Recorded> ReadRecorded()
{
    std::map<std::string, Recorded> recorded;
    std::ifstream in(kBodiesFile);
    std::string key;
    std::size_t length;
    std::string checksum;
    while (in >> key >> length >> checksum) {
        recorded[key] = {length, std::stoull(checksum, nullptr, 16)};
    }
    return recorded;
}

// File name of a whole recorded body.
std::string WholeBodyPath(const std::string& key)
{
    std::string name = key;
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return kCorpusDir + "/" + name + ".body.xz";
}

// Every body of the corpus, by key "file/page/pins/pattern".
std::map<std::string, Bytes> EncodeCorpus()
{
    std::map<std::string, Bytes> bodies;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kCorpusDir)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 7 && name.compare(name.size() - 7, 7, ".ras.xz") == 0) {
            files.push_back(entry.path());
        }
    }
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        const bool grey = name.find("-sw8.") != std::string::npos;
        const std::vector<CorpusPage> pages = ReadPages(Unxz(file.string()));
        EXPECT_FALSE(pages.empty()) << name;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            for (int pins : HeadsFor(pages[p].header.HWResolution[0])) {
                std::vector<std::string> patterns;
                if (grey) {
                    patterns.assign(std::begin(kPatterns), std::end(kPatterns));
                } else {
                    patterns.push_back("-");
                }
                for (const std::string& pattern : patterns) {
                    const std::string key = name + "/" + std::to_string(p + 1) + "/" +
                                            std::to_string(pins) + "/" + pattern;
                    bodies[key] = EncodeBody(pages[p], pins, pattern);
                }
            }
        }
    }
    return bodies;
}

// Writes bodies.txt and the whole bodies.
void Record(const std::map<std::string, Bytes>& bodies)
{
    std::ofstream out(kBodiesFile);
    for (const auto& [key, body] : bodies) {
        char checksum[17];
        std::snprintf(checksum, sizeof checksum, "%016llx",
                      static_cast<unsigned long long>(Checksum(body)));
        out << key << ' ' << body.size() << ' ' << checksum << '\n';
        if (KeepsWholeBody(key)) {
            EXPECT_TRUE(WriteXz(WholeBodyPath(key), body)) << key;
        }
    }
}

// Index of the first differing byte, for the failure message.
std::size_t FirstDifference(const Bytes& a, const Bytes& b)
{
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// Runs under each column-byte path of the encoder.
class Corpus : public escptest::ColumnPathTest {};

TEST_P(Corpus, EveryPageBodyIsTheRecordedOne)
{
    const std::map<std::string, Bytes> bodies = EncodeCorpus();
    ASSERT_GE(bodies.size(), 150u) << "corpus rasters missing in " << kCorpusDir;
    if (std::getenv("RIDEV_RECORD_CORPUS") != nullptr) {
        Record(bodies);
        GTEST_SKIP() << "recorded " << bodies.size() << " page bodies into " << kBodiesFile;
    }

    const std::map<std::string, Recorded> recorded = ReadRecorded();
    ASSERT_EQ(recorded.size(), bodies.size()) << "bodies.txt does not match the corpus";
    int wholeBodies = 0;
    for (const auto& [key, body] : bodies) {
        const auto found = recorded.find(key);
        ASSERT_NE(found, recorded.end()) << key << " is not recorded";
        EXPECT_EQ(body.size(), found->second.length) << key;
        EXPECT_EQ(Checksum(body), found->second.checksum) << key;
        if (KeepsWholeBody(key)) {
            ++wholeBodies;
            const Bytes whole = Unxz(WholeBodyPath(key));
            EXPECT_EQ(body.size(), whole.size()) << key;
            EXPECT_TRUE(body == whole)
                << key << ": first difference at byte " << FirstDifference(body, whole);
        }
    }
    EXPECT_EQ(wholeBodies, 2);
}

INSTANTIATE_TEST_SUITE_P(Paths, Corpus, escptest::AllColumnPaths(), escptest::ColumnPathName);

}  // namespace
