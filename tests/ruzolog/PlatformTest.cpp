// SPDX-License-Identifier: Apache-2.0
// Platform helpers: path normalisation and directory creation, the polled
// semaphore, and the file handler, including its refusal of planted links
// and FIFOs.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "LogTestSupport.h"
#include "ruzolog/ruzolog.h"

namespace {

using ruzolog::RuzologFileHandler;
using ruzolog::SemHelper;
using ruzolog_test::readFile;
using ruzolog_test::writeFile;
using testsupport::TempDir;

TEST(PathTest, FixPathNormalisesSeparatorsAndEnd)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\\b", "a/b/"}, {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"", ""}, {"C:\\x\\", "C:/x/"}};
    for (const auto& [input, expected] : cases) {
        std::string path = input;
        ruzolog::fixPath(path);
        EXPECT_EQ(path, expected) << "input " << input;
    }
}

TEST(PathTest, CreateRecursionDirMakesMissingParents)
{
    TempDir dir;
    EXPECT_TRUE(ruzolog::createRecursionDir(dir.File("a/b/c")));
    EXPECT_TRUE(ruzolog::isDirectory(dir.File("a/b/c")));
    EXPECT_TRUE(ruzolog::createRecursionDir(dir.File("a/b/c/")));  // all there already
    EXPECT_TRUE(ruzolog::createRecursionDir(dir.File("x\\y")));    // backslashes separate too
    EXPECT_TRUE(ruzolog::isDirectory(dir.File("x/y")));
    EXPECT_TRUE(ruzolog::createRecursionDir(""));

    writeFile(dir.File("plain"), "x");
    EXPECT_FALSE(ruzolog::createRecursionDir(dir.File("plain/sub")));
    EXPECT_FALSE(ruzolog::isDirectory(dir.File("plain")));
}

TEST(SemHelperTest, WaitTakesOnlyWhatWasPosted)
{
    SemHelper posted;
    ASSERT_TRUE(posted.create(0));
    ASSERT_TRUE(posted.post());
    EXPECT_TRUE(posted.wait(100));
    EXPECT_FALSE(posted.wait(60));  // taken already

    SemHelper never;
    ASSERT_TRUE(never.create(-3));  // a negative count is 0
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(never.wait(100));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

    SemHelper counted;
    ASSERT_TRUE(counted.create(2));
    EXPECT_TRUE(counted.wait(1));
    EXPECT_TRUE(counted.wait(1));
    EXPECT_FALSE(counted.wait(1));
}

TEST(SemHelperTest, UnlimitedWaitBlocksUntilAnotherThreadPosts)
{
    SemHelper signal;
    ASSERT_TRUE(signal.create(0));
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        signal.post();
    });
    EXPECT_TRUE(signal.wait(0));
    poster.join();
}

TEST(FileHandlerTest, OpenReportsSizeAndModesBehave)
{
    TempDir dir;
    RuzologFileHandler file;
    EXPECT_EQ(file.open(dir.File("missing").c_str(), "rb"), -1);
    EXPECT_FALSE(file.isOpen());

    writeFile(dir.File("ten"), "0123456789");
    EXPECT_EQ(file.open(dir.File("ten").c_str(), "ab"), 10);
    file.write("xy", 0);  // nothing, and the file stays open
    EXPECT_TRUE(file.isOpen());
    file.write("xy", 2);
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(readFile(dir.File("ten")), "0123456789xy");

    EXPECT_EQ(file.open(dir.File("ten").c_str(), "w"), 0);  // emptied
    file.close();
    EXPECT_EQ(readFile(dir.File("ten")), "");

    EXPECT_EQ(file.open(dir.File("new").c_str(), "w"), 0);  // created
    file.close();
    struct stat info {};
    ASSERT_EQ(stat(dir.File("new").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));

    EXPECT_EQ(file.open(dir.Path().c_str(), "ab"), -1);      // a directory
    EXPECT_EQ(file.open(dir.File("ten").c_str(), "q"), -1);  // not a mode
    EXPECT_TRUE(file.removeFile(dir.File("ten")));
    EXPECT_FALSE(file.removeFile(dir.File("ten")));
}

TEST(FileHandlerTest, ReadsLinesAndWholeContent)
{
    TempDir dir;
    RuzologFileHandler file;
    EXPECT_EQ(file.readLine(), "");
    EXPECT_EQ(file.readContent(), "");

    writeFile(dir.File("lines"), "ab\ncd");
    ASSERT_EQ(file.open(dir.File("lines").c_str(), "rb"), 5);
    EXPECT_EQ(file.readLine(), "ab\n");
    EXPECT_EQ(file.readLine(), "cd");
    EXPECT_EQ(file.readLine(), "");

    for (size_t size : {size_t{8192}, size_t{8193}, size_t{20000}}) {
        const std::string content(size, 'z');
        writeFile(dir.File("block"), content);
        ASSERT_EQ(file.open(dir.File("block").c_str(), "rb"), static_cast<std::int64_t>(size));
        EXPECT_EQ(file.readContent(), content) << size;
    }
}

TEST(FileHandlerTest, RefusesASymlinkPlantedAtThePath)
{
    TempDir dir;
    writeFile(dir.File("victim"), "keep");
    for (const char* mode : {"w", "a", "ab", "rb", "r+"}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(symlink(dir.File("victim").c_str(), dir.File("log").c_str()), 0);
        RuzologFileHandler file;
        EXPECT_EQ(file.open(dir.File("log").c_str(), mode), -1);
        EXPECT_FALSE(file.isOpen());
        file.write("x", 1);
        EXPECT_EQ(readFile(dir.File("victim")), "keep");  // neither emptied nor appended to
        unlink(dir.File("log").c_str());
    }
    // A dangling link does not get its target created either.
    ASSERT_EQ(symlink(dir.File("target").c_str(), dir.File("dangling").c_str()), 0);
    RuzologFileHandler file;
    EXPECT_EQ(file.open(dir.File("dangling").c_str(), "w"), -1);
    EXPECT_FALSE(ruzolog_test::exists(dir.File("target")));
}

TEST(FileHandlerTest, RefusesToWriteThroughAHardLink)
{
    // A second name for a file elsewhere: writing would fill (or, with "w",
    // empty) that file. Reading through it does no harm.
    TempDir dir;
    writeFile(dir.File("victim"), "keep");
    ASSERT_EQ(link(dir.File("victim").c_str(), dir.File("log").c_str()), 0);
    for (const char* mode : {"w", "a", "ab", "r+", "wx"}) {
        SCOPED_TRACE(mode);
        RuzologFileHandler file;
        EXPECT_EQ(file.open(dir.File("log").c_str(), mode), -1);
        EXPECT_FALSE(file.isOpen());
        file.write("x", 1);
        EXPECT_EQ(readFile(dir.File("victim")), "keep");  // neither emptied nor appended to
    }
    RuzologFileHandler reader;
    EXPECT_EQ(reader.open(dir.File("log").c_str(), "rb"), 4);
    EXPECT_EQ(reader.readContent(), "keep");

    // Once the other name is gone the file is the log's alone again.
    ASSERT_EQ(unlink(dir.File("victim").c_str()), 0);
    RuzologFileHandler file;
    EXPECT_EQ(file.open(dir.File("log").c_str(), "w"), 0);
}

TEST(FileHandlerTest, RefusesAFifoWithoutBlocking)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    for (const char* mode : {"w", "ab", "rb"}) {
        RuzologFileHandler file;
        EXPECT_EQ(file.open(dir.File("fifo").c_str(), mode), -1) << mode;
        EXPECT_FALSE(file.isOpen());
    }
}

}  // namespace
