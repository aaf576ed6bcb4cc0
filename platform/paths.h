// Path parts and textual path resolution. Nothing here touches the disk except CurrentFolder.
//
// Paths are UTF-8. On POSIX systems "/" separates folders. On Windows "\" and "/" both do,
// a path may begin with a drive ("C:\site\") or a shared folder ("\\server\share\"), and
// resolved paths are written with "\".
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace zelvora {

// True for a character that separates folders on this system.
bool IsPathSeparator(char c);

// Everything up to and including the last separator (on Windows also a drive's ":", as in
// "C:page.htm"); empty when there is none.
std::string_view FolderPart(std::string_view path);

// Everything after FolderPart.
std::string_view NamePart(std::string_view path);

// True when `path` names a place without reference to a current folder: "/x" on POSIX
// systems, "C:\x" or "\\server\share\x" on Windows ("\x" there depends on the current drive).
bool IsAbsolutePath(std::string_view path);

// True when `path` begins at the root of a file system without naming it: "/x" on POSIX
// systems (where that is also absolute), "\x" or "/x" on Windows (the current drive's root).
bool IsRootedPath(std::string_view path);

// `relative` taken against `base_folder` (itself absolute), with "." and ".." steps and
// doubled separators resolved textually; an absolute `relative` ignores the base, and on
// Windows a rooted one ("\x") or one on the base's drive ("C:x") keeps the base's drive or
// share. ".." at a root stays at the root. A trailing separator is kept. The result is
// absolute and written with this system's separator.
std::string ResolvePath(std::string_view base_folder, std::string_view relative);

// `folder` and `name` joined by this system's separator ("/" or "\\"), which is not doubled
// when `folder` ends with a separator already; `folder` is taken as it is.
std::string JoinPath(std::string_view folder, std::string_view name);

// The process's current folder with a trailing separator.
Result<std::string> CurrentFolder();

// ASCII letters folded to lower case; other bytes (multi-byte characters included) unchanged.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// True where the file system takes names that differ only in letter case for one name, as
// Windows does; false on POSIX systems, where they are two files.
bool FileNamesIgnoreCase();

// The form of a name (or path) under which names that this system takes for one name are
// equal: on Windows the name in upper case (all letters the system knows the case of, not
// only ASCII); elsewhere the name itself.
std::string FileNameKey(std::string_view name);

}  // namespace zelvora
