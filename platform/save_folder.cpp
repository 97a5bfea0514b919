// The parts of the save folder the same on every platform: a folder held open and its steps, the
// walks below the save folder, and a file the run created handed on and closed.
#include "platform/save_folder.h"

#include <cstdio>
#include <utility>

#include "platform/native_calls.h"

namespace platform {

OpenFolder::OpenFolder(OpenFolder&& other) noexcept : native_(std::exchange(other.native_, NativeFolder{})) {}

OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept {
    if (this != &other) {
        close();
        native_ = std::exchange(other.native_, NativeFolder{});
    }
    return *this;
}

void OpenFolder::close() {
    if (isOpen()) {
        native::closeFolder(native_);
    }
    native_ = NativeFolder{};
}

bool OpenFolder::duplicate(OpenFolder& into) const {
    into.close();
    return isOpen() && native::duplicateFolder(native_, into.native_);
}

Reach OpenFolder::enter(const std::string& name, LinkRule rule, bool make, OpenFolder& into) const {
    into.close();
    if (!isOpen()) {
        return Reach::Failed;
    }
    // Twice at most: once more after the folder was made (or another run made it first).
    for (int attempt = 0; attempt < 2; ++attempt) {
        OpenFolder opened;
        const native::Step step = native::probeStep(native_, name, opened.native_);
        switch (step.kind) {
            case native::StepKind::Folder:
                into = std::move(opened);
                return Reach::Reached;
            case native::StepKind::Denied:
                return Reach::Denied;
            case native::StepKind::Failed:
                return Reach::Failed;
            case native::StepKind::Missing:
                if (!make) {
                    return Reach::Missing;
                }
                switch (native::makeFolder(native_, name)) {
                    case native::Making::Made:
                        continue;
                    case native::Making::Denied:
                        return Reach::Denied;
                    case native::Making::Failed:
                        return Reach::Failed;
                }
                return Reach::Failed;
            case native::StepKind::Link:
            case native::StepKind::MountedFolder:
                // Entered only when it is the user's or the system's, and then it leads wherever
                // its owner made it lead.
                if (rule == LinkRule::None) {
                    return Reach::Failed;
                }
                if (step.owner != LinkOwner::OwnOrSystem) {
                    return step.owner == LinkOwner::Unknown ? Reach::UnknownLink : Reach::StrangersLink;
                }
                if (step.kind == native::StepKind::MountedFolder) {
                    into = std::move(opened);
                    return Reach::Reached;
                }
                return native::openFollowingLink(native_, name, into.native_) ? Reach::Reached
                                                                              : Reach::Failed;
        }
    }
    return Reach::Failed;
}

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

CreatedFile::CreatedFile(CreatedFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      name_(std::move(other.name_)),
      device_(other.device_),
      inode_(other.inode_) {}

CreatedFile& CreatedFile::operator=(CreatedFile&& other) noexcept {
    if (this != &other) {
        close();
        stream_ = std::exchange(other.stream_, nullptr);
        name_ = std::move(other.name_);
        device_ = other.device_;
        inode_ = other.inode_;
    }
    return *this;
}

bool CreatedFile::setTimes(const FileTimes& times) {
    return isOpen() && native::setTimes(native::fileOf(stream_), times);
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
