// Checked stdio steps with 64-bit positions, so that every seek, read and write the engine makes
// reports its failure and no position is cut to 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace stream_io {

inline bool seekTo(std::FILE* file, std::int64_t position) {
    if (position < 0) {
        return false;
    }
#ifdef _WIN32
    return _fseeki64(file, position, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

// Seeks to the end and returns the position there (the file's length), or -1.
inline std::int64_t seekToEnd(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) {
        return -1;
    }
    return _ftelli64(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(ftello(file));
#endif
}

inline bool readExact(std::FILE* file, void* buffer, std::size_t length) {
    return std::fread(buffer, 1, length, file) == length;
}

inline bool writeExact(std::FILE* file, const void* buffer, std::size_t length) {
    return std::fwrite(buffer, 1, length, file) == length;
}

}  // namespace stream_io
