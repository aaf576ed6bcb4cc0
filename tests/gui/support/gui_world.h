// A private world for tests of the program's windows: a temporary folder for sites, a
// settings store of its own, live settings, a file system that can fail on request and tell
// the test when the run reads a page, and a recording stand-in for the desktop's opener.
#pragma once

#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/app/main_window.h"
#include "platform/file_system.h"
#include "platform/registry_store.h"
#include "settings/setting.h"
#include "tests/support/fake_shell.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/temp_dir.h"

namespace zelvora::testing {

// The fault-injecting file system, which also calls `on_read` (when set) with the path of
// every page or file the run is about to read.
class WatchedFileSystem : public FaultInjectingFileSystem {
 public:
  WatchedFileSystem() : FaultInjectingFileSystem(RealFileSystem()) {}

  std::function<void(const std::string& path)> on_read;

  Result<std::string> ReadFilePaced(const std::string& path, FileInfo* info,
                                    const ReadPacer& pacer) override {
    if (on_read) on_read(path);
    return FaultInjectingFileSystem::ReadFilePaced(path, info, pacer);
  }
};

// Runs the window thread until every request of `window` to the desktop has told its outcome.
inline void SettleShellRequests(const gui::TFormZELV& window) {
  ASSERT_TRUE(QTest::qWaitFor([&window] { return window.PendingShellRequests() == 0; }, 60000));
}

struct GuiWorld {
  // The store's path, for a second store object that reads what the window wrote.
  std::string StorePath() const { return dir / "registry.reg"; }

  // Writes a page below the world's folder and returns its full path.
  std::string Page(const std::string& relative, const std::string& bytes) const {
    const std::string path = dir / relative;
    WriteBytes(path, bytes);
    SetModifiedTime(path, 915340050);  // 1999/01/03 14:07:30 in JST-9
    return path;
  }

  gui::MainWindowServices Services() {
    return {store,
            settings,
            fs,
            dir / "Zelvora.log",
            [this](const std::string& name) {
              opened.push_back(name);
              return open_succeeds;
            },
            shell,
            conversation};
  }

  // A main window over this world, made as at program start.
  std::unique_ptr<gui::TFormZELV> MakeWindow() {
    return std::make_unique<gui::TFormZELV>(Services());
  }

  TempDir dir{"gui"};
  RegistryStore store{dir / "registry.reg"};
  TSetting settings;
  WatchedFileSystem fs;
  FakeShell shell;                  // the desktop's shell for the log, help and web pages
  FakeConversation conversation;    // a browser that never answers
  std::vector<std::string> opened;  // files handed to the desktop's opener
  bool open_succeeds = true;
};

}  // namespace zelvora::testing
