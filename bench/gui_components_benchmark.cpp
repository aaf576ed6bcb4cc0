// zelvora-gui-benchmark: times the two slow jobs of the file dialog on Qt's offscreen
// platform, each next to the bare reading of the same folders in the same run:
//
//   tree   expanding a folder with 10,000 subfolders, each holding one subfolder: the folder
//          read, every child probed for a subfolder, sorted and shown       goal < 1 s
//   list   listing a folder of 20,000 files in the file dialog: read, matched against the
//          HTML patterns, sorted and shown                                  goal < 0.5 s
//
//   zelvora-gui-benchmark [--work DIR] [--repeat N]
//
// Prints one line per job with the median of N runs (default 5), the bare reading time and
// the ratio of the two, and "met" or "MISSED" against the goal, then the same figures as
// machine-readable lines ("result job=tree seconds=0.149 bare_s=0.128 goal_s=1.0
// verdict=met"). The folders are made below DIR (default: $TMPDIR or /tmp) and removed at
// the end. The exit status is 0 when both goals are met.
#include <QApplication>
#include <QTreeWidgetItem>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gui/app/japanese_ui.h"
#include "gui/components/file_selection.h"
#include "gui/components/file_selection_window.h"
#include "gui/components/folder_tree.h"
#include "platform/file_system.h"
#include "platform/wildcard.h"

namespace {

namespace fs = std::filesystem;
using zelvora::RealFileSystem;
using zelvora::gui::FolderRoot;

constexpr int kSubfolders = 10000;
constexpr int kFiles = 20000;
constexpr double kTreeGoal = 1.0;
constexpr double kListGoal = 0.5;

double Seconds(const std::function<void()>& job) {
  const auto start = std::chrono::steady_clock::now();
  job();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string Numbered(const char* prefix, int n, const char* suffix = "") {
  char name[64];
  std::snprintf(name, sizeof name, "%s%05d%s", prefix, n, suffix);
  return name;
}

void MakeWorld(const fs::path& work) {
  for (int i = 0; i < kSubfolders; ++i) {
    fs::create_directories(work / "tree" / Numbered("folder", i) / "inner");
  }
  fs::create_directories(work / "list");
  for (int i = 0; i < kFiles; ++i) std::ofstream(work / "list" / Numbered("page", i, ".htm"));
}

// The reading the tree does, without the tree: the folder listed, each subfolder probed.
void ReadTreeBare(const std::string& folder) {
  auto entries = RealFileSystem().ListFolder(folder);
  for (const auto& entry : *entries) {
    if (entry.is_folder) (void)RealFileSystem().HasSubfolder(folder + entry.name + "/");
  }
}

// The reading the file list does, without the list: the folder listed, names matched.
void ReadListBare(const std::string& folder) {
  auto entries = RealFileSystem().ListFolder(folder);
  int matched = 0;
  for (const auto& entry : *entries) {
    matched += !entry.is_folder && (zelvora::MatchesWildcard("*.htm", entry.name) ||
                                    zelvora::MatchesWildcard("*.html", entry.name));
  }
  if (matched != kFiles) std::fprintf(stderr, "bare listing matched %d files\n", matched);
}

double TimeTreeExpansion(const fs::path& work) {
  const std::string root = work.string();
  zelvora::gui::TExpViewLite tree(nullptr, RealFileSystem(), [root] {
    return std::vector<FolderRoot>{{root, false}};
  });
  tree.resize(240, 400);
  tree.show();
  tree.SetPathName(root + "/tree");
  QTreeWidgetItem* folder = tree.currentItem();
  const double seconds = Seconds([&] {
    folder->setExpanded(true);
    QApplication::processEvents();
  });
  if (folder->childCount() != kSubfolders) {
    std::fprintf(stderr, "the tree shows %d subfolders\n", folder->childCount());
  }
  return seconds;
}

struct OpenFileSel : zelvora::gui::TFileSel {
  using TFileSel::dialog_form;
  using TFileSel::TFileSel;
};

double TimeFileListing(const fs::path& work) {
  const std::string root = work.string();
  OpenFileSel file_sel(nullptr, RealFileSystem(), [root] {
    return std::vector<FolderRoot>{{root, false}};
  });
  file_sel.AddFileType(QString::fromUtf8("HTML ファイル"), "*.htm,*.html", 0);
  file_sel.SetInitialFolder(root + "/list");
  file_sel.Show();
  QApplication::processEvents();
  auto* window = static_cast<zelvora::gui::TFormFileSel*>(file_sel.dialog_form());
  return Seconds([&] {
    window->ListFiles();
    QApplication::processEvents();
  });
}

struct Figures {
  const char* job;
  const char* text;
  double seconds;
  double bare_seconds;
  double goal;
  const char* verdict() const { return seconds < goal ? "met" : "MISSED"; }
};

Figures Summarise(const char* job, const char* text, const std::vector<double>& gui,
                  const std::vector<double>& bare, double goal) {
  return {job, text, Median(gui), Median(bare), goal};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  zelvora::gui::SetUpJapaneseUi(application);
  const char* tmp = std::getenv("TMPDIR");
  fs::path base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  int repeat = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--work") base = argv[i + 1];
    if (option == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
  }
  const fs::path work =
      base / ("zelvora-gui-bench-" + std::to_string(QApplication::applicationPid()));
  MakeWorld(work);
  const std::string tree_folder = (work / "tree").string() + "/";
  const std::string list_folder = (work / "list").string() + "/";
  ReadTreeBare(tree_folder);  // the same warm caches for both sides
  ReadListBare(list_folder);

  std::vector<double> tree, tree_bare, list, list_bare;
  for (int run = 0; run < repeat; ++run) {
    tree_bare.push_back(Seconds([&] { ReadTreeBare(tree_folder); }));
    tree.push_back(TimeTreeExpansion(work));
    list_bare.push_back(Seconds([&] { ReadListBare(list_folder); }));
    list.push_back(TimeFileListing(work));
  }
  const Figures figures[] = {
      Summarise("tree", "expand a folder of 10,000 subfolders (one inside each)", tree, tree_bare,
                kTreeGoal),
      Summarise("list", "list a folder of 20,000 files in the file dialog", list, list_bare,
                kListGoal)};
  for (const Figures& f : figures) {
    std::printf("%s: %-56s %7.3f s   bare reading %7.3f s   ratio %5.1f   goal < %.1f s   %s\n",
                f.job, f.text, f.seconds, f.bare_seconds, f.seconds / f.bare_seconds, f.goal,
                f.verdict());
  }
  for (const Figures& f : figures) {
    std::printf("result job=%s seconds=%.3f bare_s=%.3f goal_s=%.1f verdict=%s\n", f.job, f.seconds,
                f.bare_seconds, f.goal, f.verdict());
  }
  fs::remove_all(work);
  return figures[0].seconds < kTreeGoal && figures[1].seconds < kListGoal ? 0 : 1;
}
