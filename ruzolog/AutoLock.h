// SPDX-License-Identifier: Apache-2.0
// Scoped guard: holds a LockHelper from construction to destruction.
#ifndef RUZOLOG_AUTOLOCK_H
#define RUZOLOG_AUTOLOCK_H

#include "ruzolog/LockHelper.h"

namespace ruzolog {

class AutoLock {
public:
    // Takes the lock.
    explicit AutoLock(LockHelper& lock)
        : held(lock)
    {
        held.lock();
    }
    // Releases the lock.
    ~AutoLock() { held.unLock(); }
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    LockHelper& held;
};

}  // namespace ruzolog

#endif
