// The save folder on Windows: every step opened with FILE_FLAG_OPEN_REPARSE_POINT from the
// final path of the folder before it, a reparse point entered only when its owner is the user or
// the system, and every folder and file checked by its final path, which must be exactly the path
// it was opened by: under Wine, which follows a Unix link whatever the flags, that is what tells
// one on the way. Files are renamed and removed by their own handles.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/native_calls.h"
#include "platform/save_folder.h"
#include "platform/win32/handles.h"
#include "platform/win32/owners.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;

std::wstring inFolder(const std::wstring& folder, const std::string& name) {
    return platform::inFolder(folder, widen(name));
}

HANDLE openFolder(const std::wstring& path, bool followLink) {
    return CreateFileW(path.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

DWORD attributesOf(HANDLE handle) {
    FILE_BASIC_INFO basic{};
    return GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)
               ? basic.FileAttributes
               : INVALID_FILE_ATTRIBUTES;
}

// The file at `path` (opened without following a link there) is the one `index` numbers.
bool pathNamesFile(const std::wstring& path, std::uint64_t index) {
    const HANDLE named = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::uint64_t namedIndex = 0;
    const bool same =
        fileIndex(named, namedIndex) && namedIndex == index && samePath(platform::finalPath(named), path);
    CloseHandle(named);
    return same;
}

// Opens `handle`'s folder into `into` when it is a folder; false (the handle closed) otherwise.
bool keepFolder(HANDLE handle, NativeFolder& into) {
    const DWORD attributes = attributesOf(handle);
    std::wstring reached = platform::finalPath(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        reached.empty()) {
        CloseHandle(handle);
        return false;
    }
    into.handle = handle;
    into.finalPath = std::move(reached);
    return true;
}

}  // namespace

namespace native {

void closeFolder(NativeFolder& folder) {
    CloseHandle(folder.handle);
    folder = NativeFolder{};
}

bool duplicateFolder(const NativeFolder& folder, NativeFolder& into) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), folder.handle, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    into.handle = copy;
    into.finalPath = folder.finalPath;
    return true;
}

Step probeStep(const NativeFolder& at, const std::string& name, NativeFolder& opened) {
    const std::wstring path = inFolder(at.finalPath, name);
    const HANDLE next = openFolder(path, false);
    if (next == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED) {
            return {StepKind::Denied};
        }
        return {error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? StepKind::Missing
                                                                               : StepKind::Failed};
    }
    const DWORD attributes = attributesOf(next);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(next);
        return {StepKind::Failed};
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A junction, a link or a mount point.
        const LinkOwner owner = reparsePointOwner(next);
        CloseHandle(next);
        return {StepKind::Link, owner};
    }
    opened.handle = next;
    opened.finalPath = platform::finalPath(next);
    // Somewhere else than its path: a link the system did not show (Wine), or a folder exchanged
    // on the way since it was opened.
    return samePath(opened.finalPath, path) ? Step{StepKind::Folder}
                                            : Step{StepKind::Link, LinkOwner::Unknown};
}

Making makeFolder(const NativeFolder& at, const std::string& name) {
    SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (CreateDirectoryW(inFolder(at.finalPath, name).c_str(), &security) ||
        GetLastError() == ERROR_ALREADY_EXISTS) {
        return Making::Made;
    }
    return GetLastError() == ERROR_ACCESS_DENIED ? Making::Denied : Making::Failed;
}

bool openFollowingLink(const NativeFolder& at, const std::string& name, NativeFolder& into) {
    const HANDLE next = openFolder(inFolder(at.finalPath, name), true);
    return next != INVALID_HANDLE_VALUE && keepFolder(next, into);
}

}  // namespace native

bool OpenFolder::openNamed(const std::string& path) {
    close();
    const HANDLE folder = openFolder(widen(path.empty() ? std::string(".") : path), true);
    return folder != INVALID_HANDLE_VALUE && keepFolder(folder, native_);
}

bool OpenFolder::list(std::vector<std::string>& names) const {
    if (!isOpen()) {
        return false;
    }
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((native_.finalPath + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0) {
            bool exact = true;
            names.push_back(narrow(data.cFileName, exact));
        }
    } while (FindNextFileW(find, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    return complete;
}

bool OpenFolder::listFacts(std::vector<FolderEntry>& entries) const {
    if (!isOpen()) {
        return false;
    }
    const std::uint64_t volume = volumeOf(native_.handle);
    return listFolderFacts(native_.handle, [&](const std::wstring& name, FileFacts facts, DWORD) {
        if (name != L"." && name != L"..") {
            bool exact = true;
            facts.volume = volume;
            entries.push_back({narrow(name, exact), facts});
        }
    });
}

bool OpenFolder::facts(FolderFacts& facts) const {
    if (!isOpen()) {
        return false;
    }
    facts.volume = volumeOf(native_.handle);
    fileIndex(native_.handle, facts.index);
    facts.trust = trustOf(native_.handle, native_.finalPath);
    return true;
}

bool OpenFolder::waitForDisk(const CreatedFile* written) const {
    // Every file written there has had its bytes sent to the disk; a flush of one of them makes
    // the disk keep them all, as it flushes the disk's own cache.
    return isOpen() && written != nullptr && written->isOpen() &&
           FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(written->stream())))) != FALSE;
}

