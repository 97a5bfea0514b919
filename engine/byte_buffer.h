// A growable byte buffer whose new bytes are left as they are instead of being cleared: every
// byte a merge adds to one is read from a file over it at once, and clearing megabytes first
// would cost a run as much as a copy of its pages. It starts on a page boundary: the system's
// copy of a file's bytes, which lie on page boundaries in its cache, runs at full speed only into
// memory that lies on them too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

// What a buffer is aligned to, and where in it a file's bytes are best read to.
inline constexpr std::size_t kPageAlignment = 4096;

inline std::size_t alignedUp(std::size_t offset) {
    return (offset + kPageAlignment - 1) & ~(kPageAlignment - 1);
}

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

    T* allocate(std::size_t count) {
        return static_cast<T*>(::operator new(count * sizeof(T), std::align_val_t{kPageAlignment}));
    }
    void deallocate(T* place, std::size_t) noexcept { ::operator delete(place, std::align_val_t{kPageAlignment}); }

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
