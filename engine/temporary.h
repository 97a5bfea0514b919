// A temporary of the run's: a merged fax's bytes beside its place until the fax is complete. One
// object owns it from its making to its placing or removal: its file, the folder it lies in and
// its line in the run's list of temporaries. Once it is put in place it is the merged fax, and
// nothing this object does can remove it any more.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/save_folder.h"

class TemporaryRecords;

class Temporary {
public:
    // `file`, just created in `folder`; `line` its line in `list`, empty when it is unlisted.
    Temporary(std::shared_ptr<const platform::OpenFolder> folder, platform::CreatedFile file,
              TemporaryRecords* list, std::string line);
    // Removed unless it was put in place.
    ~Temporary() { discard(); }
    Temporary(Temporary&&) noexcept = default;
    Temporary& operator=(Temporary&&) = delete;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    // The open file, for the positioned writes of its bytes (null once placed or removed).
    std::FILE* stream() const { return file_.stream(); }
    const std::string& name() const { return file_.name(); }

    // Puts it in the place of `name` in its folder, when it still has its own name there and the
    // `length` the run gave it; then, in place, gives it `times` (when set) and closes it.
    // `timesKept` tells whether the times were given. With `facts`, its bytes are sent on to the
    // disk and its facts (but for its volume) taken before it is closed; `size` -1 when they could
    // not be. Placed: it is the merged fax now.
    platform::Placing putInPlace(const std::string& name, std::int64_t length,
                                 const platform::FileTimes* times, bool& timesKept,
                                 platform::FileFacts* facts = nullptr);
    // Removes it unless it was put in place; a listed one that cannot be removed stays listed, for
    // the next run.
    void discard();

private:
    std::shared_ptr<const platform::OpenFolder> folder_;
    platform::CreatedFile file_;
    TemporaryRecords* list_;
    std::string line_;
};
