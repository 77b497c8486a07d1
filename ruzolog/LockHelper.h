// SPDX-License-Identifier: Apache-2.0
// A plain, non-recursive mutex owned for the life of the object.
#ifndef RUZOLOG_LOCKHELPER_H
#define RUZOLOG_LOCKHELPER_H

#include <pthread.h>

namespace ruzolog {

class LockHelper {
public:
    LockHelper();
    virtual ~LockHelper();
    LockHelper(const LockHelper&) = delete;
    LockHelper& operator=(const LockHelper&) = delete;

    // Blocks until the mutex is held; the holder must not lock it again.
    void lock();
    // Releases the mutex held by the calling thread.
    void unLock();

private:
    pthread_mutex_t mutex;
};

}  // namespace ruzolog

#endif
