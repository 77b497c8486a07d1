// SPDX-License-Identifier: Apache-2.0
// Counting semaphore, private to the process, with a polled timed wait; used
// to hand a "ready" signal from one thread to another.
#ifndef RUZOLOG_SEMHELPER_H
#define RUZOLOG_SEMHELPER_H

#include <semaphore.h>

namespace ruzolog {

class SemHelper {
public:
    SemHelper() = default;
    virtual ~SemHelper();
    SemHelper(const SemHelper&) = delete;
    SemHelper& operator=(const SemHelper&) = delete;

    // Initialises the semaphore with the given count (negative counts as 0),
    // destroying any earlier one first; true on success.
    bool create(int initial);
    // Takes the semaphore. timeoutMs <= 0 blocks until it can be taken;
    // otherwise it is tried every 50 ms, first after 50 ms, until the
    // deadline has passed. True if it was taken.
    bool wait(int timeoutMs);
    // Releases the semaphore once; true on success.
    bool post();

private:
    // Destroys the semaphore if it was created.
    void destroy();

    sem_t semaphore{};
    bool created = false;
};

}  // namespace ruzolog

#endif
