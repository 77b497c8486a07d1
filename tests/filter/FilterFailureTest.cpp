// SPDX-License-Identifier: Apache-2.0
// Pages the filter cannot print and jobs that stop early: short pixel data,
// unsafe page headers, resolutions without a pin profile, allocation
// failure, input that never comes and cancellation by SIGTERM. A refused page writes nothing, the
// pages before it stay written.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

// A 24-pin page at 180 x 180 dpi with ink on it.
RasterPage GoodPage(unsigned seed)
{
    RasterPage page = MakeBitmapPage(96, 80, 180, 180);
    FillPattern(page, seed);
    return page;
}

// The first `count` bytes of the page's pixels.
RasterPage Truncated(RasterPage page, std::size_t count)
{
    page.pixels.resize(count);
    return page;
}

// Checks a run that refused page 2 after printing page 1: status 1, page 1
// alone on standard output, one ERROR line naming page 2 and containing
// `reason`.
void ExpectPage2Refused(const FilterResult& r, const RasterPage& page1, const std::string& reason)
{
    EXPECT_EQ(r.exitStatus, 1) << r.Describe();
    EXPECT_EQ(r.out, ExpectedPageBytes(24, page1));
    const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
    ASSERT_EQ(errors.size(), 1u) << r.err;
    EXPECT_EQ(errors[0].rfind("ERROR: Page 2 ", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find(reason), std::string::npos) << errors[0];
    EXPECT_EQ(r.ErrLinesStartingWith("PAGE: ").size(), 2u) << r.err;
}

TEST(FilterFailure, ShortPixelDataStopsTheJobWithAnError)
{
    const RasterPage page1 = GoodPage(1);
    const RasterPage page2 = GoodPage(2);
    const std::size_t full = page2.PromisedBytes();
    const std::size_t cuts[] = {0, 1, full / 2, full - 1};
    for (RasterCompression compression : {RasterCompression::None, RasterCompression::Compressed}) {
        for (std::size_t cut : cuts) {
            SCOPED_TRACE(
                (compression == RasterCompression::None ? "uncompressed, " : "compressed, ") +
                std::to_string(cut) + " of " + std::to_string(full) + " bytes");
            const Bytes raster = WriteRaster({page1, Truncated(page2, cut)}, compression);
            ExpectPage2Refused(RunFilter(FilterJob(TestPpdPath(24), raster)), page1, "raster data");
        }
    }
}

TEST(FilterFailure, UnsafePageHeadersAreRefused)
{
    struct Case {
        const char* name;
        std::function<void(cups_page_header2_t&)> change;
        bool sendPixels;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"zero width", [](cups_page_header2_t& h) { h.cupsWidth = 0; }, true, "empty page"},
        {"width beyond the line",
         [](cups_page_header2_t& h) { h.cupsWidth = 8 * h.cupsBytesPerLine + 1; }, true,
         "does not fit"},
        {"larger than the page limit",
         [](cups_page_header2_t& h) {
             h.cupsWidth = 100000;
             h.cupsBytesPerLine = 12500;
             h.cupsHeight = 5400;  // 67.5 MB, just over 64 MiB
         },
         false, "limit"},
        {"size beyond 32 bits",
         [](cups_page_header2_t& h) {
             h.cupsWidth = 65536;
             h.cupsBytesPerLine = 8192;
             h.cupsHeight = 524289;  // 2^32 + 8192 bytes
         },
         false, "limit"},
        {"more columns than a bit image counts",
         [](cups_page_header2_t& h) {
             h.cupsWidth = 65536;
             h.cupsBytesPerLine = 8192;
             h.cupsHeight = 24;
         },
         false, "65535 columns"},
    };
    const RasterPage page1 = GoodPage(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RasterPage page2 = GoodPage(2);
        c.change(page2.header);
        if (!c.sendPixels)
            page2.pixels.clear();
        ExpectPage2Refused(RunFilter(FilterJob(TestPpdPath(24), WriteRaster({page1, page2}))),
                           page1, c.reason);
    }
}

