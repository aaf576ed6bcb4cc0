// A tree of the machine's folders, read on demand: the file selection window's folder chooser.
//
// The roots are the places the system's shell shows (platform/shell_places.h): on Linux "/",
// the fixed disk, and every removable medium the desktop has mounted for the user (under
// /media/USER and /run/media/USER); on Windows the desktop, the user's folders and the drives
// with their labels and kinds. A folder's subfolders are read only when its node is first
// expanded; each new node is probed for a single subfolder so that it shows an expand mark
// only when it has one. Removable, CD and network roots get the mark without being probed.
// Hidden folders are nodes, files never are. Once read, a node's children stay until Update.
//
// Paths are written with the system's separator ("/"; "\" on Windows, where "/" is taken
// too) and are bytes, exactly as on disk: a folder name that is not valid UTF-8 is shown
// readably (DisplayName) but walked to and returned unchanged. Where the system ignores
// letter case in names (Windows), roots are found regardless of it. Folders that cannot be
// read simply have no children; nothing here shows a message.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/shell_places.h"

namespace zelvora::gui {

// One root of the tree.
struct FolderRoot {
  std::string path;        // "/", a mount point without a trailing "/", a drive root "C:\"...
  bool removable = false;  // not probed for subfolders until opened
  std::string label = {};  // the text shown; empty: the path
  ShellPlace::Kind kind = ShellPlace::Kind::kFixed;  // chooses the icon
};

using FolderRootSource = std::function<std::vector<FolderRoot>()>;

// The machine's shell places (MachineShellPlaces), the slow kinds marked removable.
std::vector<FolderRoot> MachineFolderRoots();

class TExpViewLite : public QTreeWidget {
  Q_OBJECT

 public:
  // Folders are read through `fs` (not owned; it must outlive the tree); `roots` gives the
  // roots at every Update. The roots are built at once.
  explicit TExpViewLite(QWidget* parent = nullptr, FileSystem& fs = RealFileSystem(),
                        FolderRootSource roots = MachineFolderRoots);

  // The selected folder with a trailing separator ("/" for the root, "/home/user/www/" below
  // it; "C:\www\" on Windows); empty when nothing is selected.
  std::string GetPathName() const;
  // Walks to `path`: from the root that holds it (the longest removable root that is a
  // prefix, else "/"), each folder name in turn is looked up among the children of the
  // node reached so far, which is expanded (and read on first use) on the way. A name
  // matches its exact spelling first, then the first child equal to it regardless of
  // letter case. A trailing "/" is optional and empty steps ("//") are passed over. The
  // first step that matches nothing ends the walk silently: the selection stays as it was
  // and the nodes expanded so far stay expanded. A path that does not begin with "/" is
  // not walked at all.
  void SetPathName(std::string_view path);
  // GetPathName without its trailing separator, except for a root that needs it ("/", "C:\"),
  // which keeps it (an empty text would read as "nothing selected", "C:" as the drive's
  // current folder); empty when nothing is selected.
  std::string GetFolderName() const;
  void SetFolderName(std::string_view path) { SetPathName(path); }

  // The path of `node`: its root's path, then the name of each folder below it, each
  // followed by the separator.
  std::string GetPath(const QTreeWidgetItem* node) const;
  // Rebuilds the roots: all nodes go, every folder is read again when next expanded.
  void Update();

  // The root whose path holds `path` (which ends with a separator): the root with the
  // longest path that is a prefix of it; null when there is none.
  QTreeWidgetItem* SerchRootNode(std::string_view path) const;
  // Reads the subfolders of `node` if not done yet, then returns the child named `name`:
  // the exact spelling first, then the first regardless of letter case; null when none is.
  QTreeWidgetItem* SerchChildNode(QTreeWidgetItem* node, std::string_view name);
  // Reads the subfolders of `node` once, before it expands: false when the folder cannot
  // be read (the node then loses its expand mark and stays closed).
  bool CanExpand(QTreeWidgetItem* node);

 signals:
  // The selected folder changed (also to none).
  void Change();

 private:
  // Adds one child per subfolder of `node`, sorted in locale order, each probed with
  // ExpPlusIcon. False when the folder cannot be listed.
  bool MakeSubNode(QTreeWidgetItem* node);
  // Gives `node` an expand mark when its folder has at least one subfolder.
  void ExpPlusIcon(QTreeWidgetItem* node);
  // The folder's name on disk (for a root, its path).
  static std::string NameOf(const QTreeWidgetItem* node);
  // Reads `node`'s subfolders if needed and opens it when it has any.
  void ExpandNode(QTreeWidgetItem* node);
  void OnItemExpanded(QTreeWidgetItem* node);

  FileSystem& fs_;
  FolderRootSource roots_;
};

}  // namespace zelvora::gui
