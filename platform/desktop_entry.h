// Desktop entries (the .desktop files through which a Linux desktop knows its programs):
// where they lie, what their [Desktop Entry] group says, and the command line of their Exec
// key for one file or address.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora {

// The keys of a desktop entry that starting it needs. Values have their string escapes
// (\s \n \t \r \\) resolved.
struct DesktopEntry {
  std::string file;  // the entry's own file, for the %k field code
  std::string name;  // Name, for %c
  std::string icon;  // Icon, for %i; may be empty
  std::string exec;  // Exec, still with its quoting and field codes
};

// Reads the [Desktop Entry] group of `text` (the content of `file`); other groups and
// translated keys such as Name[ja] are passed over. Fails when the group has no Exec key.
Result<DesktopEntry> ParseDesktopEntry(std::string_view text, std::string file);

// The folders that hold desktop entries, in the order they are searched:
// $XDG_DATA_HOME (default ~/.local/share), then each folder of $XDG_DATA_DIRS (default
// /usr/local/share:/usr/share), each followed by "/applications/". Relative entries are
// ignored, as the XDG conventions ask.
std::vector<std::string> ApplicationFolders();

// The file of the desktop entry with the desktop file ID `id` (such as "firefox-esr.desktop")
// in the first of `folders` that has it. An ID names a file below a folder with each "/"
// turned into "-", so "kde4-konqueror.desktop" is also found as kde4/konqueror.desktop.
// Nothing when no folder has it, or when `id` is not a plain name ending in ".desktop".
std::optional<std::string> FindDesktopFile(std::string_view id,
                                           const std::vector<std::string>& folders, FileSystem& fs);

// What a program is started on: a local file's full path and its address (a file URL, which
// may carry a "?query" and a "#anchor" that a path cannot), or an address alone (empty path).
struct ExecTarget {
  std::string path;
  std::string url;
};

// The command line that starts `entry` on `target`. Exec is split into words at blanks;
// double-quoted words keep their blanks and take \" \` \$ \\ as escapes, single-quoted words
// are taken literally, and a backslash outside quotes escapes the next character. Then in
// each word the field codes are replaced: %f %F (a program that takes files) by the path,
// %u %U (a program that takes addresses) by the URL, %c by the entry's Name, %k by its file,
// %% by "%"; a word "%i" becomes the two words "--icon" and the Icon value (none when there
// is no Icon); the deprecated codes %d %D %n %N %v %m and unknown ones are removed, and an
// unquoted word left empty is dropped. When Exec has none of %f %F %u %U, a non-empty URL is
// added as the last word. Fails when Exec has an unterminated quote, no words, or a field
// code in its first word (the program).
Result<std::vector<std::string>> ExecCommandLine(const DesktopEntry& entry,
                                                 const ExecTarget& target);

}  // namespace zelvora