TEST(FilterFailure, ResolutionWithoutAPinProfileIsRefused)
{
    // Each head prints only the pairs whose density mode has dpiX columns
    // per inch and whose pins fall on dpiY rows per inch; any other pair
    // would be printed at the wrong size (or, below 60 dpi across, with a
    // page body growing with the square of the width). The page's pixels
    // are never sent: the refusal comes before they are read.
    struct Case {
        int pins;
        unsigned dpiX, dpiY;
    };
    const Case cases[] = {
        {9, 300, 300},          {9, 180, 180},  {9, 160, 180},  {24, 59, 180},  {24, 0, 360},
        {24, 4294966936u, 360}, {18, 30, 180},  {24, 180, 360}, {18, 120, 360}, {24, 160, 144},
        {24, 300, 300},         {24, 720, 720}, {24, 180, 1},   {24, 360, 90},  {24, 240, 180},
        {18, 160, 144},         {18, 300, 300}, {18, 180, 90},  {9, 160, 160},  {9, 80, 144},
        {9, 144, 144},          {24, 80, 72},   {24, 60, 60},   {18, 72, 72},
    };
    for (const Case& c : cases) {
        const std::string resolution = std::to_string(c.dpiX) + "x" + std::to_string(c.dpiY);
        SCOPED_TRACE(std::to_string(c.pins) + " pins, " + resolution);
        RasterPage page = MakeBitmapPage(64, 48, c.dpiX, c.dpiY);
        page.pixels.clear();
        const FilterResult r = RunFilter(FilterJob(TestPpdPath(c.pins), WriteRaster({page})));
        EXPECT_EQ(r.exitStatus, 1) << r.Describe();
        EXPECT_TRUE(r.out.empty());
        const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
        ASSERT_EQ(errors.size(), 1u) << r.err;
        EXPECT_NE(errors[0].find("Page 1 "), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find(resolution + " dpi"), std::string::npos) << errors[0];
    }
}

TEST(FilterFailure, PagesLongerThanTheLengthLimitAreRefused)
{
    // A page of 200 inches at its vertical resolution is printed; one row
    // more is refused before its pixels are read (none are sent). The pages
    // are inked at their first and last row, so the long blank stretch
    // between becomes one long feed (more than 65535 rows at 360 x 360).
    struct Case {
        int pins;
        unsigned dpiX, dpiY;
    };
    const Case cases[] = {{24, 180, 180}, {24, 360, 360}, {24, 120, 180}, {18, 180, 180},
                          {9, 160, 72},   {9, 160, 144},  {9, 80, 72}};
    for (const Case& c : cases) {
        const unsigned limitRows = 200 * c.dpiY;
        for (const unsigned height : {limitRows, limitRows + 1}) {
            SCOPED_TRACE(std::to_string(c.pins) + " pins at " + std::to_string(c.dpiX) + "x" +
                         std::to_string(c.dpiY) + ", " + std::to_string(height) + " rows");
            RasterPage page = MakeBitmapPage(16, height, c.dpiX, c.dpiY);
            page.SetBit(3, 0);
            page.SetBit(12, height - 1);
            const bool accepted = height == limitRows;
            if (!accepted)
                page.pixels.clear();
            const FilterResult r = RunFilter(FilterJob(TestPpdPath(c.pins), WriteRaster({page})));
            if (accepted) {
                EXPECT_EQ(r.exitStatus, 0) << r.Describe();
                EXPECT_EQ(r.out, ExpectedPageBytes(c.pins, page));
                EXPECT_TRUE(r.ErrLinesStartingWith("ERROR: ").empty()) << r.err;
                continue;
            }
            EXPECT_EQ(r.exitStatus, 1) << r.Describe();
            EXPECT_TRUE(r.out.empty());
            const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
            ASSERT_EQ(errors.size(), 1u) << r.err;
            EXPECT_EQ(errors[0].rfind("ERROR: Page 1 ", 0), 0u) << errors[0];
            EXPECT_NE(errors[0].find("200-inch page length limit"), std::string::npos) << errors[0];
        }
    }
}

