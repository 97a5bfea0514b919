// The file-system boundary on Windows: FindFirstFileA enumeration, CreateDirectoryA, and the
// three file times through GetFileTime and SetFileTime.
#include <windows.h>
#include <io.h>

#include "platform/file_system.h"

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

bool listDirectory(const std::string& directory, const std::string& mask, std::vector<DirEntry>& entries) {
    std::string pattern = directory;
    if (pattern.empty() || pattern.back() != '\\') {
        pattern += '\\';
    }
    pattern += mask;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        const bool isDir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A directory link or junction is never entered: it could lead back up the tree.
        if (isDir && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        entries.push_back({data.cFileName, isDir});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool isDirectory(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool createDirectory(const std::string& path) {
    SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateDirectoryA(path.c_str(), &security) != 0;
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::int64_t fileSize(std::FILE* file) {
    LARGE_INTEGER size;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return (handle != INVALID_HANDLE_VALUE && GetFileSizeEx(handle, &size)) ? size.QuadPart : -1;
}

namespace {

// Large transfers go in pieces a DWORD can count.
constexpr std::size_t kMaxTransfer = 0x40000000;

// Moves `length` bytes at `position` with `call` (ReadFile or WriteFile at an offset), again
// until all are moved; false on an error or at the end of the file.
template <typename Byte, typename Call>
bool transferAt(std::FILE* file, Byte* bytes, std::size_t length, std::int64_t position, Call call) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
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

}  // namespace

bool readAt(std::FILE* file, std::int64_t position, void* data, std::size_t length) {
    return transferAt(file, static_cast<char*>(data), length, position, ReadFile);
}

bool writeAt(std::FILE* file, std::int64_t position, const void* data, std::size_t length) {
    return transferAt(file, static_cast<const char*>(data), length, position, WriteFile);
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
        return prefix.find('\\', 2) == std::string::npos ||
               prefix.find('\\', prefix.find('\\', 2) + 1) == std::string::npos;
    }
    return false;
}

}  // namespace platform
