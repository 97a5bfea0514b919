// The save folder's lock, the part every platform shares: letting go at the end.
#include "platform/folder_lock.h"

namespace platform {

FolderLock::~FolderLock() { release(); }

}  // namespace platform
