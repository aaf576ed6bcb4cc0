// The user's own folders by the XDG base directory conventions (on Windows, the folders of
// the user's profile), and the folders the program makes in them.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace zelvora {

// The user's home folder: $HOME when it is an absolute path, otherwise the password
// database's entry for this user, otherwise "/". No trailing "/". On Windows %USERPROFILE%.
std::string HomeFolder();

// The folder for data that outlives a run but is not worth backing up (the log of an
// installed program): $XDG_STATE_HOME/zelvora/, or ~/.local/state/zelvora/ when that
// variable is unset, empty or relative (the conventions say to ignore a relative one).
// With a trailing "/". Nothing is created. On Windows %LOCALAPPDATA%\Zelvora\.
std::string UserStateFolder();

// The folders for short-lived private files (the copy of the log handed to a viewer), best
// first: $XDG_RUNTIME_DIR/zelvora/ when that variable holds an absolute path, then
// ${XDG_CACHE_HOME:-~/.cache}/zelvora/ (a relative XDG_CACHE_HOME counts as unset). Each with
// a trailing "/". Nothing is created: a caller takes the first one it can use. On Windows
// the zelvora folder in the user's folder for temporary files.
std::vector<std::string> UserScratchFolders();

// Creates `folder` and every missing folder above it with permission bits 0700. Folders that
// exist are left as they are. Fails (with the errno of the step) when a part of the path is
// not a folder or cannot be made.
Status CreateFolders(const std::string& folder);

// CreateFolders, then makes sure that `folder` itself is private: a real folder (not a
// symbolic link) owned by this user, with its permission bits narrowed to 0700 when others
// had access. Fails with EPERM when the folder belongs to somebody else or is a link. On
// Windows the folder keeps the access rights it inherits (a profile's folders are private).
Status MakePrivateFolder(const std::string& folder);

// True when this process may create files in `folder`, as its effective user and groups
// are judged by the system (so root may write anywhere but on a read-only file system). On
// Windows a probe file is made and removed, which weighs the folder's access rights.
bool CanCreateFilesIn(const std::string& folder);

}  // namespace zelvora
