// The parts of the save folder the same on every platform: its walks, step by step through
// OpenFolder, and closing a file the run created.
#include "platform/save_folder.h"

#include <cstdio>

namespace platform {

bool SaveFolder::open(const std::string& path) {
    return root_.openNamed(path);
}

Reach SaveFolder::reach(const std::vector<std::string>& steps, bool make, OpenFolder& folder,
                        std::size_t& failedAt) const {
    folder.close();
    failedAt = 0;
    OpenFolder current;
    if (!root_.duplicate(current)) {
        return Reach::Failed;
    }
    for (const std::string& step : steps) {
        OpenFolder next;
        const Reach reached = current.enter(step, LinkRule::OwnOrSystem, make, next);
        if (reached != Reach::Reached) {
            return reached;
        }
        current = std::move(next);
        ++failedAt;
    }
    folder = std::move(current);
    return Reach::Reached;
}

RemoveResult SaveFolder::removeBelow(const std::vector<std::string>& steps,
                                     const std::string& nestedMark) const {
    if (steps.empty() || !root_.isOpen()) {
        return RemoveResult::NotThere;
    }
    const OpenFolder* current = &root_;
    OpenFolder below;
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
        OpenFolder next;
        const Reach reached = current->enter(steps[i], LinkRule::None, false, next);
        if (reached != Reach::Reached) {
            // A folder this user may not enter now may let the next run in.
            return reached == Reach::Denied ? RemoveResult::Failed : RemoveResult::NotThere;
        }
        // A folder with a save folder's lock file is that save folder's runs' to clean.
        if (next.holds(nestedMark)) {
            return RemoveResult::NotThere;
        }
        below = std::move(next);
        current = &below;
    }
    return current->removePlain(steps.back());
}

bool CreatedFile::close() {
    bool closed = true;
    if (stream_ != nullptr) {
        closed = std::fclose(stream_) == 0;
        stream_ = nullptr;
    }
    return closed;
}

}  // namespace platform
