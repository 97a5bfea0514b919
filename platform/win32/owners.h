// Whose a link, junction or mount point is on Windows: the user who runs the program or the
// system (Administrators, SYSTEM, TrustedInstaller) may lead a run through a folder that
// strangers may write to; anyone else may not.
#pragma once

#include <windows.h>

#include "platform/file_system.h"

namespace platform {

// The owner of what `handle` is open on, opened with FILE_FLAG_OPEN_REPARSE_POINT and READ_CONTROL:
// Unknown when that is no reparse point itself (Wine opens what a Unix link leads to instead).
LinkOwner reparsePointOwner(HANDLE handle);

// The owner of what `handle` (opened with READ_CONTROL) is open on: the user or the system
// (OwnOrSystem), anyone else (Stranger), or Unknown when the system does not tell.
LinkOwner ownerOf(HANDLE handle);

}  // namespace platform
