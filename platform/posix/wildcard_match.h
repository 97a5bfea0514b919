// File-name patterns with the rules of the Windows enumeration, for the POSIX directory walk:
// "*" any run of characters, "?" exactly one, letters compared without regard to case, and the
// mask "*.*" matching every name, with or without a dot.
#pragma once

#include <string>

namespace platform {

bool matchesMask(const std::string& name, const std::string& mask);

}  // namespace platform
