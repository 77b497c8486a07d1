// SPDX-License-Identifier: Apache-2.0
// FilterRunner: child-process runs of a filter with captured output.
#include "tests/support/FilterRunner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

// The inherited environment with the run's changes applied, as NAME=VALUE.
std::vector<std::string> BuildEnvironment(const FilterRun& run)
{
    std::map<std::string, std::string> vars;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t eq = text.find('=');
        if (eq != std::string::npos)
            vars[text.substr(0, eq)] = text.substr(eq + 1);
    }
    for (const auto& [name, value] : run.env) {
        if (value)
            vars[name] = *value;
        else
            vars.erase(name);
    }
    std::vector<std::string> env;
    for (const auto& [name, value] : vars)
        env.push_back(name + "=" + value);
    return env;
}

// Pointers to the strings, ending with the null pointer execve needs.
std::vector<char*> CStringArray(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Closes a descriptor if it is open and marks it closed.
void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Makes a descriptor non-blocking.
void SetNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Runs in the forked child: wires up the standard streams and execs.
[[noreturn]] void ExecChild(const FilterRun& run, int stdinFd, int stdoutFd, int stderrFd,
                            char** argv, char** envp)
{
    dup2(stdinFd, 0);
    if (stdoutFd >= 0)
        dup2(stdoutFd, 1);
    else
        close(1);
    dup2(stderrFd, 2);
    signal(SIGPIPE, run.ignoreSigpipe ? SIG_IGN : SIG_DFL);
    if (run.signalPendingAtStart) {
        sigset_t pending;
        sigemptyset(&pending);
        sigaddset(&pending, run.signalNumber);
        sigprocmask(SIG_BLOCK, &pending, nullptr);
        raise(run.signalNumber);
    }
    if (run.addressSpaceLimit != 0) {
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = run.addressSpaceLimit;
        setrlimit(RLIMIT_AS, &limit);
    }
    execve(run.executable.c_str(), argv, envp);
    _exit(127);
}

// Reads what is available from fd into `sink`; closes fd at end of file.
template <typename Sink>
void Drain(int& fd, Sink& sink)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            sink.insert(sink.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        CloseFd(fd);
        return;
    }
}

// The parent's side of a run: feeds input, collects output, enforces the
// deadline and the signal rule, then reaps the child.
class ChildSession {
public:
    ChildSession(const FilterRun& run, pid_t pid, int stdinFd, int stdoutFd, int stderrFd,
                 FilterResult& result)
        : run_(run),
          pid_(pid),
          stdin_(stdinFd),
          stdout_(stdoutFd),
          stderr_(stderrFd),
          result_(result),
          deadline_(Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(run.timeoutSeconds))),
          signalTime_(Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(run.signalAfterSeconds)))
    {
    }

    // Runs the session to the child's end.
    void Run()
    {
        while (stdout_ >= 0 || stderr_ >= 0) {
            ApplySignalRule();
            if (piece_ == run_.input.size())
                CloseFd(stdin_);
            if (!PollOnce()) {
                Kill();
                break;
            }
        }
        CloseFd(stdin_);
        Reap();
    }

private:
    // True when standard error already contains the text.
    bool ErrContains(const std::string& text) const
    {
        return text.empty() || result_.err.find(text) != std::string::npos;
    }

    // True while the run's signal waits for its moment rather than a text.
    bool SignalTimed() const { return !result_.signalSent && run_.signalAfterSeconds > 0; }

    // Sends the run's signal once its text has appeared or its time has come.
    void ApplySignalRule()
    {
        const bool textSeen =
            !run_.signalAfterStderr.empty() && ErrContains(run_.signalAfterStderr);
        const bool timeCome = SignalTimed() && Clock::now() >= signalTime_;
        if (!result_.signalSent && (textSeen || timeCome)) {
            kill(pid_, run_.signalNumber);
            result_.signalSent = true;
        }
    }

    // True when the next input piece may be written now.
    bool InputReady() const
    {
        return stdin_ >= 0 && piece_ < run_.input.size() &&
               ErrContains(run_.input[piece_].afterStderr);
    }

    // Milliseconds left before the deadline, at least 0.
    int MillisecondsLeft() const
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

    // Milliseconds until a timed signal is due (at least 1), or no limit.
    int MillisecondsToSignal() const
    {
        if (!SignalTimed())
            return std::numeric_limits<int>::max();
        const auto due =
            std::chrono::duration_cast<std::chrono::milliseconds>(signalTime_ - Clock::now());
        return due.count() > 1 ? static_cast<int>(due.count()) : 1;
    }

    // Waits for one batch of activity; false when the deadline has passed.
    bool PollOnce()
    {
        pollfd fds[3];
        nfds_t count = 0;
        if (stdout_ >= 0)
            fds[count++] = {stdout_, POLLIN, 0};
        if (stderr_ >= 0)
            fds[count++] = {stderr_, POLLIN, 0};
        const bool writing = InputReady();
        if (writing)
            fds[count++] = {stdin_, POLLOUT, 0};

        const int left = MillisecondsLeft();
        if (left == 0)
            return false;
        if (poll(fds, count, std::min(left, MillisecondsToSignal())) < 0 && errno != EINTR)
            return false;

        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == stdout_)
                Drain(stdout_, result_.out);
            else if (fds[i].fd == stderr_)
                Drain(stderr_, result_.err);
            else if (fds[i].fd == stdin_)
                WriteInput();
        }
        return true;
    }

    // Writes as much of the current input piece as the pipe takes.
    void WriteInput()
    {
        const std::vector<unsigned char>& bytes = run_.input[piece_].bytes;
        while (offset_ < bytes.size()) {
            const ssize_t n = write(stdin_, bytes.data() + offset_, bytes.size() - offset_);
            if (n > 0) {
                offset_ += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                return;
            // The filter closed its input: the rest cannot be delivered.
            CloseFd(stdin_);
            piece_ = run_.input.size();
            return;
        }
        ++piece_;
        offset_ = 0;
    }

    // Kills the child after the deadline.
    void Kill()
    {
        kill(pid_, SIGKILL);
        result_.timedOut = true;
        CloseFd(stdout_);
        CloseFd(stderr_);
    }

    // Waits for the child's end (killing it at the deadline) and records it.
    void Reap()
    {
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_)
                break;
            if (done < 0 && errno != EINTR)
                return;
            if (MillisecondsLeft() == 0 && !result_.timedOut)
                Kill();
            usleep(1000);
        }
        if (WIFEXITED(status)) {
            result_.exited = true;
            result_.exitStatus = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result_.termSignal = WTERMSIG(status);
        }
    }

    const FilterRun& run_;
    pid_t pid_;
    int stdin_;
    int stdout_;
    int stderr_;
    FilterResult& result_;
    Clock::time_point deadline_;
    Clock::time_point signalTime_;
    std::size_t piece_ = 0;
    std::size_t offset_ = 0;
};

