// SPDX-License-Identifier: Apache-2.0
// FilterRunner: runs a filter executable as a child process the way the
// print system does (arguments, environment, raster on standard input or in
// a file) and captures what it writes and how it ends. Standard input can
// be fed in pieces, each released by a text appearing on standard error,
// and a signal can be sent at such a moment, so a test can cancel a job
// while a given page is being read. Every run is bounded in time: a filter
// that hangs is killed and the result says so. Standard output can also be
// sent where the printer data cannot go (a full device, a closed
// descriptor, a pipe nobody reads), to check how the filter fails.
#ifndef RIDEVEDUDARUZO_TESTS_SUPPORT_FILTERRUNNER_H
#define RIDEVEDUDARUZO_TESTS_SUPPORT_FILTERRUNNER_H

#include <csignal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// One piece of standard input. It is written once standard error contains
// `afterStderr` (at once when empty) and every earlier piece is written.
// An empty piece with a text keeps standard input open until that text
// appears.
struct InputPiece {
    std::vector<unsigned char> bytes;
    std::string afterStderr;
};

// Where the child's standard output goes.
enum class StdoutTarget {
    Captured,    // a pipe read into FilterResult::out
    DevFull,     // /dev/full: every write fails with ENOSPC
    Closed,      // descriptor 1 closed
    BrokenPipe,  // a pipe whose reading end is closed before the child starts
};

// What to run and how.
struct FilterRun {
    std::string executable;
    // argv[1] onwards; argv[0] is the executable's path.
    std::vector<std::string> args;
    // Changes to the inherited environment: a value sets the variable,
    // std::nullopt removes it.
    std::vector<std::pair<std::string, std::optional<std::string>>> env;
    // Standard input: this file when set; otherwise a pipe fed with `input`
    // and closed after the last piece.
    std::string stdinFile;
    std::vector<InputPiece> input;
    // When set, `signalNumber` is sent once standard error contains this
    // text (before any input piece waiting for the same text is written).
    std::string signalAfterStderr;
    // When non-zero, `signalNumber` is sent this many seconds after the
    // start, unless the text above has already sent it.
    double signalAfterSeconds = 0.0;
    int signalNumber = SIGTERM;
    // When true, the child starts with `signalNumber` pending and blocked, as
    // if it had come before the filter's first instruction; the filter gets
    // it the moment it unblocks the signal.
    bool signalPendingAtStart = false;
    // Standard output, and whether the child starts with SIGPIPE ignored
    // (a write to a broken pipe then fails with EPIPE instead of killing it).
    StdoutTarget stdoutTarget = StdoutTarget::Captured;
    bool ignoreSigpipe = false;
    // A filter still running after this long is killed (SIGKILL).
    double timeoutSeconds = 30.0;
    // When non-zero, the child's address space is limited to this many
    // bytes (RLIMIT_AS), so large allocations fail.
    unsigned long long addressSpaceLimit = 0;
};

// How a run ended and what it wrote.
struct FilterResult {
    bool started = false;            // the child process could be created
    bool exited = false;             // ended through exit (not a signal)
    int exitStatus = -1;             // exit status when `exited`
    int termSignal = 0;              // the signal that ended it otherwise
    bool timedOut = false;           // killed because it ran too long
    bool signalSent = false;         // the run's signal was sent (or pending at start)
    std::vector<unsigned char> out;  // standard output, byte for byte
    std::string err;                 // standard error

    // Standard error split into lines, without their line ends.
    std::vector<std::string> ErrLines() const;
    // The standard error lines that start with `prefix` (e.g. "ERROR: ").
    std::vector<std::string> ErrLinesStartingWith(const std::string& prefix) const;
    // A one-line account of how the run ended, for failure messages.
    std::string Describe() const;
};

// Runs the filter to completion (or timeout) and returns what happened.
FilterResult RunFilter(const FilterRun& run);

}  // namespace testsupport

#endif
