#include "tests/support/git_sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/process.h"

namespace zelvora::testing {

GitSandbox::GitSandbox() {
  for (const auto& [name, value] : std::initializer_list<std::pair<const char*, const char*>>{
           {"HOME", dir_.path().c_str()},
           {"XDG_CONFIG_HOME", dir_.path().c_str()},
           {"GIT_CONFIG_NOSYSTEM", "1"},
           {"GIT_CONFIG_GLOBAL", "/dev/null"},
           {"GIT_AUTHOR_NAME", "Zelvora Test"},
           {"GIT_AUTHOR_EMAIL", "test@zelvora.invalid"},
           {"GIT_COMMITTER_NAME", "Zelvora Test"},
           {"GIT_COMMITTER_EMAIL", "test@zelvora.invalid"}}) {
    environment_.Set(name, value);
  }
}

std::string GitSandbox::Git(const std::string& folder, std::vector<std::string> args,
                            bool may_fail) {
  args.insert(args.begin(), {"git", "-C", folder});
  const auto done = CaptureOutput(args, std::chrono::seconds(120));
  EXPECT_TRUE(done.ok() || may_fail) << args[3] << ": " << done.status().message();
  return done.ok() ? *done : std::string();
}

std::string GitSandbox::GitAt(const std::string& folder, int64_t when,
                              std::vector<std::string> args, bool may_fail) {
  const std::string date = std::to_string(when) + " +0900";
  ScopedEnvironment dated(
      {{"GIT_COMMITTER_DATE", date.c_str()}, {"GIT_AUTHOR_DATE", date.c_str()}});
  return Git(folder, std::move(args), may_fail);
}

void GitSandbox::Init(const std::string& folder) {
  MakeFolder(folder);
  Git(folder, {"init", "-q", "-b", "main"});
}

void GitSandbox::Commit(const std::string& folder, int64_t when, const std::string& message) {
  Git(folder, {"add", "-A"});
  GitAt(folder, when, {"commit", "-q", "--allow-empty", "-m", message});
}

void GitSandbox::Clone(const std::string& origin, const std::string& folder, int64_t checkout,
                       int depth) {
  std::vector<std::string> args = {"clone", "-q"};
  if (depth > 0) args.insert(args.end(), {"--depth", std::to_string(depth)});
  args.insert(args.end(), {"file://" + origin, folder});
  Git(dir_.path(), args);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().string().find("/.git") != std::string::npos) continue;
    if (!entry.is_symlink() && entry.is_regular_file()) {
      SetModifiedTime(entry.path().string(), checkout);
    }
  }
}

FakeGit::FakeGit(const std::string& script) {
  const auto real = FindProgram("git");
  const std::string path = dir_ / "git";
  WriteBytes(path, "#!/bin/sh\nREAL_GIT='" + (real.ok() ? *real : std::string("/usr/bin/git")) +
                       "'\n" + script + "\n");
  chmod(path.c_str(), 0755);
  const char* old_path = std::getenv("PATH");
  path_.Set("PATH", dir_.path() + ":" + (old_path != nullptr ? old_path : "/usr/bin:/bin"));
}

}  // namespace zelvora::testing
