// SPDX-License-Identifier: Apache-2.0
// Renderer: Ghostscript in its own process group, folder and limits.
#include "printerapp/Renderer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// How often the watchdog looks at the job and the clock.
constexpr std::chrono::milliseconds kWatchInterval(100);

// The folder of a path.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/tmp") : path.substr(0, slash);
}

// A NUL-terminated list of pointers into `strings`.
std::vector<char*> PointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the child between fork and exec (only async-signal-safe calls):
// its own process group, killed with the job thread that started it, the
// limits, the pipe as standard output, the private folder.
[[noreturn]] void RunChild(int output, const char* folder, rlim_t memoryBytes, rlim_t cpuSeconds,
                           char* const* argv, char* const* envp)
{
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit memory{memoryBytes, memoryBytes};
    const rlimit cpu{cpuSeconds, cpuSeconds};
    const rlimit files{memoryBytes, memoryBytes};
    if (setrlimit(RLIMIT_AS, &memory) != 0 || setrlimit(RLIMIT_CPU, &cpu) != 0 ||
        setrlimit(RLIMIT_FSIZE, &files) != 0 || dup2(output, STDOUT_FILENO) < 0 ||
        chdir(folder) != 0)
        _exit(127);
    // Nothing of the server's (listeners, devices, files) goes with it.
    close_range(STDERR_FILENO + 1, ~0U, 0);
    execvpe(argv[0], argv, envp);
    _exit(127);
}

}  // namespace

Renderer::Renderer(pappl_job_t* renderedJob, const DocumentLimits& documentLimits)
    : job(renderedJob),
      limits(documentLimits)
{
}

Renderer::~Renderer()
{
    End(true);
}

bool Renderer::MakeFolder(std::string& why)
{
    const char* jobFile = papplJobGetFilename(job);
    std::string pattern = FolderOf(jobFile != nullptr ? jobFile : "") + "/render-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) {
        why = std::string("cannot make a folder for Ghostscript: ") + std::strerror(errno);
        return false;
    }
    folder = pattern;
    return true;
}

bool Renderer::Start(const std::vector<std::string>& arguments, std::string& why)
{
    if (!MakeFolder(why))
        return false;
    std::vector<std::string> argvStrings = arguments;
    const char* path = std::getenv("PATH");
    std::vector<std::string> envStrings = {
        std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin"),
        "TMPDIR=" + folder,
        "TEMP=" + folder,
        "TMP=" + folder,
        "HOME=" + folder,
        "LC_ALL=C",
    };
    std::vector<char*> argv = PointersTo(argvStrings);
    std::vector<char*> envp = PointersTo(envStrings);
    const rlim_t memoryBytes = static_cast<rlim_t>(limits.memoryMegabytes) * 1024 * 1024;
    const rlim_t cpuSeconds = static_cast<rlim_t>(limits.jobSeconds);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        why = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    // The write end must survive the exec as standard output.
    const pid_t child = fork();
    if (child == 0) {
        const int output = dup(fds[1]);
        RunChild(output, folder.c_str(), memoryBytes, cpuSeconds, argv.data(), envp.data());
    }
    const int forkError = errno;
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        why = std::string("cannot start Ghostscript: ") + std::strerror(forkError);
        return false;
    }
    setpgid(child, child);
    pid = child;
    input = fds[0];
    started = Clock::now();
    pageStarted = started.time_since_epoch().count();
    watchdog = std::thread([this] { Watch(); });
    raster = cupsRasterOpen(input, CUPS_RASTER_READ);
    if (raster == nullptr) {
        // Stopped by a limit before its first page, or not a renderer at all.
        why = StopReason().empty() ? "cannot read Ghostscript's output" : StopReason();
        return false;
    }
    return true;
}

bool Renderer::NextPage(cups_page_header2_t& header)
{
    if (raster == nullptr || cupsRasterReadHeader2(raster, &header) == 0)
        return false;
    if (++pages > limits.maxPages) {
        Stop("the document has more than " + std::to_string(limits.maxPages) +
             " pages, the most one job may print");
        return false;
    }
    pageStarted = Clock::now().time_since_epoch().count();
    return true;
}

bool Renderer::ReadLine(unsigned char* line, unsigned bytes)
{
    return cupsRasterReadPixels(raster, line, bytes) == bytes;
}

bool Renderer::Finish()
{
    return End(false);
}

std::string Renderer::StopReason() const
{
    std::lock_guard<std::mutex> guard(lock);
    return reason;
}

void Renderer::Watch()
{
    pappl_system_t* system = papplPrinterGetSystem(papplJobGetPrinter(job));
    std::unique_lock<std::mutex> guard(lock);
    while (!done) {
        wake.wait_for(guard, kWatchInterval);
        if (done)
            break;
        const Clock::time_point now = Clock::now();
        const Clock::time_point pageStart{Clock::duration(pageStarted.load())};
        std::string why;
        bool stop = false;
        if (papplJobIsCanceled(job)) {
            stop = true;
        } else if (!papplSystemIsRunning(system)) {
            stop = true;
            why = "the server stopped";
        } else if (now - started > std::chrono::seconds(limits.jobSeconds)) {
            stop = true;
            why = "rendering the document took longer than " + std::to_string(limits.jobSeconds) +
                  " seconds";
        } else if (now - pageStart > std::chrono::seconds(limits.pageSeconds)) {
            stop = true;
            why = "rendering page " + std::to_string(pages + 1) + " took longer than " +
                  std::to_string(limits.pageSeconds) + " seconds";
        }
        if (stop) {
            if (reason.empty())
                reason = why;
            if (pid > 0)
                killpg(pid, SIGKILL);
            break;
        }
    }
}

void Renderer::Stop(const std::string& why)
{
    std::lock_guard<std::mutex> guard(lock);
    if (reason.empty())
        reason = why;
    if (pid > 0)
        killpg(pid, SIGKILL);
}

bool Renderer::End(bool stop)
{
    if (raster != nullptr) {
        cupsRasterClose(raster);
        raster = nullptr;
    }
    if (input >= 0) {
        close(input);
        input = -1;
    }
    bool exitedWell = true;
    if (pid > 0) {
        int status = 0;
        // The whole group goes, Ghostscript's own children too.
        if (stop)
            killpg(pid, SIGKILL);
        pid_t reaped;
        do {
            reaped = waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        exitedWell = reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::lock_guard<std::mutex> guard(lock);
        pid = -1;
    }
    if (watchdog.joinable()) {
        {
            std::lock_guard<std::mutex> guard(lock);
            done = true;
        }
        wake.notify_all();
        watchdog.join();
    }
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        folder.clear();
    }
    return exitedWell;
}
