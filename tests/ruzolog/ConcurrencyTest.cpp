// SPDX-License-Identifier: Apache-2.0
// Several threads logging through one manager while others change its
// settings and start and stop it. Run under ThreadSanitizer as well: it must
// finish without reports, and every byte counted as written must be in a
// file as part of one whole record.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "LogTestSupport.h"
#include "ruzolog/ruzolog.h"

namespace {

using ruzolog_test::isRecordLine;
using ruzolog_test::readFile;
using testsupport::TempDir;

const int kLoggingThreads = 4;
const int kMaxRecordsPerThread = 5000;
const int kRestarts = 3;
const int kRunningMs = 100;

// Logs records of both forms to both loggers, at levels the changing
// settings may or may not accept, until told to stop.
void logRecords(ruzolog::LoggerManager& manager, std::int32_t sideId, int thread,
                const std::atomic<bool>& done)
{
    for (int i = 0; i < kMaxRecordsPerThread && !done; ++i) {
        const std::int32_t id = i % 2 == 0 ? RUZOLOG_MAIN_LOGGER_ID : sideId;
        const std::int32_t level = i % 7;
        RUZOLOG_FORMAT_TO(&manager, id, level, "worker.cpp", 10, "thread %d record %d", thread, i);
        RUZOLOG_STREAM_TO(&manager, id, level, "worker.cpp", 20)
            << "thread " << thread << " stream " << i;
    }
}

// Changes every kind of setting over and over until told to stop.
void changeSettings(ruzolog::LoggerManager& manager, std::int32_t sideId, const TempDir& dir,
                    const std::atomic<bool>& done)
{
    const std::string paths[] = {dir.File("a"), dir.File("b")};
    const std::string configs[] = {"[Side]\npath=" + dir.Path() + "/b\nlevel=info\n",
                                   "[Side]\npath=" + dir.Path() + "/b\nlevel=debug\n"};
    for (int round = 0; !done; ++round) {
        const std::int32_t id = round % 2 == 0 ? RUZOLOG_MAIN_LOGGER_ID : sideId;
        manager.setLoggerPath(id, paths[round % 2].c_str());
        manager.setLoggerName(id, round % 3 == 0 ? "one" : "two");
        manager.setLoggerLevel(id, round % 3);
        manager.setLoggerFileLine(id, round % 2 == 0);
        manager.setLoggerDisplay(id, round % 3 == 0);
        manager.setLoggerOutFile(id, round % 5 != 0);
        manager.setLoggerMonthdir(id, round % 4 == 0);
        manager.setLoggerLimitsize(id, static_cast<std::uint32_t>(round % 3));
        manager.enableLogger(id, round % 6 != 0);
        manager.findLogger("Side");
        manager.createLogger("Side");
        manager.isLoggerEnable(id);
        manager.getStatusActiveLoggers();
        manager.getStatusTotalWriteBytes();
        // A section sets every setting of its logger, so it names the path too.
        manager.configFromString(configs[round % 2].c_str());
        ruzolog::LoggerInfo copy;
        manager.getLoggerInfo(id, copy);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // let records through
    }
}

// Starts and stops the manager a few times, letting it run a while each time
// and re-enabling the loggers that stopping turned off.
void restart(ruzolog::LoggerManager& manager, std::int32_t sideId)
{
    for (int i = 0; i < kRestarts; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kRunningMs));
        manager.stop();
        manager.enableLogger(RUZOLOG_MAIN_LOGGER_ID, true);
        manager.enableLogger(sideId, true);
        manager.start();
    }
}

// Sum of the sizes of all files below root, and whether each holds only
// whole records.
std::uint64_t checkLogFiles(const std::string& root)
{
    std::uint64_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string content = readFile(entry.path().string());
        total += content.size();
        for (size_t start = 0; start < content.size();) {
            const size_t end = content.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << entry.path();
            if (end == std::string::npos) {
                break;
            }
            EXPECT_TRUE(isRecordLine(content.substr(start, end + 2 - start))) << entry.path();
            start = end + 2;
        }
    }
    return total;
}

TEST(ConcurrencyTest, LoggingWhileSettingsChangeAndTheManagerRestarts)
{
    TempDir dir;
    std::uint64_t written = 0;
    {
        ruzolog::LoggerManager manager;
        ASSERT_TRUE(manager.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.File("a").c_str()));
        const std::int32_t sideId = manager.createLogger("Side");
        ASSERT_TRUE(manager.setLoggerPath(sideId, dir.File("b").c_str()));
        ASSERT_TRUE(manager.start());

        std::atomic<bool> done{false};
        std::thread setter(changeSettings, std::ref(manager), sideId, std::cref(dir),
                           std::cref(done));
        std::vector<std::thread> workers;
        for (int t = 0; t < kLoggingThreads; ++t) {
            workers.emplace_back(logRecords, std::ref(manager), sideId, t, std::cref(done));
        }
        std::thread lifecycle(restart, std::ref(manager), sideId);
        lifecycle.join();
        std::this_thread::sleep_for(std::chrono::milliseconds(kRunningMs));
        done = true;
        for (std::thread& worker : workers) {
            worker.join();
        }
        setter.join();

        manager.stop();
        EXPECT_EQ(manager.getStatusActiveLoggers(), 0u);
        written = manager.getStatusTotalWriteBytes();
        EXPECT_GT(manager.getStatusTotalWriteCount(), 0u);
    }
    EXPECT_EQ(checkLogFiles(dir.Path()), written);
}

TEST(ConcurrencyTest, ThreadsShareTheProcessWideManager)
{
    std::vector<std::thread> threads;
    std::atomic<ruzolog::IRuzologManager*> seen[4] = {};
    for (auto& slot : seen) {
        threads.emplace_back([&slot] { slot = ruzolog::IRuzologManager::getPtr(); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (auto& slot : seen) {
        EXPECT_EQ(slot.load(), &ruzolog::IRuzologManager::getRef());
    }
}

}  // namespace
