// SPDX-License-Identifier: Apache-2.0
// POSIX wrappers of the logging subsystem: mutex, semaphore, thread, sleeping,
// local time and directory helpers.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ruzolog/LockHelper.h"
#include "ruzolog/PlatformUtil.h"
#include "ruzolog/SemHelper.h"
#include "ruzolog/ThreadHelper.h"

namespace ruzolog {

namespace {

// Wall-clock time in milliseconds since the epoch.
long long wallClockMilliseconds()
{
    struct timeval now {};
    gettimeofday(&now, nullptr);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_usec / 1000;
}

}  // namespace

LockHelper::LockHelper()
{
    pthread_mutex_init(&mutex, nullptr);
}

LockHelper::~LockHelper()
{
    pthread_mutex_destroy(&mutex);
}

void LockHelper::lock()
{
    pthread_mutex_lock(&mutex);
}

void LockHelper::unLock()
{
    pthread_mutex_unlock(&mutex);
}

SemHelper::~SemHelper()
{
    destroy();
}

void SemHelper::destroy()
{
    if (created) {
        sem_destroy(&semaphore);
        created = false;
    }
}

bool SemHelper::create(int initial)
{
    destroy();
    const unsigned int count = initial < 0 ? 0 : static_cast<unsigned int>(initial);
    created = sem_init(&semaphore, 0, count) == 0;
    return created;
}

bool SemHelper::wait(int timeoutMs)
{
    if (timeoutMs <= 0) {
        return sem_wait(&semaphore) == 0;
    }
    const long long deadline = wallClockMilliseconds() + timeoutMs;
    for (;;) {
        sleepMillisecond(50);
        if (sem_trywait(&semaphore) == 0) {
            return true;
        }
        const int error = errno;
        if (wallClockMilliseconds() > deadline || error != EAGAIN) {
            return false;
        }
    }
}

bool SemHelper::post()
{
    return sem_post(&semaphore) == 0;
}

void* threadProc(void* param)
{
    static_cast<ThreadHelper*>(param)->run();
    return nullptr;
}

bool ThreadHelper::start()
{
    joinable = pthread_create(&handle, nullptr, threadProc, this) == 0;
    return joinable;
}

bool ThreadHelper::wait()
{
    if (!joinable) {
        return false;
    }
    joinable = false;
    return pthread_join(handle, nullptr) == 0;
}

void sleepMillisecond(unsigned int ms)
{
    usleep(ms * 1000U);
}

struct tm timeToTm(time_t t)
{
    struct tm result;
    std::memset(&result, 0, sizeof(result));
    localtime_r(&t, &result);
    return result;
}

std::int64_t localMidnight(time_t t, const struct tm& local)
{
    return static_cast<std::int64_t>(t) - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

void fixPath(std::string& path)
{
    if (path.empty()) {
        return;
    }
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (path.back() != '/') {
        path += '/';
    }
}

bool isDirectory(std::string path)
{
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return false;
    }
    closedir(dir);
    return true;
}

bool createRecursionDir(std::string path)
{
    if (path.empty()) {
        return true;
    }
    fixPath(path);
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && !isDirectory(part) && mkdir(part.c_str(), 0777) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace ruzolog
