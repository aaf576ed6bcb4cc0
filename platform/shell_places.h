// The places that a folder chooser offers at its top level, as the system's shell shows them.
// On Windows: the desktop, the user's own folders (documents, pictures, music, videos,
// downloads) and every drive with its label and kind. Elsewhere: "/", the fixed disk, and the
// removable media the desktop has mounted for the user (platform/removable_media.h).
#pragma once

#include <string>
#include <vector>

namespace zelvora {

struct ShellPlace {
  enum class Kind { kDesktop, kUserFolder, kFixed, kRemovable, kNetwork, kCdRom };

  std::string
      path;  // the folder, UTF-8 ("/", "/media/hanako/USB", "C:\\", "C:\\Users\\x\\Desktop")
  std::string label;  // the text to show; empty: show the path
  Kind kind = Kind::kFixed;
};

// True for the kinds whose contents may be slow or absent (a drive without its medium, a
// network drive): a chooser should not read them before the user opens them.
bool IsSlowPlace(ShellPlace::Kind kind);

// A drive's label as the Windows shell writes it: its name, then the drive letter in
// parentheses, "Windows (C:)". `name` is the volume label, or for a network drive the shared
// folder it is connected to ("\\\\server\\share" shows as "share (\\\\server)"); an empty name
// gives the kind's own: "ローカル ディスク", "リムーバブル ディスク", "ネットワーク ドライブ",
// "CD ドライブ". `letter` is 'A' to 'Z'.
std::string DriveLabel(ShellPlace::Kind kind, char letter, const std::string& name);

// The places of this machine, in the order to show them. Never fails: what cannot be read is
// left out (on POSIX systems "/" is always there).
std::vector<ShellPlace> MachineShellPlaces();

}  // namespace zelvora
