// The owners of reparse points, against the user's own account and the system's.
#include "platform/win32/owners.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace platform {
namespace {

// The account the process runs as; empty when the system does not tell.
const std::vector<unsigned char>& ownUser() {
    static const std::vector<unsigned char> user = [] {
        std::vector<unsigned char> sid;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            return sid;
        }
        DWORD length = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &length);
        std::vector<unsigned char> buffer(length);
        if (length > 0 && GetTokenInformation(token, TokenUser, buffer.data(), length, &length)) {
            const PSID account = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
            const auto* bytes = static_cast<const unsigned char*>(account);
            sid.assign(bytes, bytes + GetLengthSid(account));
        }
        CloseHandle(token);
        return sid;
    }();
    return user;
}

bool isTrustedInstaller(PSID owner) {
    PSID trusted = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                &trusted)) {
        return false;
    }
    const bool same = EqualSid(owner, trusted) != FALSE;
    LocalFree(trusted);
    return same;
}

}  // namespace

LinkOwner reparsePointOwner(HANDLE handle) {
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return LinkOwner::Unknown;
    }
    return ownerOf(handle);
}

LinkOwner ownerOf(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return LinkOwner::Unknown;
    }
    const std::vector<unsigned char>& user = ownUser();
    const bool trusted = (!user.empty() && EqualSid(owner, const_cast<unsigned char*>(user.data()))) ||
                         IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                         IsWellKnownSid(owner, WinLocalSystemSid) || isTrustedInstaller(owner);
    LocalFree(descriptor);
    return trusted ? LinkOwner::OwnOrSystem : LinkOwner::Stranger;
}

}  // namespace platform
