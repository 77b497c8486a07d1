// SPDX-License-Identifier: Apache-2.0
// BodyBytes: the byte vector a page body is built in. Its allocator leaves
// the bytes a resize adds uninitialised instead of zeroing them, so that
// the column kernels can write a bit image's columns straight into the body
// (they overwrite every byte that is kept) without a fill or a copy first.
#ifndef RIDEVEDUDARUZO_ESCP_BODYBYTES_H
#define RIDEVEDUDARUZO_ESCP_BODYBYTES_H

#include <memory>
#include <new>
#include <utility>
#include <vector>

template <typename T>
class UninitialisedAllocator : public std::allocator<T> {
public:
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };

    UninitialisedAllocator() noexcept = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U>& other) noexcept
        : std::allocator<T>(other)
    {
    }

    // An element made without a value is left as the memory holds it.
    template <typename U>
    void construct(U* at) noexcept
    {
        ::new (static_cast<void*>(at)) U;
    }
    // An element made from a value is that value.
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

using BodyBytes = std::vector<unsigned char, UninitialisedAllocator<unsigned char>>;

#endif
