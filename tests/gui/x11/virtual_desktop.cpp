#include "tests/gui/x11/virtual_desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <thread>
#include <utility>

extern char** environ;

namespace zelvora::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Generous: the machine may be busy building.
constexpr std::chrono::seconds kStartLimit(60);

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    if (access((folders.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// Starts `argv` with its standard streams on /dev/null and `close_fd` (when given) closed in
// it; other descriptors are inherited as they are.
int Spawn(const std::vector<std::string>& argv, int close_fd = -1) {
  std::vector<char*> words;
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (close_fd >= 0) posix_spawn_file_actions_addclose(&actions, close_fd);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, words[0], &actions, nullptr, words.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : -1;
}

void Stop(int pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
}

// The display number that Xvfb writes to `fd` once it takes connections; empty when it
// does not within the limit.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  const auto deadline = Clock::now() + kStartLimit;
  while (Clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char c = 0;
    if (read(fd, &c, 1) != 1) break;
    if (c == '\n') return number;
    number += c;
  }
  return std::string();
}

std::string Output(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t count;
  while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
  pclose(pipe);
  return output;
}

std::vector<unsigned long> WindowIds(const std::string& text) {
  std::vector<unsigned long> ids;
  static const std::regex kId("0x[0-9a-fA-F]+");
  for (auto match = std::sregex_iterator(text.begin(), text.end(), kId);
       match != std::sregex_iterator(); ++match) {
    ids.push_back(std::stoul(match->str(), nullptr, 16));
  }
  return ids;
}

std::string Hex(unsigned long window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", window);
  return text;
}

std::string& NoDesktop() {
  static std::string why;
  return why;
}

bool WindowManagerRuns() {
  return !WindowIds(Output("xprop -root _NET_SUPPORTING_WM_CHECK")).empty();
}

}  // namespace

std::unique_ptr<VirtualDesktop> VirtualDesktop::Start(std::string& why, bool& missing_xvfb) {
  missing_xvfb = !OnPath("Xvfb");
  if (missing_xvfb) {
    why = "Xvfb is not installed (Debian package xvfb)";
    return nullptr;
  }
  for (const char* tool : {"openbox", "xprop", "xwininfo", "xdotool", "wmctrl"}) {
    if (!OnPath(tool)) {
      why = std::string(tool) + " is not installed (scripts/setup-debian.sh installs it)";
      return nullptr;
    }
  }
  std::unique_ptr<VirtualDesktop> desktop(new VirtualDesktop);
  int ends[2];
  if (pipe(ends) != 0) {
    why = "no pipe for Xvfb's display number";
    return nullptr;
  }
  desktop->xvfb_pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen", "0",
                              "1024x768x24", "-nolisten", "tcp", "-noreset"},
                             ends[0]);
  close(ends[1]);
  const std::string number = desktop->xvfb_pid_ > 0 ? ReadDisplayNumber(ends[0]) : "";
  close(ends[0]);
  if (number.empty()) {
    why = "Xvfb did not start";
    return nullptr;
  }
  desktop->display_ = ":" + number;
  setenv("DISPLAY", desktop->display_.c_str(), 1);
  desktop->window_manager_pid_ = Spawn({"openbox", "--sm-disable"});
  const auto deadline = Clock::now() + kStartLimit;
  while (!WindowManagerRuns()) {
    if (Clock::now() > deadline) {
      why = "openbox did not start managing " + desktop->display_;
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return desktop;
}

VirtualDesktop::~VirtualDesktop() {
  Stop(window_manager_pid_);
  Stop(xvfb_pid_);
}

const std::string& NoDesktopReason() { return NoDesktop(); }
void SetNoDesktopReason(std::string why) { NoDesktop() = std::move(why); }

std::vector<unsigned long> StackingOrder() {
  return WindowIds(Output("xprop -root _NET_CLIENT_LIST_STACKING"));
}

unsigned long TransientFor(unsigned long window) {
  const std::vector<unsigned long> ids =
      WindowIds(Output("xprop -id " + Hex(window) + " WM_TRANSIENT_FOR"));
  return ids.empty() ? 0 : ids.back();
}

bool IsViewable(unsigned long window) {
  return Output("xwininfo -id " + Hex(window)).find("Map State: IsViewable") != std::string::npos;
}

void TypeKeys(const std::string& keys) { (void)Output("xdotool key --clearmodifiers " + keys); }

void AskToClose(unsigned long window) { (void)Output("wmctrl -i -c " + Hex(window)); }

}  // namespace zelvora::testing
