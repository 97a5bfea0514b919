// A buffer that starts on a page boundary and spans whole pages, for the floors in bench/: the
// kernel copies page-cache pages into such a buffer at full speed, and into one that starts a few
// bytes past a boundary (where std::vector's storage starts) at about half, which would make the
// floors slower than the least a merge could do.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdlib>

class PageAlignedBuffer {
public:
    // Rounds `size` up to whole pages; data() is null when the memory could not be had.
    explicit PageAlignedBuffer(std::size_t size) {
        const long page = sysconf(_SC_PAGESIZE);
        const std::size_t alignment = page > 0 ? static_cast<std::size_t>(page) : kFallbackPage;
        size_ = (size + alignment - 1) / alignment * alignment;
        data_ = static_cast<char*>(std::aligned_alloc(alignment, size_));
    }
    ~PageAlignedBuffer() { std::free(data_); }
    PageAlignedBuffer(const PageAlignedBuffer&) = delete;
    PageAlignedBuffer& operator=(const PageAlignedBuffer&) = delete;

    char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    static constexpr std::size_t kFallbackPage = 4096;
    std::size_t size_ = 0;
    char* data_ = nullptr;
};
