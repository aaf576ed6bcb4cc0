// The files that the POSIX file system keeps open for a while: new files, locked while they
// are written; scratch files; lock files; and the removal of temporary files that no live
// writer holds. The FileSystem operations of the same names describe the contracts.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora::posix {

Result<std::unique_ptr<WritableFile>> NewLockedFile(const std::string& path, uint32_t mode);
Result<std::unique_ptr<ScratchFile>> NewScratchFile();
Result<std::unique_ptr<HeldLock>> TakeLock(const std::string& lock_path);
Status RemoveAbandoned(const std::string& path, bool wait);

}  // namespace zelvora::posix
