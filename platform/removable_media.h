// The removable media that the desktop has mounted for the user: the roots that a folder
// chooser offers beside "/", as drive roots other than the fixed disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelvora {

// The mount points below /media/USER/ and /run/media/USER/ that the mount table `table`
// (in the format of /proc/self/mounts, octal escapes such as "\040" for a blank included)
// lists, in table order, each once, without a trailing "/". A point mounted again below
// another one is listed too.
std::vector<std::string> RemovableMediaIn(std::string_view table, std::string_view user);

// RemovableMediaIn for this process's mount table and the user the process runs as. An
// unreadable table gives no media. On Windows: the roots of the removable drives ("E:\\").
std::vector<std::string> MountedRemovableMedia();

}  // namespace zelvora