TEST(FilterFailure, DamagedOrCutPageHeadersStopTheJobWithAnError)
{
    // libcups refuses a header without lines, so it counts as damaged. The
    // pages before the damaged header stay printed; a stream that ends
    // exactly after a page is a finished job.
    const RasterPage page1 = GoodPage(1);
    const RasterPage page2 = GoodPage(2);
    RasterPage noLines = GoodPage(3);
    noLines.header.cupsHeight = 0;
    noLines.pixels.clear();
    struct Case {
        const char* name;
        std::vector<RasterPage> pages;  // the stream written
        std::size_t cutFromEnd;         // bytes then taken off its end
        std::size_t printed;            // pages printed before it stops
        bool damaged;                   // false: the job ends normally
    };
    const std::size_t header = sizeof(cups_page_header2_t);
    const Case cases[] = {
        {"ends after page 2", {page1, page2}, 0, 2, false},
        {"page 3 has no lines", {page1, page2, noLines}, 0, 2, true},
        {"page 1 has no lines", {noLines, page1}, 0, 0, true},
        {"page 2's header cut after 1 byte", {page1, Truncated(page2, 0)}, header - 1, 1, true},
        {"page 2's header cut in the middle", {page1, Truncated(page2, 0)}, header / 2, 1, true},
        {"page 2's header 1 byte short", {page1, Truncated(page2, 0)}, 1, 1, true},
        {"page 2's header 10 bytes short", {page1, Truncated(page2, 0)}, 10, 1, true},
    };
    for (RasterCompression compression : {RasterCompression::None, RasterCompression::Compressed}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(
                (compression == RasterCompression::None ? "uncompressed, " : "compressed, ") +
                std::string(c.name));
            Bytes raster = WriteRaster(c.pages, compression);
            raster.resize(raster.size() - c.cutFromEnd);
            const FilterResult r = RunFilter(FilterJob(TestPpdPath(24), raster));

            const std::vector<RasterPage> printed(c.pages.begin(),
                                                  c.pages.begin() + static_cast<long>(c.printed));
            EXPECT_EQ(r.out, ExpectedJobBytes(24, printed));
            EXPECT_EQ(r.ErrLinesStartingWith("PAGE: ").size(), c.printed) << r.err;
            const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
            if (!c.damaged) {
                EXPECT_EQ(r.exitStatus, 0) << r.Describe();
                EXPECT_TRUE(errors.empty()) << r.err;
                continue;
            }
            EXPECT_EQ(r.exitStatus, 1) << r.Describe();
            EXPECT_EQ(errors, std::vector<std::string>{
                                  "ERROR: Page " + std::to_string(c.printed + 1) +
                                  " cannot be printed: its page header is damaged or cut short."});
        }
    }
}

TEST(FilterFailure, FailedPageAllocationIsRefused)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers need more address space than the limit allows";
#else
    // A page of 61 MiB, just under the page limit, in a process whose whole
    // address space is limited to 64 MiB: the header is accepted, the
    // allocation fails. One malloc arena keeps the limit for the page.
    const RasterPage page1 = GoodPage(1);
    RasterPage page2 = GoodPage(2);
    page2.header.cupsWidth = 64000;
    page2.header.cupsBytesPerLine = 8000;
    page2.header.cupsHeight = 8000;
    page2.pixels.clear();
    FilterRun run = FilterJob(TestPpdPath(24), WriteRaster({page1, page2}));
    run.env.push_back({"MALLOC_ARENA_MAX", "1"});
    run.addressSpaceLimit = 64ull * 1024 * 1024;
    ExpectPage2Refused(RunFilter(run), page1, "memory");
#endif
}

// The uncompressed stream of three pages cut into: everything up to the
// middle of page 2's pixels, the rest of page 2, and page 3.
struct SplitJob {
    Bytes head;
    Bytes restOfPage2;
    Bytes page3;
};

// Cuts the stream of the pages inside page 2 and at the start of page 3.
SplitJob SplitInsidePage2(const std::vector<RasterPage>& pages)
{
    const Bytes whole = WriteRaster(pages);
    const std::size_t middle =
        WriteRaster({pages[0], Truncated(pages[1], pages[1].PromisedBytes() / 2)}).size();
    const std::size_t page3 = WriteRaster({pages[0], pages[1]}).size();
    SplitJob job;
    job.head.assign(whole.begin(), whole.begin() + static_cast<long>(middle));
    job.restOfPage2.assign(whole.begin() + static_cast<long>(middle),
                           whole.begin() + static_cast<long>(page3));
    job.page3.assign(whole.begin() + static_cast<long>(page3), whole.end());
    return job;
}

