#include "tests/support/fake_desktop.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace zelvora::testing {
namespace {

void WriteExecutable(const std::string& path, const std::string& script) {
  WriteBytes(path, script);
  chmod(path.c_str(), 0755);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace

FakeDesktop::FakeDesktop() {
  for (const char* folder :
       {"data/applications", "data-dirs", "config", "config-dirs", "runtime", "records", "bin"}) {
    MakeFolder(root_ / folder);
  }
  environment_.Set("XDG_DATA_HOME", root_ / "data");
  environment_.Set("XDG_DATA_DIRS", root_ / "data-dirs");
  environment_.Set("XDG_CONFIG_HOME", root_ / "config");
  environment_.Set("XDG_CONFIG_DIRS", root_ / "config-dirs");
  environment_.Set("XDG_RUNTIME_DIR", root_ / "runtime");
  environment_.Set("XDG_CURRENT_DESKTOP", "X-Generic");
  for (const char* name : {"KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                           "MATE_DESKTOP_SESSION_ID", "DESKTOP_SESSION", "BROWSER"}) {
    environment_.Set(name, nullptr);
  }
  // The recorder writes one argument per line, to a temporary name first, so that a test
  // never reads a half-written record.
  WriteExecutable(RecorderPath(),
                  "#!/bin/sh\n"
                  "who=\"$1\"; shift\n"
                  "record=\"" +
                      root_ / "records" +
                      "/$who\"\n"
                      "printf '%s\\n' \"$@\" > \"$record.part\"\n"
                      "mv \"$record.part\" \"$record\"\n");
}

void FakeDesktop::AddHtmlBrowser(const std::string& id, const std::string& exec,
                                 const std::string& icon) {
  std::string line = exec;
  const std::string recorder = RecorderPath() + " " + id;
  for (size_t at = line.find("@RECORDER@"); at != std::string::npos;
       at = line.find("@RECORDER@", at + recorder.size())) {
    line.replace(at, 10, recorder);
  }
  WriteBytes(root_ / ("data/applications/" + id),
             "[Desktop Entry]\nType=Application\nName=Fake Browser\n" +
                 (icon.empty() ? std::string() : "Icon=" + icon + "\n") + "Exec=" + line +
                 "\nMimeType=text/html;\n");
  WriteBytes(root_ / "config/mimeapps.list", "[Default Applications]\ntext/html=" + id + "\n");
}

void FakeDesktop::UseFakeOpener(int exit_status, int delay_seconds) {
  WriteExecutable(root_ / "bin/xdg-open",
                  "#!/bin/sh\n" + RecorderPath() + " xdg-open \"$@\"\n" +
                      (delay_seconds > 0 ? "sleep " + std::to_string(delay_seconds) + "\n" : "") +
                      "exit " + std::to_string(exit_status) + "\n");
  const char* path = std::getenv("PATH");
  environment_.Set("PATH", root_ / "bin" + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
}

bool FakeDesktop::Recorded(const std::string& who) const { return PathExists(RecordFile(who)); }

std::vector<std::string> FakeDesktop::WaitForArguments(const std::string& who) const {
  // A detached program may take a moment to start on a busy machine; this is a wait, not a
  // timing assertion.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Recorded(who) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!Recorded(who)) {
    ADD_FAILURE() << who << " recorded no arguments";
    return {};
  }
  return Lines(ReadBytes(RecordFile(who)));
}

}  // namespace zelvora::testing
