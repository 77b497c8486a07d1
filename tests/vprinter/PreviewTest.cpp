// SPDX-License-Identifier: Apache-2.0
// Tests of the preview program: the PNG pages it writes, the resolution it
// picks, and its messages and status for bad command lines and streams,
// both through its library entry and as a separate process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/vprinter/StreamBuilder.h"
#include "tools/preview/Preview.h"

extern char** environ;

namespace vprinter {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::StreamBuilder;
using testsupport::TempDir;

const Bytes kMark24 = StreamBuilder().Image(escp::kMode24DotTriple, 1, {0x80, 0, 0});
const Bytes kMark9 = StreamBuilder().Image(escp::kMode8DotDouble, 1, {0x80});

// Two sheets at 180 x 180 dpi: dots at (0, 0) and (1/60, 20/180) inch, that
// is pixels (0, 0) and (3, 20); then a blank sheet.
const Bytes kTwoSheets = StreamBuilder()
                             .Init()
                             .Cr()
                             .Raw(kMark24)
                             .Cr()
                             .FeedJ(20)
                             .Horizontal(1)
                             .Raw(kMark24)
                             .Ff()
                             .Ff()
                             .Init();

// Writes a printer stream into the test's folder as job.prn; returns its
// path.
std::string WriteStream(const TempDir& dir, const Bytes& stream)
{
    return dir.WriteFile("job.prn", std::string(stream.begin(), stream.end()));
}

// A PNG read back as 8-bit grey pixels.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> grey;
    int At(int x, int y) const { return grey[static_cast<std::size_t>(y * width + x)]; }
};

bool ReadPng(const std::string& path, Image& image)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return false;
    png.format = PNG_FORMAT_GRAY;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.grey.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image.grey.data(), 0, nullptr) != 0;
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Preview(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = preview::RunPreview(args, out, err);
    return Outcome{status, out.str(), err.str()};
}

TEST(Preview, WritesOnePngPerSheetAtTheStreamsOwnResolution)
{
    TempDir dir;
    const Outcome run = Preview({WriteStream(dir, kTwoSheets), dir.File("page")});
    ASSERT_EQ(run.status, preview::kStatusOk) << run.err;
    EXPECT_NE(run.out.find("at 180x180 dpi"), std::string::npos) << run.out;

    Image first;
    ASSERT_TRUE(ReadPng(dir.File("page-1.png"), first));
    EXPECT_EQ(first.width, 4);
    EXPECT_EQ(first.height, 21);
    EXPECT_EQ(first.At(0, 0), 0);  // black dot
    EXPECT_EQ(first.At(3, 20), 0);
    EXPECT_EQ(first.At(1, 0), 255);  // white paper
    EXPECT_EQ(first.At(3, 19), 255);

    Image blank;
    ASSERT_TRUE(ReadPng(dir.File("page-2.png"), blank));
    EXPECT_EQ(blank.grey, std::vector<unsigned char>{255});
    EXPECT_FALSE(fs::exists(dir.File("page-3.png")));
}

