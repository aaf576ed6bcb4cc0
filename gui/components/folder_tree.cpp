#include "gui/components/folder_tree.h"

#include <QByteArray>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "gui/components/busy_cursor.h"
#include "gui/components/file_name_text.h"
#include "gui/components/locale_order.h"
#include "platform/paths.h"

namespace zelvora::gui {
namespace {

// A node's name on disk (for a root, its path), as bytes.
constexpr int kNameRole = Qt::UserRole;
// Whether a node's subfolders have been read.
constexpr int kReadRole = Qt::UserRole + 1;

// `path` in the form in which this system takes two paths for the same: every separator
// written as the system writes it, letters folded where names ignore letter case.
// An empty path stays empty.
std::string Comparable(std::string_view path) {
  if (path.empty()) return std::string();
  std::string canonical = JoinPath(path, "");
  canonical.pop_back();
  for (char& c : canonical) {
    if (IsPathSeparator(c)) c = '/';
  }
  return FileNameKey(canonical) + '/';
}

// True when folder path `path` (ending with a separator) lies in folder `prefix` (ditto).
bool FolderHolds(std::string_view prefix, std::string_view path) {
  const std::string key = Comparable(prefix);
  const std::string target = Comparable(path);
  return target.compare(0, key.size(), key) == 0;
}

// A folder path with one trailing separator.
std::string WithSeparator(std::string_view folder) { return JoinPath(folder, ""); }

QIcon PlaceIcon(const QStyle& style, ShellPlace::Kind kind) {
  switch (kind) {
    case ShellPlace::Kind::kDesktop:
      return style.standardIcon(QStyle::SP_DesktopIcon);
    case ShellPlace::Kind::kUserFolder:
      return style.standardIcon(QStyle::SP_DirIcon);
    case ShellPlace::Kind::kRemovable:
      return style.standardIcon(QStyle::SP_DriveFDIcon);
    case ShellPlace::Kind::kNetwork:
      return style.standardIcon(QStyle::SP_DriveNetIcon);
    case ShellPlace::Kind::kCdRom:
      return style.standardIcon(QStyle::SP_DriveCDIcon);
    case ShellPlace::Kind::kFixed:
      break;
  }
  return style.standardIcon(QStyle::SP_DriveHDIcon);
}

QTreeWidgetItem* NewNode(const std::string& name, const QString& text, const QIcon& icon) {
  auto* node = new QTreeWidgetItem(QStringList{text});
  node->setData(0, kNameRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  node->setIcon(0, icon);
  // No tool tip of its own: hovering anywhere shows the tree's, the selected folder's path.
  return node;
}

// Gives `node` an expand mark when folder `path` has a subfolder; an unreadable folder gets
// none.
void MarkWhenItHasSubfolders(FileSystem& fs, QTreeWidgetItem* node, const std::string& path) {
  auto has_subfolder = fs.HasSubfolder(path);
  node->setChildIndicatorPolicy(has_subfolder.ok() && *has_subfolder
                                    ? QTreeWidgetItem::ShowIndicator
                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

}  // namespace

std::vector<FolderRoot> MachineFolderRoots() {
  std::vector<FolderRoot> roots;
  for (ShellPlace& place : MachineShellPlaces()) {
    const bool slow = IsSlowPlace(place.kind);
    roots.push_back({std::move(place.path), slow, std::move(place.label), place.kind});
  }
  return roots;
}

TExpViewLite::TExpViewLite(QWidget* parent, FileSystem& fs, FolderRootSource roots)
    : QTreeWidget(parent), fs_(fs), roots_(std::move(roots)) {
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(this, &QTreeWidget::itemExpanded, this, &TExpViewLite::OnItemExpanded);
  // A mouse click makes a node current before it selects it, and GetPathName names only a
  // selected node: the change is told once the selection has followed.
  connect(this, &QTreeWidget::itemSelectionChanged, this, &TExpViewLite::Change);
  Update();
}

std::string TExpViewLite::NameOf(const QTreeWidgetItem* node) {
  return node->data(0, kNameRole).toByteArray().toStdString();
}

std::string TExpViewLite::GetPath(const QTreeWidgetItem* node) const {
  std::vector<const QTreeWidgetItem*> chain;
  for (const QTreeWidgetItem* step = node; step != nullptr; step = step->parent()) {
    chain.push_back(step);
  }
  if (chain.empty()) return std::string();
  std::string path = WithSeparator(NameOf(chain.back()));
  for (auto step = chain.rbegin() + 1; step != chain.rend(); ++step) {
    path = WithSeparator(path + NameOf(*step));
  }
  return path;
}

std::string TExpViewLite::GetPathName() const {
  const QTreeWidgetItem* node = currentItem();
  if (node == nullptr || !node->isSelected()) return std::string();
  return GetPath(node);
}

std::string TExpViewLite::GetFolderName() const {
  std::string path = GetPathName();
  if (path.empty()) return path;
  // A root keeps its separator: "/" alone, "C:\\" (without it, the drive's current folder).
  const std::string key = Comparable(path);
  const bool root = std::count(key.begin(), key.end(), '/') == 1;
  if (!root) path.pop_back();
  return path;
}

void TExpViewLite::Update() {
  BusyCursor busy;
  clear();
  for (const FolderRoot& root : roots_()) {
    const ShellPlace::Kind kind = root.removable && root.kind == ShellPlace::Kind::kFixed
                                      ? ShellPlace::Kind::kRemovable
                                      : root.kind;
    const QString text = root.label.empty() ? DisplayName(root.path) : DisplayName(root.label);
    QTreeWidgetItem* node = NewNode(root.path, text, PlaceIcon(*style(), kind));
    addTopLevelItem(node);
    if (root.removable) {
      // An empty or slow medium is not touched until the user opens it.
      node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    } else {
      ExpPlusIcon(node);
    }
  }
}

void TExpViewLite::ExpPlusIcon(QTreeWidgetItem* node) {
  MarkWhenItHasSubfolders(fs_, node, GetPath(node));
}

bool TExpViewLite::MakeSubNode(QTreeWidgetItem* node) {
  const std::string path = GetPath(node);
  auto entries = fs_.ListFolder(path);
  if (!entries.ok()) return false;
  std::vector<std::string> names;
  QStringList texts;
  for (const FolderEntry& entry : *entries) {
    if (!entry.is_folder) continue;
    texts.append(DisplayName(entry.name));
    names.push_back(entry.name);
  }
  const QIcon folder_icon = style()->standardIcon(QStyle::SP_DirIcon);
  QList<QTreeWidgetItem*> children;
  children.reserve(texts.size());
  for (const qsizetype i : LocaleOrder(texts)) {
    const std::string& name = names[static_cast<size_t>(i)];
    QTreeWidgetItem* child = NewNode(name, texts[i], folder_icon);
    MarkWhenItHasSubfolders(fs_, child, WithSeparator(path + name));
    children.append(child);
  }
  node->addChildren(children);
  return true;
}

bool TExpViewLite::CanExpand(QTreeWidgetItem* node) {
  if (node->data(0, kReadRole).toBool()) return true;
  BusyCursor busy;
  const bool read = MakeSubNode(node);
  // Read or not, a node without children shows no expand mark any more.
  node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  if (read) node->setData(0, kReadRole, true);
  return read;
}

void TExpViewLite::OnItemExpanded(QTreeWidgetItem* node) {
  if (!CanExpand(node) || node->childCount() == 0) node->setExpanded(false);
}

void TExpViewLite::ExpandNode(QTreeWidgetItem* node) {
  if (CanExpand(node) && node->childCount() > 0) node->setExpanded(true);
}

QTreeWidgetItem* TExpViewLite::SerchRootNode(std::string_view path) const {
  QTreeWidgetItem* found = nullptr;
  size_t found_length = 0;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* root = topLevelItem(i);
    const std::string prefix = WithSeparator(NameOf(root));
    if (FolderHolds(prefix, path) && prefix.size() > found_length) {
      found = root;
      found_length = prefix.size();
    }
  }
  return found;
}

QTreeWidgetItem* TExpViewLite::SerchChildNode(QTreeWidgetItem* node, std::string_view name) {
  CanExpand(node);
  for (int i = 0; i < node->childCount(); ++i) {
    if (NameOf(node->child(i)) == name) return node->child(i);
  }
  for (int i = 0; i < node->childCount(); ++i) {
    if (SameNameIgnoringCase(NameOf(node->child(i)), name)) return node->child(i);
  }
  return nullptr;
}

void TExpViewLite::SetPathName(std::string_view path) {
  if (!IsAbsolutePath(path)) return;
  const std::string full = WithSeparator(path);
  QTreeWidgetItem* node = SerchRootNode(full);
  if (node == nullptr) return;
  std::string_view rest = std::string_view(full).substr(GetPath(node).size());
  while (!rest.empty()) {
    size_t separator = 0;
    while (!IsPathSeparator(rest[separator])) ++separator;
    const std::string_view part = rest.substr(0, separator);
    rest.remove_prefix(separator + 1);
    if (part.empty()) continue;
    ExpandNode(node);
    node = SerchChildNode(node, part);
    if (node == nullptr) return;
  }
  setCurrentItem(node);
  scrollToItem(node);
}

}  // namespace zelvora::gui