TEST(FilterFailure, SigtermWhilePage2IsReadFinishesPage2Only)
{
    const std::vector<RasterPage> pages = {GoodPage(1), GoodPage(2), GoodPage(3)};
    const SplitJob job = SplitInsidePage2(pages);
    Bytes firstTwo = job.head;
    firstTwo.insert(firstTwo.end(), job.restOfPage2.begin(), job.restOfPage2.end());
    ASSERT_EQ(firstTwo, WriteRaster({pages[0], pages[1]})) << "the stream is not cut at pages";

    // Page 3 either waits in the pipe or never comes while the input stays
    // open: either way the filter stops after page 2 without reading on.
    struct Case {
        const char* name;
        InputPiece afterPage2;
    };
    const Case cases[] = {
        {"page 3 sent", InputPiece{job.page3, "PAGE: 2 "}},
        {"input held open", InputPiece{{}, "text the filter never writes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run = FilterJob(TestPpdPath(24), {});
        run.input = {InputPiece{job.head, ""}, InputPiece{job.restOfPage2, "PAGE: 2 "},
                     c.afterPage2};
        run.signalAfterStderr = "PAGE: 2 ";
        run.timeoutSeconds = 10;
        const FilterResult r = RunFilter(run);

        EXPECT_TRUE(r.signalSent);
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_EQ(r.out, ExpectedJobBytes(24, {pages[0], pages[1]}));
        EXPECT_EQ(r.ErrLinesStartingWith("PAGE: "),
                  (std::vector<std::string>{"PAGE: 1 1", "PAGE: 2 1"}));
        EXPECT_TRUE(r.ErrLinesStartingWith("ERROR: ").empty()) << r.err;
    }
}

TEST(FilterFailure, PrinterDataThatCannotBeWrittenFailsTheJob)
{
    struct Case {
        const char* name;
        StdoutTarget target;
        bool ignoreSigpipe;  // the scheduler starts filters with SIGPIPE at its default
        bool largePage;      // page 1's body goes out in parts while it is encoded
        const char* error;   // how the one ERROR line starts
    };
    const Case cases[] = {
        {"full device", StdoutTarget::DevFull, false, false,
         "ERROR: Page 1 could not be sent to the printer: "},
        {"broken pipe", StdoutTarget::BrokenPipe, false, false,
         "ERROR: Page 1 could not be sent to the printer: "},
        {"broken pipe, SIGPIPE ignored", StdoutTarget::BrokenPipe, true, false,
         "ERROR: Page 1 could not be sent to the printer: "},
        {"closed", StdoutTarget::Closed, false, false, "ERROR: The printer data cannot be sent: "},
        {"full device, body in parts", StdoutTarget::DevFull, false, true,
         "ERROR: Page 1 could not be sent to the printer: "},
        {"broken pipe, body in parts", StdoutTarget::BrokenPipe, true, true,
         "ERROR: Page 1 could not be sent to the printer: "},
    };
    RasterPage large = MakeBitmapPage(4000, 4800, 360, 360);
    FillPattern(large, 3);
    const Bytes smallPages = WriteRaster({GoodPage(1), GoodPage(2)});
    const Bytes largePages = WriteRaster({large, GoodPage(2)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run = FilterJob(TestPpdPath(24), c.largePage ? largePages : smallPages);
        run.stdoutTarget = c.target;
        run.ignoreSigpipe = c.ignoreSigpipe;
        const FilterResult r = RunFilter(run);

        ASSERT_TRUE(r.exited) << r.Describe();
        EXPECT_EQ(r.exitStatus, 1) << r.Describe();
        const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
        ASSERT_EQ(errors.size(), 1u) << r.err;
        EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << errors[0];
        EXPECT_LE(r.ErrLinesStartingWith("PAGE: ").size(), 1u) << r.err;
    }
}

TEST(FilterFailure, AFilterKilledBetweenPagesHasSentWholePagesOnly)
{
    // Killed while waiting for page 2's pixels: page 1 has reached the
    // printer whole, and nothing of page 2.
    const std::vector<RasterPage> pages = {GoodPage(1), GoodPage(2), GoodPage(3)};
    FilterRun run = FilterJob(TestPpdPath(24), {});
    run.input = {InputPiece{SplitInsidePage2(pages).head, ""},
                 InputPiece{{}, "text the filter never writes"}};
    run.signalAfterStderr = "PAGE: 2 ";
    run.signalNumber = SIGKILL;
    run.timeoutSeconds = 10;
    const FilterResult r = RunFilter(run);

    EXPECT_TRUE(r.signalSent);
    EXPECT_EQ(r.termSignal, SIGKILL) << r.Describe();
    // Page 1 is printed and fed out; only its closing ESC @, held back until
    // the filter knows whether it was the last page, is missing.
    Bytes page1 = ExpectedPageBytes(24, pages[0]);
    page1.resize(page1.size() - 2);
    EXPECT_EQ(r.out, page1);
}

TEST(FilterFailure, ACancelBeforeAnythingElseEndsAsACancelledJob)
{
    // SIGTERM is already pending when the filter starts: it lands before
    // the log is started, before the input is read. The job ends cancelled,
    // not failed: status 0, nothing printed, no ERROR line, whether its
    // input is a whole job or ends at once (its source was stopped too).
    struct Case {
        const char* name;
        Bytes input;
    };
    const Case cases[] = {
        {"whole job", WriteRaster({GoodPage(1), GoodPage(2)})},
        {"empty input", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterRun run = FilterJob(TestPpdPath(24), c.input);
        run.signalPendingAtStart = true;
        const FilterResult r = RunFilter(run);

        ASSERT_TRUE(r.exited) << r.Describe();
        EXPECT_EQ(r.exitStatus, 0) << r.Describe();
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err, "");
    }
}

TEST(FilterFailure, SigtermThenEndOfInputIsACancelNotAnError)
{
    // The scheduler stops the filters before ours too, so a cancelled job's
    // page data usually ends early.
    const std::vector<RasterPage> pages = {GoodPage(1), GoodPage(2), GoodPage(3)};
    const SplitJob job = SplitInsidePage2(pages);

    FilterRun run = FilterJob(TestPpdPath(24), {});
    // The empty piece keeps the input open until the signal has been sent.
    run.input = {InputPiece{job.head, ""}, InputPiece{{}, "PAGE: 2 "}};
    run.signalAfterStderr = "PAGE: 2 ";
    const FilterResult r = RunFilter(run);

    EXPECT_TRUE(r.signalSent);
    EXPECT_EQ(r.exitStatus, 0) << r.Describe();
    EXPECT_EQ(r.out, ExpectedPageBytes(24, pages[0]));
    EXPECT_TRUE(r.ErrLinesStartingWith("ERROR: ").empty()) << r.err;
}

}  // namespace

namespace {

// Where the job's raster stream waits: standard input, or a job file that
// is a FIFO with a writer that never writes, with none yet, or with one
// that has left without writing.
enum class WaitingInput { Stdin, FifoWithSilentWriter, FifoWithoutWriter, FifoWithGoneWriter };

}  // namespace

TEST(FilterFailure, InputThatNeverComesEndsOnCancelOrAtOnce)
{
    struct Case {
        const char* name;
        WaitingInput input;
        bool cancel;             // SIGTERM half a second after the start
        int status;              // a cancelled job before its first page ends with 0
        const char* errorStart;  // the ERROR line, or null for none
    };
    const Case cases[] = {
        {"standard input, cancelled", WaitingInput::Stdin, true, 0, nullptr},
        {"FIFO job file with a silent writer, cancelled", WaitingInput::FifoWithSilentWriter, true,
         0, nullptr},
        {"FIFO job file without a writer, cancelled", WaitingInput::FifoWithoutWriter, true, 0,
         nullptr},
        // A writer that leaves without writing: the job holds no page.
        {"FIFO job file whose writer has gone", WaitingInput::FifoWithGoneWriter, false, 1,
         "ERROR: The job's raster stream holds no page."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string fifo = dir.File("job.ras");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        // Opened read-write, the FIFO has a writer without waiting for a reader.
        const int writer =
            c.input == WaitingInput::FifoWithSilentWriter ? open(fifo.c_str(), O_RDWR) : -1;
        // A writer that comes (once the filter reads the FIFO) and goes.
        std::thread goneWriter;
        if (c.input == WaitingInput::FifoWithGoneWriter)
            goneWriter = std::thread([fifo] { close(open(fifo.c_str(), O_WRONLY)); });

        FilterRun run = FilterJob(TestPpdPath(24), {});
        if (c.input == WaitingInput::Stdin)
            run.input = {InputPiece{{}, "text the filter never writes"}};
        else
            run.args = FilterArgs("", fifo);
        if (c.cancel)
            run.signalAfterSeconds = 0.5;
        run.timeoutSeconds = 10;
        const FilterResult r = RunFilter(run);
        if (writer >= 0)
            close(writer);
        if (goneWriter.joinable())
            goneWriter.join();

        ASSERT_TRUE(r.exited) << r.Describe();
        EXPECT_EQ(r.exitStatus, c.status) << r.Describe();
        EXPECT_TRUE(r.out.empty());
        const std::vector<std::string> errors = r.ErrLinesStartingWith("ERROR: ");
        if (c.errorStart == nullptr) {
            EXPECT_TRUE(errors.empty()) << r.err;
        } else {
            ASSERT_EQ(errors.size(), 1u) << r.err;
            EXPECT_EQ(errors[0], c.errorStart);
        }
    }
}

TEST(FilterFailure, AJobFileThatIsNotAFileIsRefused)
{
    TempDir dir;
    FilterRun run = FilterJob(TestPpdPath(24), {});
    run.args = FilterArgs("", dir.Path());
    const FilterResult r = RunFilter(run);

    EXPECT_EQ(r.exitStatus, 1) << r.Describe();
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.ErrLinesStartingWith("ERROR: "),
              (std::vector<std::string>{"ERROR: The job's file " + dir.Path() +
                                        " cannot be opened: it is not a regular file."}));
}
