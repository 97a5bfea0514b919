// The limits a file system puts on a path, shared by the platforms, which count in their own units
// (bytes on POSIX, UTF-16 units on Windows) and know their own numbers.
#pragma once

#include <cstddef>

namespace platform {

// True when `path` is shorter than `maxPath` and none of its steps, between `separators`, is
// longer than `maxStep`.
template <typename Text>
bool withinPathLimits(const Text& path, const typename Text::value_type* separators, std::size_t maxPath,
                      std::size_t maxStep) {
    if (path.size() >= maxPath) {
        return false;
    }
    for (std::size_t start = 0, end; start < path.size(); start = end + 1) {
        end = path.find_first_of(separators, start);
        if (end == Text::npos) {
            end = path.size();
        }
        if (end - start > maxStep) {
            return false;
        }
    }
    return true;
}

}  // namespace platform
