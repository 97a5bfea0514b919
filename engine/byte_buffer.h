// A growable byte buffer whose new bytes are left as they are instead of being cleared: every
// byte a merge adds to one is read from a file over it at once, and clearing megabytes first
// would cost a run as much as a copy of its pages.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

template <typename T>
class UninitializedAllocator : public std::allocator<T> {
public:
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

    // A new element without a value: its bytes are whatever the memory held.
    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

using ByteBuffer = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;
