// A private freedesktop.org world for tests of browser and opener launching: its own XDG
// data and configuration folders (so `xdg-mime query default text/html` answers from them
// alone), a generic desktop, and recording stand-ins for a browser and for xdg-open.
#pragma once

#include <string>
#include <vector>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora::testing {

class FakeDesktop {
 public:
  // Points every XDG folder variable into a fresh temporary folder, and the desktop to a
  // generic one. No program is associated with anything yet.
  FakeDesktop();

  // Writes the desktop entry `id` into the data folder with `exec` as its Exec line, where
  // "@RECORDER@" stands for a script that records its arguments under the name `id`, and
  // names it the default program for text/html.
  void AddHtmlBrowser(const std::string& id, const std::string& exec, const std::string& icon = "");

  // Puts a stand-in xdg-open first on the PATH: it records its arguments under the name
  // "xdg-open" and exits with `exit_status`, after `delay_seconds` when that is not 0.
  void UseFakeOpener(int exit_status, int delay_seconds = 0);

  // The arguments that the stand-in `who` was started with, one per element; waits up to a
  // generous time for a detached program to write them, and fails the test when it never
  // does.
  std::vector<std::string> WaitForArguments(const std::string& who) const;

  // Whether `who` has recorded arguments by now.
  bool Recorded(const std::string& who) const;

  // A file the stand-ins' recorder script lives in (for Exec lines that name it).
  std::string RecorderPath() const { return root_ / "bin/recorder"; }
  const TempDir& root() const { return root_; }

 private:
  std::string RecordFile(const std::string& who) const { return root_ / ("records/" + who); }

  TempDir root_{"desktop"};
  ScopedEnvironment environment_;
};

}  // namespace zelvora::testing
