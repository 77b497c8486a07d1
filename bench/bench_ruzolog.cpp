// SPDX-License-Identifier: Apache-2.0
// Cost of log statements: refused ones (manager not started, level below the
// logger's), accepted ones without file output (formatting and record
// handling only), and accepted ones written to a file, where each record
// opens, writes, syncs twice and closes the file.
#include <benchmark/benchmark.h>

#include <string>

#include "ruzolog/ruzolog.h"
#include "tests/support/TempDir.h"

namespace {

// A statement on a manager that was never started.
void BM_RefusedNotStarted(benchmark::State& state)
{
    ruzolog::LoggerManager manager;
    int value = 0;
    for (auto _ : state) {
        RUZOLOG_FORMAT_TO(&manager, RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "bench", 1,
                          "DEBUG: value %d\n", ++value);
    }
    benchmark::DoNotOptimize(value);
}
BENCHMARK(BM_RefusedNotStarted);

// The same through the process-wide manager, as the filter writes it.
void BM_RefusedProcessWide(benchmark::State& state)
{
    int value = 0;
    for (auto _ : state) {
        RUZOLOG_FORMAT(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "bench", 1, "DEBUG: value %d\n",
                       ++value);
    }
    benchmark::DoNotOptimize(value);
}
BENCHMARK(BM_RefusedProcessWide);

// A debug statement on a running manager whose logger takes only errors.
void BM_RefusedBelowLevel(benchmark::State& state)
{
    testsupport::TempDir dir;
    ruzolog::LoggerManager manager;
    manager.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.Path().c_str());
    manager.setLoggerLevel(RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_ERROR);
    manager.start();
    int value = 0;
    for (auto _ : state) {
        RUZOLOG_FORMAT_TO(&manager, RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "bench", 1,
                          "DEBUG: value %d\n", ++value);
    }
    benchmark::DoNotOptimize(value);
    manager.stop();
}
BENCHMARK(BM_RefusedBelowLevel);

// Accepted statements with file output off: header, formatting, suffix and
// the record pool, but no file.
void BM_AcceptedWithoutFile(benchmark::State& state)
{
    testsupport::TempDir dir;
    ruzolog::LoggerManager manager;
    manager.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.Path().c_str());
    manager.start();
    manager.setLoggerOutFile(RUZOLOG_MAIN_LOGGER_ID, false);
    const bool streamed = state.range(0) != 0;
    int value = 0;
    for (auto _ : state) {
        if (streamed) {
            RUZOLOG_STREAM_TO(&manager, RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "bench", 1)
                << "DEBUG: value " << ++value;
        } else {
            RUZOLOG_FORMAT_TO(&manager, RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "bench", 1,
                              "DEBUG: value %d\n", ++value);
        }
    }
    manager.stop();
}
BENCHMARK(BM_AcceptedWithoutFile)->ArgName("streamed")->Arg(0)->Arg(1);

// Accepted formatted statements written to a file: every record opens the
// file in append mode, writes, syncs twice and closes it.
void BM_AcceptedToFile(benchmark::State& state)
{
    testsupport::TempDir dir;
    ruzolog::LoggerManager manager;
    manager.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.Path().c_str());
    manager.setLoggerName(RUZOLOG_MAIN_LOGGER_ID, "bench");
    manager.start();
    int value = 0;
    for (auto _ : state) {
        RUZOLOG_FORMAT_TO(&manager, RUZOLOG_MAIN_LOGGER_ID, ruzolog::LOG_DEBUG, "ridevedudaruzo",
                          110, "DEBUG: StartPage %d\n", ++value);
    }
    manager.stop();
    state.SetBytesProcessed(static_cast<int64_t>(manager.getStatusTotalWriteBytes()));
}
BENCHMARK(BM_AcceptedToFile)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
