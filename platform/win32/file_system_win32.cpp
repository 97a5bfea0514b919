// The file-system boundary on Windows: FindFirstFileW enumeration with names converted without
// best fit, directory identities, CreateDirectoryA, and the three file times through
// GetFileTime and SetFileTime.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <unordered_map>

#include "platform/ansi_string.h"
#include "platform/file_system.h"
#include "platform/native_calls.h"
#include "platform/path_limits.h"
#include "platform/save_folder.h"
#include "platform/win32/handles.h"
#include "platform/win32/owners.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

std::int64_t toTicks(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME fromTicks(std::int64_t ticks) {
    const auto value = static_cast<std::uint64_t>(ticks);
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    t.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return t;
}

// Adds the facts of the files among `entries` from `before` on, listed in `folder` (ending in a
// backslash), from the folder's own listing: the one the names come from tells no change time and
// no file number.
void addFacts(const std::wstring& folder, std::vector<DirEntry>& entries, std::size_t before) {
    const HANDLE handle = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    std::unordered_map<std::wstring, FileFacts> byName;
    listFolderFacts(handle, [&](std::wstring name, const FileFacts& facts, DWORD attributes) {
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
            byName.emplace(std::move(name), facts);
        }
    });
    CloseHandle(handle);
    for (std::size_t i = before; i < entries.size(); ++i) {
        if (const auto found = byName.find(widen(entries[i].name)); found != byName.end()) {
            entries[i].facts = found->second;
        }
    }
}

}  // namespace

