// The parts of the private cache the same on every platform: a file read whole when it is the
// user's own, and a file replaced whole.
#include "platform/private_cache.h"

namespace platform {

bool readOwnFile(const OpenFolder& folder, const std::string& name, std::size_t most, std::string& bytes) {
    InputFile file;
    FileInfo info;
    unsigned links = 0;
    if (!file.openIn(folder, name, false, info, links) || links != 1 || !file.isOwn() || info.size < 0 ||
        static_cast<std::uint64_t>(info.size) > most) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(info.size));
    return file.readAt(0, bytes.data(), bytes.size());
}

bool replaceFile(const OpenFolder& folder, const std::string& name, const std::string& bytes) {
    // A new file of a name of this process's own; one a killed run of the same number left goes.
    const std::string fresh = name + "." + std::to_string(processNumber()) + ".new";
    folder.removePlain(fresh);
    CreatedFile file;
    if (!folder.create(fresh, file, true)) {
        return false;
    }
    const bool written =
        writeAt(file.stream(), 0, bytes.data(), bytes.size()) &&
        file.putInPlace(folder, name, static_cast<std::int64_t>(bytes.size())) == Placing::Placed;
    if (!written) {
        file.discard(folder);
    }
    return file.close() && written;
}

}  // namespace platform
