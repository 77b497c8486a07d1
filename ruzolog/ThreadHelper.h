// SPDX-License-Identifier: Apache-2.0
// Base class for an object that runs its own thread: start() runs run() on a
// new POSIX thread and wait() joins it.
#ifndef RUZOLOG_THREADHELPER_H
#define RUZOLOG_THREADHELPER_H

#include <pthread.h>

namespace ruzolog {

class ThreadHelper {
public:
    ThreadHelper() = default;
    virtual ~ThreadHelper() = default;
    ThreadHelper(const ThreadHelper&) = delete;
    ThreadHelper& operator=(const ThreadHelper&) = delete;

    // Body of the thread, supplied by the derived class.
    virtual void run() = 0;

    // Starts a thread with default attributes that runs run(); true if created.
    bool start();
    // Joins the thread started last; false if there is none to join.
    bool wait();

private:
    pthread_t handle{};
    bool joinable = false;
};

// Thread entry handed to the thread library: runs the ThreadHelper's run().
void* threadProc(void* param);

}  // namespace ruzolog

#endif
