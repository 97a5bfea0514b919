// The file-system boundary on Windows: FindFirstFileW enumeration with names converted without
// best fit, directory identities, CreateDirectoryA, and the three file times through
// GetFileTime and SetFileTime.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/ansi_string.h"
#include "platform/file_system.h"
#include "platform/path_limits.h"
#include "platform/win32/handles.h"
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

}  // namespace

ListResult listDirectory(const std::string& directory, const std::string& mask, std::vector<DirEntry>& entries) {
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
    do {
        bool exact = true;
        std::string name = narrow(data.cFileName, exact);
        entries.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, exact});
    } while (FindNextFileW(find, &data));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    if (!complete) {
        entries.resize(before);
        return ListResult::NotListable;
    }
    return ListResult::Listed;
}

bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) {
    // Opening a directory needs backup semantics; reading its attributes needs no other right.
    HANDLE directory = CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

namespace {

// The path a handle's file has once every link and junction on the way is resolved.
std::wstring finalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

}  // namespace

RemoveResult removeBeneath(const std::string& folder, const std::vector<std::string>& steps) {
    if (steps.empty()) {
        return RemoveResult::NotThere;
    }
    std::string path = folder;
    for (const std::string& step : steps) {
        if (!endsWithChar(path, '\\')) {
            path += '\\';
        }
        path += step;
    }
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE root = CreateFileW(widen(folder).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (root == INVALID_HANDLE_VALUE) {
        return RemoveResult::NotThere;
    }
    // The file itself, a link or junction in its place included, never what that leads to.
    const HANDLE file = CreateFileW(widen(path).c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const DWORD error = GetLastError();
    RemoveResult result = RemoveResult::NotThere;
    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
            result = RemoveResult::Failed;
        }
    } else {
        BY_HANDLE_FILE_INFORMATION info{};
        std::wstring inside = finalPath(root);
        const bool known = !inside.empty();
        if (known && inside.back() != L'\\') {
            inside += L'\\';
        }
        const std::wstring reached = finalPath(file);
        // A junction on the way leads elsewhere; the file's own path tells.
        const bool below =
            known && reached.size() > inside.size() &&
            CompareStringOrdinal(reached.c_str(), static_cast<int>(inside.size()), inside.c_str(),
                                 static_cast<int>(inside.size()), TRUE) == CSTR_EQUAL;
        if (below && GetFileInformationByHandle(file, &info) &&
            (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
            info.nNumberOfLinks == 1) {
            result = deleteOnClose(file) ? RemoveResult::Removed : RemoveResult::Failed;
        }
        CloseHandle(file);
    }
    CloseHandle(root);
    return result;
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

std::FILE* createNewFile(const std::string& path) {
    HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "w+b");
    if (file == nullptr) {
        _close(fd);
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

HANDLE handleOf(std::FILE* file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

// What fileInfo tells of an open file. Its attributes, times and size only: the one call that
// tells everything also asks for the volume's serial number, which Wine looks up on disk at every
// call, and a run asks this of every page file.
bool describe(HANDLE handle, FileInfo& info, DWORD* attributes = nullptr) {
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) || !GetFileSizeEx(handle, &size)) {
        return false;
    }
    info.size = size.QuadPart;
    info.regular = (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    info.times.creation = basic.CreationTime.QuadPart;
    info.times.lastAccess = basic.LastAccessTime.QuadPart;
    info.times.lastWrite = basic.LastWriteTime.QuadPart;
    info.times.hasCreation = true;
    if (attributes != nullptr) {
        *attributes = basic.FileAttributes;
    }
    return true;
}

}  // namespace

bool fileInfo(std::FILE* file, FileInfo& info) { return describe(handleOf(file), info); }

bool readAt(std::FILE* file, std::int64_t position, void* data, std::size_t length) {
    return transferAt(handleOf(file), static_cast<char*>(data), length, position, ReadFile);
}

bool writeAt(std::FILE* file, std::int64_t position, const void* data, std::size_t length) {
    return transferAt(handleOf(file), static_cast<const char*>(data), length, position, WriteFile);
}

bool InputFile::open(const std::string& path, bool followLinks, FileInfo& info) {
    close();
    const HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD attributes = 0;
    const DWORD refused = FILE_ATTRIBUTE_DIRECTORY | (followLinks ? 0 : FILE_ATTRIBUTE_REPARSE_POINT);
    if (!describe(handle, info, &attributes) || (attributes & refused) != 0) {
        CloseHandle(handle);
        return false;
    }
    handle_ = keptHandle(handle);
    return true;
}

bool InputFile::info(FileInfo& info) const {
    return isOpen() && describe(asHandle(handle_), info);
}

bool InputFile::readAt(std::int64_t position, void* data, std::size_t length) const {
    return isOpen() && transferAt(asHandle(handle_), static_cast<char*>(data), length, position, ReadFile);
}

bool InputFile::close() {
    if (!isOpen()) {
        return true;
    }
    const bool closed = CloseHandle(asHandle(handle_)) != FALSE;
    handle_ = kNone;
    return closed;
}

bool truncateFile(std::FILE* file, std::int64_t length) {
    return std::fflush(file) == 0 && _chsize_s(_fileno(file), length) == 0;
}

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool removeFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

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
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const FILETIME creation = fromTicks(times.creation);
    const FILETIME access = fromTicks(times.lastAccess);
    const FILETIME write = fromTicks(times.lastWrite);
    const BOOL ok = SetFileTime(file, times.hasCreation ? &creation : nullptr, &access, &write);
    const BOOL closed = CloseHandle(file);
    return ok && closed;
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
