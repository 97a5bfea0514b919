// The private cache on Windows: "Quirewell\Cache" below the user's local application data folder,
// which the user's profile keeps private; the folder must be the user's (or the system's).
#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/private_cache.h"
#include "platform/win32/handles.h"
#include "platform/win32/owners.h"

namespace platform {

bool openPrivateCache(OpenFolder& folder) {
    folder.close();
    PWSTR local = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &local))) {
        return false;
    }
    const HANDLE base = CreateFileW(
        local, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    CoTaskMemFree(local);
    if (base == INVALID_HANDLE_VALUE) {
        return false;
    }
    OpenFolder root;
    root.native_.handle = base;
    root.native_.finalPath = finalPath(base);
    OpenFolder program;
    if (root.native_.finalPath.empty() ||
        root.enter("Quirewell", LinkRule::None, true, program) != Reach::Reached ||
        program.enter("Cache", LinkRule::None, true, folder) != Reach::Reached ||
        ownerOf(folder.native_.handle) != LinkOwner::OwnOrSystem) {
        folder.close();
        return false;
    }
    return true;
}

bool InputFile::isOwn() const {
    return isOpen() && ownerOf(file_.handle) == LinkOwner::OwnOrSystem;
}

}  // namespace platform
