// SPDX-License-Identifier: Apache-2.0
// ColumnKernels: choosing the table of inner loops once per process, from
// the processor's features or from RIDEV_COLUMN_PATH.
#include "escp/ColumnKernels.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The SSE2 table, where the build has it.
const ColumnKernels* Sse2Kernels()
{
#if defined(__SSE2__)
    return &kSse2Kernels;
#else
    return nullptr;
#endif
}

// The AVX2 table, where the build has it and the processor runs it.
const ColumnKernels* Avx2Kernels()
{
#if defined(RIDEV_AVX2_KERNELS) && defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) {
        return &kAvx2Kernels;
    }
#endif
    return nullptr;
}

// The fastest table this build and processor can run.
const ColumnKernels& FastestKernels()
{
    for (const ColumnPath path : {ColumnPath::kAvx2, ColumnPath::kSse2}) {
        if (const ColumnKernels* kernels = ColumnKernels::ForPath(path)) {
            return *kernels;
        }
    }
    return kPortableKernels;
}

// The table named `name`, when this processor can run it; else null.
const ColumnKernels* KernelsNamed(const char* name)
{
    for (const ColumnPath path : {ColumnPath::kAvx2, ColumnPath::kSse2, ColumnPath::kPortable}) {
        const ColumnKernels* kernels = ColumnKernels::ForPath(path);
        if (kernels != nullptr && std::strcmp(kernels->name, name) == 0) {
            return kernels;
        }
    }
    return nullptr;
}

// What the process starts with: RIDEV_COLUMN_PATH's table when it names one
// this processor can run, else the fastest. A request that is not followed
// is kept for RefusedRequest.
struct StartingChoice {
    const ColumnKernels* kernels;
    std::string refused;

    StartingChoice()
        : kernels(&FastestKernels())
    {
        const char* asked = std::getenv("RIDEV_COLUMN_PATH");
        if (asked == nullptr || *asked == '\0') {
            return;
        }
        if (const ColumnKernels* named = KernelsNamed(asked)) {
            kernels = named;
        } else {
            refused = asked;
        }
    }
};

const StartingChoice& Starting()
{
    static const StartingChoice choice;
    return choice;
}

// The table in use; read by every band, changed only by Use.
std::atomic<const ColumnKernels*>& InUse()
{
    static std::atomic<const ColumnKernels*> kernels{Starting().kernels};
    return kernels;
}

}  // namespace

const ColumnKernels* ColumnKernels::ForPath(ColumnPath path)
{
    switch (path) {
    case ColumnPath::kPortable:
        return &kPortableKernels;
    case ColumnPath::kSse2:
        return Sse2Kernels();
    case ColumnPath::kAvx2:
        return Avx2Kernels();
    }
    return nullptr;
}

const ColumnKernels& ColumnKernels::Current()
{
    return *InUse().load(std::memory_order_relaxed);
}

bool ColumnKernels::Use(ColumnPath path)
{
    const ColumnKernels* kernels = ForPath(path);
    if (kernels == nullptr) {
        return false;
    }
    InUse().store(kernels, std::memory_order_relaxed);
    return true;
}

const char* ColumnKernels::RefusedRequest()
{
    return Starting().refused.c_str();
}