// The image size follows the chosen or given resolution; 9-pin sheets are
// drawn true to size in the receipt printers' dialect.
TEST(Preview, ImageSizeFollowsTheResolution)
{
    Bytes receiptLine(576, 0);  // 576 columns at 160 dpi: 3.6 inches
    receiptLine.front() = 0x80;
    receiptLine.back() = 0x80;
    struct Case {
        const char* name;
        std::vector<std::string> options;
        Bytes stream;
        int width;
        int height;
        const char* dpi;
    };
    const Case cases[] = {
        {"given --dpi", {"--dpi", "360x720"}, kTwoSheets, 8, 81, "360x720"},
        {"9-pin stream: 160 dpi columns, 1/144 inch feeds",
         {"--model", "9"},
         StreamBuilder().Raw(kMark9).Cr().FeedJ(1).Raw(kMark9).Ff(),
         1,
         2,
         "160x144"},
        {"9-pin line of 576 columns at 160 dpi",
         {"--model", "9"},
         StreamBuilder().Image(escp::kMode8DotDouble, 576, receiptLine).Ff(),
         576,
         1,
         "160x72"},
        {"9-pin stream at 80 dpi columns, 72 dpi rows",
         {"--model", "9"},
         StreamBuilder().Image(escp::kMode8DotSingle, 2, {0x81, 0}).Ff(),
         2,
         8,
         "80x72"},
        {"9-pin ESC $ counts 1/80 inch",
         {"--model", "9"},
         StreamBuilder().Horizontal(4).Raw(kMark9).Ff(),
         9,
         1,
         "160x72"},
        {"no bit image: the model's default", {}, StreamBuilder().FeedJ(18).Ff(), 1, 36, "360x360"},
        {"no bit image on 9 pins: the model's default",
         {"--model", "9"},
         StreamBuilder().FeedJ(18).Ff(),
         1,
         18,
         "160x144"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::vector<std::string> args = c.options;
        args.push_back(WriteStream(dir, c.stream));
        args.push_back(dir.File("page"));
        const Outcome run = Preview(args);
        ASSERT_EQ(run.status, preview::kStatusOk) << run.err;
        EXPECT_NE(run.out.find(std::string("at ") + c.dpi + " dpi"), std::string::npos) << run.out;
        Image image;
        ASSERT_TRUE(ReadPng(dir.File("page-1.png"), image));
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
    }
}

// Bad command lines, unreadable or rejected streams: status, message, and
// the sheets still written before a bad byte.
TEST(Preview, ReportsFailuresWithAStatusAndAMessage)
{
    const std::string kInput = "<input>";
    const std::string kPrefix = "<prefix>";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        Bytes stream;
        int status;
        const char* message;
        int sheetsWritten;
    };
    const Case cases[] = {
        {"no arguments", {}, {}, preview::kStatusUsage, "usage:", 0},
        {"only one file", {kInput}, kTwoSheets, preview::kStatusUsage, "usage:", 0},
        {"three files", {kInput, kPrefix, "more"}, kTwoSheets, preview::kStatusUsage, "usage:", 0},
        {"unknown model",
         {"--model", "7", kInput, kPrefix},
         kTwoSheets,
         preview::kStatusUsage,
         "--model takes 9, 18 or 24",
         0},
        {"model without value",
         {kInput, kPrefix, "--model"},
         kTwoSheets,
         preview::kStatusUsage,
         "--model takes",
         0},
        {"zero dpi",
         {"--dpi", "0x180", kInput, kPrefix},
         kTwoSheets,
         preview::kStatusUsage,
         "--dpi takes XxY",
         0},
        {"dpi above the limit",
         {"--dpi", "180x721", kInput, kPrefix},
         kTwoSheets,
         preview::kStatusUsage,
         "--dpi takes XxY",
         0},
        {"dpi without a cross",
         {"--dpi", "180", kInput, kPrefix},
         kTwoSheets,
         preview::kStatusUsage,
         "--dpi takes XxY",
         0},
        {"unknown option",
         {"--colour", kInput, kPrefix},
         kTwoSheets,
         preview::kStatusUsage,
         "unknown option --colour",
         0},
        {"missing input",
         {"missing.prn", kPrefix},
         {},
         preview::kStatusFailed,
         "No such file or directory",
         0},
        {"input is a directory", {".", kPrefix}, {}, preview::kStatusFailed, "Is a directory", 0},
        {"empty stream", {kInput, kPrefix}, {}, preview::kStatusFailed, "prints no page", 0},
        {"text instead of a printer stream",
         {kInput, kPrefix},
         {'H', 'i', '\n'},
         preview::kStatusFailed,
         "offset 0 (byte 0x48)",
         0},
        {"ESC ( on a 9-pin printer",
         {"--model", "9", kInput, kPrefix},
         StreamBuilder().Raw(kMark9).Unit(10),
         preview::kStatusFailed,
         "not available",
         1},
        {"truncated after a sheet",
         {kInput, kPrefix},
         StreamBuilder().Raw(kMark24).Ff().Raw(kMark24).Raw({0x1B, 0x2A, 0x27, 0x10, 0x00, 0xFF}),
         preview::kStatusFailed,
         "cut short",
         2},
        {"unwritable output",
         {kInput, "/nonexistent-directory/page"},
         kTwoSheets,
         preview::kStatusFailed,
         "/nonexistent-directory/page-1.png: No such file",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string input = WriteStream(dir, c.stream);
        std::vector<std::string> args;
        for (const std::string& arg : c.args) {
            args.push_back(arg == kInput ? input : arg == kPrefix ? dir.File("page") : arg);
        }
        const Outcome run = Preview(args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        for (int sheet = 1; sheet <= c.sheetsWritten + 1; ++sheet) {
            EXPECT_EQ(fs::exists(dir.File("page-" + std::to_string(sheet) + ".png")),
                      sheet <= c.sheetsWritten)
                << "sheet " << sheet;
        }
    }
}

// Runs the built program with stderr sent to a file; returns its status.
int RunProgram(const std::vector<std::string>& args, const std::string& errFile)
{
    std::vector<std::string> argv = {PREVIEW_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(PreviewProgram, ExitStatusAndMessagesAsAProcess)
{
    struct Case {
        const char* name;
        Bytes stream;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"good stream", kTwoSheets, 0, ""},
        {"stream cut inside a bit image", Bytes(kTwoSheets.begin(), kTwoSheets.begin() + 6), 1,
         "offset 3 (byte 0x1B): ESC * command cut short"},
        {"binary garbage",
         {0x1B, 0x2A, 0x07, 0xFF, 0xFF, 0x00},
         1,
         "offset 2 (byte 0x07): unknown bit-image mode 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const int status =
            RunProgram({WriteStream(dir, c.stream), dir.File("page")}, dir.File("stderr.txt"));
        EXPECT_EQ(status, c.status);
        std::ifstream errors(dir.File("stderr.txt"));
        const std::string err((std::istreambuf_iterator<char>(errors)),
                              std::istreambuf_iterator<char>());
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(fs::exists(dir.File("page-1.png")), c.status == 0);
    }
}

}  // namespace
}  // namespace vprinter