// Opens the child's standard output for a target other than the captured
// pipe or a closed descriptor; -1 when it cannot be set up.
int UncapturedStdout(StdoutTarget target)
{
    if (target == StdoutTarget::DevFull)
        return open("/dev/full", O_WRONLY | O_CLOEXEC);
    int ends[2];
    if (target != StdoutTarget::BrokenPipe || pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    close(ends[0]);  // nobody will read: every write fails with EPIPE
    return ends[1];
}

}  // namespace

std::vector<std::string> FilterResult::ErrLines() const
{
    std::vector<std::string> lines;
    std::istringstream stream(err);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> FilterResult::ErrLinesStartingWith(const std::string& prefix) const
{
    std::vector<std::string> lines;
    for (const std::string& line : ErrLines())
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    return lines;
}

std::string FilterResult::Describe() const
{
    std::ostringstream text;
    if (!started)
        text << "not started";
    else if (timedOut)
        text << "timed out";
    else if (exited)
        text << "exit status " << exitStatus;
    else
        text << "killed by signal " << termSignal;
    text << ", " << out.size() << " bytes of output, stderr: \"" << err << "\"";
    return text.str();
}

FilterResult RunFilter(const FilterRun& run)
{
    FilterResult result;
    // A filter that exits early closes its input; writing to it must not
    // kill the test process.
    signal(SIGPIPE, SIG_IGN);

    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    int stdinFd = -1;
    if (!run.stdinFile.empty()) {
        stdinFd = open(run.stdinFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (stdinFd < 0)
            return result;
    } else if (pipe2(inPipe, O_CLOEXEC) != 0) {
        return result;
    }
    if (run.stdoutTarget == StdoutTarget::Captured) {
        if (pipe2(outPipe, O_CLOEXEC) != 0)
            return result;
    } else if (run.stdoutTarget != StdoutTarget::Closed) {
        outPipe[1] = UncapturedStdout(run.stdoutTarget);
        if (outPipe[1] < 0)
            return result;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        return result;
    if (stdinFd < 0)
        stdinFd = inPipe[0];

    std::vector<std::string> argStrings{run.executable};
    argStrings.insert(argStrings.end(), run.args.begin(), run.args.end());
    std::vector<std::string> envStrings = BuildEnvironment(run);
    std::vector<char*> argv = CStringArray(argStrings);
    std::vector<char*> envp = CStringArray(envStrings);

    const pid_t pid = fork();
    if (pid == 0)
        ExecChild(run, stdinFd, outPipe[1], errPipe[1], argv.data(), envp.data());

    CloseFd(stdinFd);
    CloseFd(outPipe[1]);
    CloseFd(errPipe[1]);
    if (pid < 0) {
        CloseFd(inPipe[1]);
        CloseFd(outPipe[0]);
        CloseFd(errPipe[0]);
        return result;
    }
    result.started = true;
    result.signalSent = run.signalPendingAtStart;

    if (outPipe[0] >= 0)
        SetNonBlocking(outPipe[0]);
    SetNonBlocking(errPipe[0]);
    if (inPipe[1] >= 0)
        SetNonBlocking(inPipe[1]);
    ChildSession session(run, pid, inPipe[1], outPipe[0], errPipe[0], result);
    session.Run();
    return result;
}

}  // namespace testsupport