ListResult listDirectory(const std::string& directory, const std::string& mask,
                         std::vector<DirEntry>& entries, bool withFacts) {
    // Character-aware: the last byte of "表" is a backslash in code page 932.
    std::string pattern = directory;
    if (!endsWithChar(pattern, '\\')) {
        pattern += '\\';
    }
    pattern += mask;
    // The names come through the wide call: the narrow one converts them with best fit.
    const std::wstring widePattern = widen(pattern);
    if (widePattern.size() >= MAX_PATH) {
        return ListResult::PathTooLong;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(widePattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
                // Nothing matches the mask, or (at a drive's root) the directory is empty.
                return isDirectory(directory) ? ListResult::Listed : ListResult::NotFound;
            case ERROR_PATH_NOT_FOUND:
            case ERROR_DIRECTORY:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_NETPATH:
            case ERROR_BAD_NET_NAME:
                return ListResult::NotFound;
            case ERROR_ACCESS_DENIED:
                return ListResult::AccessDenied;
            case ERROR_SHARING_VIOLATION:
            case ERROR_LOCK_VIOLATION:
                return ListResult::InUse;
            case ERROR_FILENAME_EXCED_RANGE:
                return ListResult::PathTooLong;
            default:
                return ListResult::NotListable;
        }
    }
    // Straight into `entries`, which a large folder's listing would otherwise need twice over.
    const std::size_t before = entries.size();
    const std::wstring folder = widen(endsWithChar(directory, '\\') ? directory : directory + '\\');
    do {
        bool exact = true;
        std::string name = narrow(data.cFileName, exact);
        LinkOwner link = LinkOwner::NotALink;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // Asked of the reparse point itself, opened as such.
            const HANDLE itself =
                CreateFileW((folder + data.cFileName).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            link = itself == INVALID_HANDLE_VALUE ? LinkOwner::Unknown : reparsePointOwner(itself);
            if (itself != INVALID_HANDLE_VALUE) {
                CloseHandle(itself);
            }
        }
        entries.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, exact,
                           link, FileFacts{}});
    } while (FindNextFileW(find, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    if (!complete) {
        entries.resize(before);
        return ListResult::NotListable;
    }
    if (withFacts) {
        addFacts(folder, entries, before);
    }
    return ListResult::Listed;
}

bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) {
    // Opening a directory needs backup semantics; reading its attributes needs no other right.
    HANDLE directory = CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL known = GetFileInformationByHandle(directory, &info);
    CloseHandle(directory);
    if (!known) {
        return false;
    }
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool folderFacts(const std::string& directory, FolderFacts& facts) {
    const HANDLE folder =
        CreateFileW(widen(directory.empty() ? std::string(".") : directory).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        return false;
    }
    facts.volume = volumeOf(folder);
    fileIndex(folder, facts.index);
    facts.trust = trustOf(folder, finalPath(folder));
    CloseHandle(folder);
    return true;
}

std::int64_t fileClockNow() {
    // The system's tick, which NTFS stamps file times with.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return toTicks(now);
}

bool isExactName(std::string_view name) {
    // "\\?\" opens a path the system is to take as it stands; anywhere else "?" and "*" are
    // wildcards that no name holds.
    const std::size_t from = name.rfind("\\\\?\\", 0) == 0 ? 4 : 0;
    return name.find_first_of("?*", from) == std::string::npos;
}

bool isDirectory(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool pathExists(const std::string& path) {
    return !path.empty() && GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool pathFits(const std::string& path) {
    // The code page's file calls take MAX_PATH characters with the terminator; NTFS takes 255 a
    // step.
    return withinPathLimits(widen(path), L"\\/", MAX_PATH, 255);
}

bool mayCreateIn(const std::string& directory) {
    return directory.empty() || isDirectory(directory);
}

bool createDirectory(const std::string& path) {
    SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateDirectoryA(path.c_str(), &security) != 0;
}

std::FILE* openFile(const std::string& path, const char* mode, FileInfo* info) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file != nullptr && info != nullptr && !fileInfo(file, *info)) {
        *info = FileInfo{};
    }
    return file;
}

std::uint32_t processNumber() {
    return GetCurrentProcessId();
}

namespace {

// Large transfers go in pieces a DWORD can count.
constexpr std::size_t kMaxTransfer = 0x40000000;

// Moves `length` bytes at `position` with `call` (ReadFile or WriteFile at an offset), again
// until all are moved; false on an error or at the end of the file.
template <typename Byte, typename Call>
bool transferAt(HANDLE handle, Byte* bytes, std::size_t length, std::int64_t position, Call call) {
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    while (length > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
        DWORD moved = 0;
        const DWORD piece = static_cast<DWORD>(length < kMaxTransfer ? length : kMaxTransfer);
        if (!call(handle, bytes, piece, &moved, &at) || moved == 0) {
            return false;
        }
        bytes += moved;
        length -= moved;
        position += moved;
    }
    return true;
}

HANDLE handleOf(std::FILE* file) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// What fileInfo tells of an open file. Its attributes, times and size only: the one call that
// tells everything also asks for the volume's serial number, which Wine looks up on disk at every
// call, and a run asks this of every page file.
bool describe(HANDLE handle, FileInfo& info, DWORD* attributes = nullptr) {
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(handle, &size)) {
        return false;
    }
    info.size = size.QuadPart;
    info.regular = (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    info.times.creation = basic.CreationTime.QuadPart;
    info.times.lastAccess = basic.LastAccessTime.QuadPart;
    info.times.lastWrite = basic.LastWriteTime.QuadPart;
    info.times.hasCreation = true;
    info.facts.size = size.QuadPart;
    info.facts.lastWrite = basic.LastWriteTime.QuadPart;
    info.facts.change = basic.ChangeTime.QuadPart;
    if (attributes != nullptr) {
        *attributes = basic.FileAttributes;
    }
    return true;
}

}  // namespace

bool fileInfo(std::FILE* file, FileInfo& info) {
    return describe(handleOf(file), info);
}

bool readAt(std::FILE* file, std::int64_t position, void* data, std::size_t length) {
    return transferAt(handleOf(file), static_cast<char*>(data), length, position, ReadFile);
}

bool writeAt(std::FILE* file, std::int64_t position, const void* data, std::size_t length) {
    return transferAt(handleOf(file), static_cast<const char*>(data), length, position, WriteFile);
}

bool InputFile::open(const std::string& path, bool followLinks, FileInfo& info) {
    close();
    const HANDLE handle =
        CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD attributes = 0;
    const DWORD refused = FILE_ATTRIBUTE_DIRECTORY | (followLinks ? 0 : FILE_ATTRIBUTE_REPARSE_POINT);
    if (!describe(handle, info, &attributes) || (attributes & refused) != 0) {
        CloseHandle(handle);
        return false;
    }
    file_.handle = handle;
    return true;
}

bool InputFile::openIn(const OpenFolder& folder, const std::string& name, bool forTimes, FileInfo& info,
                       unsigned& links) {
    close();
    if (!folder.isOpen()) {
        return false;
    }
    const std::wstring path = inFolder(folder.native().finalPath, widen(name));
    // With the right to set its times where this user has it, else for reading alone.
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (const DWORD access : {GENERIC_READ | FILE_WRITE_ATTRIBUTES, DWORD{GENERIC_READ}}) {
        if (access != GENERIC_READ && !forTimes) {
            continue;
        }
        handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) {
            break;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD attributes = 0;
    FILE_STANDARD_INFO standard{};
    // A Unix link that Wine followed has its final path elsewhere.
    if (!describe(handle, info, &attributes) ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) ||
        !samePath(finalPath(handle), path)) {
        CloseHandle(handle);
        return false;
    }
    links = standard.NumberOfLinks;
    file_.handle = handle;
    return true;
}

bool InputFile::setTimes(const FileTimes& times) const {
    return isOpen() && native::setTimes(file_, times);
}

bool InputFile::identify(FileFacts& facts) const {
    return isOpen() && fileIndex(file_.handle, facts.index);
}

bool InputFile::info(FileInfo& info) const {
    return isOpen() && describe(file_.handle, info);
}

bool InputFile::readAt(std::int64_t position, void* data, std::size_t length) const {
    return isOpen() && transferAt(file_.handle, static_cast<char*>(data), length, position, ReadFile);
}

bool InputFile::close() {
    return !isOpen() || native::closeFile(file_);
}

namespace native {

bool closeFile(NativeFile& file) {
    const bool closed = CloseHandle(file.handle) != FALSE;
    file.handle = nullptr;
    return closed;
}

NativeFile fileOf(std::FILE* stream) {
    return {kept(handleOf(stream))};
}

std::int64_t readSome(const NativeFile& file, std::int64_t position, void* data, std::size_t length) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
    DWORD got = 0;
    if (!ReadFile(file.handle, data, static_cast<DWORD>(length < kMaxTransfer ? length : kMaxTransfer), &got,
                  &at)) {
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return got;
}

bool setTimes(const NativeFile& file, const FileTimes& times) {
    const FILETIME creation = fromTicks(times.creation);
    const FILETIME access = fromTicks(times.lastAccess);
    const FILETIME write = fromTicks(times.lastWrite);
    return SetFileTime(file.handle, times.hasCreation ? &creation : nullptr, &access, &write) != FALSE;
}

}  // namespace native

bool truncateFile(std::FILE* file, std::int64_t length) {
    return std::fflush(file) == 0 && _chsize_s(_fileno(file), length) == 0;
}

bool readFileTimes(const std::string& path, FileTimes& times) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILETIME creation;
    FILETIME access;
    FILETIME write;
    const BOOL ok = GetFileTime(file, &creation, &access, &write);
    CloseHandle(file);
    if (!ok) {
        return false;
    }
    times.creation = toTicks(creation);
    times.lastAccess = toTicks(access);
    times.lastWrite = toTicks(write);
    times.hasCreation = true;
    return true;
}

bool writeFileTimes(const std::string& path, const FileTimes& times) {
    // The file itself: a link in its place gets no times for what it leads to.
    NativeFile file{kept(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))};
    if (!file.isOpen()) {
        return false;
    }
    const bool set = native::setTimes(file, times);
    return native::closeFile(file) && set;
}

}  // namespace platform

namespace platform {

bool isRootPrefix(const std::string& prefix) {
    if (prefix.empty() || (prefix.size() == 2 && prefix[1] == ':')) {
        return true;
    }
    // "\\server" and "\\server\share" name no directory that could be created.
    if (prefix.size() >= 2 && prefix[0] == '\\' && prefix[1] == '\\') {
        const std::size_t server = findFirstChar(prefix, '\\', 2);
        return server == std::string::npos || findFirstChar(prefix, '\\', server + 1) == std::string::npos;
    }
    return false;
}

}  // namespace platform
