// Path parts and textual path resolution. Paths use "/" as separator; nothing here touches
// the disk except CurrentFolder.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace zelvora {

// Everything up to and including the last "/" (empty when there is none).
std::string_view FolderPart(std::string_view path);

// Everything after the last "/".
std::string_view NamePart(std::string_view path);

// `relative` taken against `base_folder` (itself absolute), with "." and ".." steps and
// doubled separators resolved textually; an absolute `relative` ignores the base. ".." at the
// root stays at the root. A trailing "/" is kept. The result is absolute.
std::string ResolvePath(std::string_view base_folder, std::string_view relative);

// True where the system's file names ignore letter case ("News.htm" and "news.htm" are one
// file), so that a program comparing names must too. False here: names are compared as
// written.
bool FileNamesIgnoreCase();

// The process's current folder with a trailing "/".
Result<std::string> CurrentFolder();

// ASCII letters folded to lower case; other bytes (multi-byte characters included) unchanged.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

}  // namespace zelvora