bool OpenFolder::holds(const std::string& name) const {
    return isOpen() &&
           GetFileAttributesW(inFolder(native_.finalPath, name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool OpenFolder::create(const std::string& name, CreatedFile& file, bool) const {
    file.close();
    if (!isOpen()) {
        return false;
    }
    const std::wstring path = inFolder(native_.finalPath, name);
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::uint64_t index = 0;
    if (!samePath(platform::finalPath(handle), path) || !fileIndex(handle, index)) {
        // Made elsewhere than the folder the run holds: a folder exchanged on the way.
        deleteOnClose(handle);
        CloseHandle(handle);
        return false;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    std::FILE* stream = fd >= 0 ? _fdopen(fd, "w+b") : nullptr;
    if (stream == nullptr) {
        deleteOnClose(handle);
        if (fd >= 0) {
            _close(fd);
        } else {
            CloseHandle(handle);
        }
        return false;
    }
    file.stream_ = stream;
    file.name_ = name;
    file.inode_ = index;
    return true;
}

RemoveResult OpenFolder::removePlain(const std::string& name) const {
    if (!isOpen()) {
        return RemoveResult::NotThere;
    }
    const std::wstring path = inFolder(native_.finalPath, name);
    // The file itself, a link or junction in its place included, never what that leads to.
    const HANDLE file = CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? RemoveResult::Failed
                                                                                : RemoveResult::NotThere;
    }
    FILE_STANDARD_INFO standard{};
    const DWORD attributes = attributesOf(file);
    // Its own final path, or a Unix link that Wine followed: removing by handle would remove
    // what it leads to.
    const bool plain = attributes != INVALID_FILE_ATTRIBUTES &&
                       (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
                       GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) &&
                       standard.NumberOfLinks == 1 && samePath(platform::finalPath(file), path);
    const RemoveResult result = !plain                ? RemoveResult::NotThere
                                : deleteOnClose(file) ? RemoveResult::Removed
                                                      : RemoveResult::Failed;
    CloseHandle(file);
    return result;
}

namespace {

HANDLE handleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace

Placing CreatedFile::putInPlace(const OpenFolder& folder, const std::string& name, std::int64_t length) {
    if (!isOpen() || !folder.isOpen()) {
        return Placing::NotItsName;
    }
    // Renamed by its own handle. Under Wine the rename goes by the name it was made under, so the
    // name must still be the file's: someone who may rename in the folder could otherwise have
    // this run move their file in its place.
    if (!pathNamesFile(inFolder(folder.native().finalPath, name_), inode_)) {
        return Placing::NotItsName;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(stream_), &size) || size.QuadPart != length) {
        return Placing::ChangedLength;
    }
    const std::wstring target = inFolder(folder.native().finalPath, name);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    if (!SetFileInformationByHandle(handleOf(stream_), FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size()))) {
        return Placing::Refused;
    }
    name_ = name;
    return Placing::Placed;
}

bool CreatedFile::facts(FileFacts& facts) const {
    const HANDLE handle = isOpen() ? handleOf(stream_) : INVALID_HANDLE_VALUE;
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(handle, &size) || !fileIndex(handle, facts.index)) {
        return false;
    }
    facts.size = size.QuadPart;
    facts.lastWrite = basic.LastWriteTime.QuadPart;
    facts.change = basic.ChangeTime.QuadPart;
    return true;
}

void CreatedFile::sendToDisk() const {
    // Its bytes written to the disk without waiting for the disk to keep them (Windows 8 and
    // later); earlier systems flush the disk's cache for it too.
    using Flush = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PIO_STATUS_BLOCK);
    static const auto flush = reinterpret_cast<Flush>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtFlushBuffersFileEx")));
    constexpr ULONG kNoSync = 0x2;  // FLUSH_FLAGS_NO_SYNC
    if (!isOpen()) {
        return;
    }
    IO_STATUS_BLOCK status{};
    if (flush == nullptr || flush(handleOf(stream_), kNoSync, nullptr, 0, &status) != 0) {
        FlushFileBuffers(handleOf(stream_));
    }
}

bool CreatedFile::discard(const OpenFolder& folder) {
    // Removed by its handle, which Wine does by the name it was made under: whatever has taken
    // that name since is left alone.
    if (!isOpen() || !folder.isOpen() || !pathNamesFile(inFolder(folder.native().finalPath, name_), inode_)) {
        return true;
    }
    return deleteOnClose(handleOf(stream_));
}

}  // namespace platform
