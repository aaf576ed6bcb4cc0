// Installs the build into a temporary prefix with `cmake --install` and runs the installed
// zelvora-stamp from there, as a user would after installing it.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/desktop_entry.h"
#include "platform/encoding.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::PathExists;
using testing::ReadBytes;

// The user that runs the installed program when the tests run as root: root may write into
// any folder, so an installed program's folder is unwritable only for somebody else.
constexpr uid_t kUnprivileged = 65534;

struct Launch {
  std::vector<std::string> argv;
  std::vector<std::string> environment;  // NAME=VALUE added to a minimal environment
  bool unprivileged = false;
  std::string output_file;  // stdout and stderr, for the failure message
};

// Runs the program and returns its exit status (-1 when it did not exit normally).
int RunProgram(const Launch& launch) {
  std::vector<std::string> environment = {"PATH=/usr/bin:/bin", "TZ=JST-9", "LC_ALL=C.UTF-8"};
  environment.insert(environment.end(), launch.environment.begin(), launch.environment.end());
  std::vector<char*> argv;
  for (const std::string& word : launch.argv) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(launch.output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    if (launch.unprivileged &&
        (setgroups(0, nullptr) != 0 || setgid(kUnprivileged) != 0 || setuid(kUnprivileged) != 0)) {
      _exit(126);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// True when every folder above `path` lets others pass, so an unprivileged user reaches it.
bool ReachableByOthers(std::string path) {
  while (path.size() > 1) {
    path = path.substr(0, path.rfind('/'));
    if (path.empty()) break;
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
  }
  return true;
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(root.path().c_str(), 0755);
    const int status =
        RunProgram({{ZELVORA_CMAKE_COMMAND, "--install", ZELVORA_BUILD_DIR, "--prefix", prefix},
                    {},
                    false,
                    root / "install.out"});
    ASSERT_EQ(status, 0) << ReadBytes(root / "install.out");
  }

  // A one-page site with a keyword mark, owned by `owner`.
  std::string MakeSite(uid_t owner) {
    const std::string page = root / "site/index.htm";
    testing::WriteBytes(page, "<p>更新日：<!--#ZELV#--></p>\n");
    testing::MakeFolder(root / "state");
    for (const char* path : {"site", "site/index.htm", "state"}) {
      if (chown((root / path).c_str(), owner, owner) != 0 && owner != geteuid()) {
        ADD_FAILURE() << "cannot give " << path << " to user " << owner;
      }
    }
    return page;
  }

  // Runs the installed zelvora-stamp through its link in bin/ on `page`.
  int Stamp(const std::string& page, bool unprivileged) {
    return RunProgram({{prefix + "/bin/zelvora-stamp", page},
                       {"XDG_STATE_HOME=" + root / "state", "HOME=" + root / "home",
                        "ZELVORA_REGISTRY=" + root / "state/registry.reg"},
                       unprivileged,
                       root / "stamp.out"});
  }

  testing::TempDir root{"install"};
  std::string prefix = root / "prefix";
  std::string program_folder = prefix + "/lib/zelvora";
};

TEST_F(InstallTest, ProgramsAndHelpShareOneFolderWithRelativeLinksInBin) {
  EXPECT_EQ(access((program_folder + "/zelvora-stamp").c_str(), X_OK), 0);
  EXPECT_EQ(ReadBytes(program_folder + "/Zelvora.htm"),
            ReadBytes(ZELVORA_SOURCE_DIR "/resources/help/Zelvora.htm"));
  char target[256] = {};
  ASSERT_GT(readlink((prefix + "/bin/zelvora-stamp").c_str(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, "../lib/zelvora/zelvora-stamp");
  EXPECT_TRUE(PathExists(prefix + "/share/applications/zelvora.desktop"));
  // The icon and the manual page are made by the build when their sources are there.
  if (PathExists(ZELVORA_ICON_THEME_DIR)) {
    EXPECT_TRUE(PathExists(prefix + "/share/icons/hicolor/scalable/apps/zelvora.svg"));
    EXPECT_TRUE(PathExists(prefix + "/share/icons/hicolor/48x48/apps/zelvora.png"));
  }
  if (PathExists(ZELVORA_MAN_PAGE)) {
    EXPECT_TRUE(PathExists(prefix + "/share/man/man1/zelvora-stamp.1.gz"));
  }
  EXPECT_TRUE(PathExists(prefix + "/share/doc/zelvora/copyright"));
  EXPECT_TRUE(PathExists(prefix + "/share/doc/zelvora/changelog.gz"));
}

TEST_F(InstallTest, BothProgramsShowTheOneVersion) {
  ASSERT_EQ(RunProgram({{prefix + "/bin/zelvora-stamp", "--version"}, {}, false, root / "out"}), 0);
  EXPECT_EQ(ReadBytes(root / "out"), "zelvora-stamp 3.50\n");
  if (!PathExists(program_folder + "/zelvora")) GTEST_SKIP() << "the desktop program is not built";
  ASSERT_EQ(RunProgram({{prefix + "/bin/zelvora", "--version"}, {}, false, root / "out"}), 0);
  EXPECT_EQ(ReadBytes(root / "out"), "zelvora 3.50\n");
  EXPECT_TRUE(PathExists(prefix + "/share/man/man1/zelvora.1.gz"));
}

TEST_F(InstallTest, TheDesktopEntryOpensAFileAndIsOfferedForHtml) {
  const std::string file = prefix + "/share/applications/zelvora.desktop";
  const std::string text = ReadBytes(file);
  const auto entry = ParseDesktopEntry(text, file);
  ASSERT_TRUE(entry.ok()) << entry.status().message();
  const auto words = ExecCommandLine(
      *entry, {"/home/me/my site/index.htm", "file:///home/me/my%20site/index.htm"});
  ASSERT_TRUE(words.ok()) << words.status().message();
  EXPECT_EQ(*words, (std::vector<std::string>{"zelvora", "/home/me/my site/index.htm"}));
  EXPECT_NE(text.find("\nMimeType=text/html;application/xhtml+xml;\n"), std::string::npos);
}

TEST_F(InstallTest, AnUnwritableProgramFolderSendsTheLogToTheStateFolder) {
  const bool as_root = geteuid() == 0;
  if (as_root && !ReachableByOthers(root.path())) {
    GTEST_SKIP() << "running as root, and " << root.path()
                 << " is out of reach of an unprivileged user (set TMPDIR to /tmp)";
  }
  chmod(program_folder.c_str(), 0555);
  const std::string page = MakeSite(as_root ? kUnprivileged : geteuid());
  ASSERT_EQ(Stamp(page, as_root), 0) << ReadBytes(root / "stamp.out");
  EXPECT_NE(ReadBytes(page).find("<!-- #ZELV#($BEGIN) -->"), std::string::npos);
  ASSERT_TRUE(PathExists(root / "state/zelvora/Zelvora.log"));
  const std::string log =
      ConvertTextLossy(ReadBytes(root / "state/zelvora/Zelvora.log"), kCp932, kUtf8);
  EXPECT_NE(log.find("◎日付を記入しました：" + page), std::string::npos) << log;
  EXPECT_FALSE(PathExists(program_folder + "/Zelvora.log"));
  chmod(program_folder.c_str(), 0755);  // so the temporary folder can be removed
}

TEST_F(InstallTest, AWritableProgramFolderKeepsTheLogBesideThePrograms) {
  const std::string page = MakeSite(geteuid());
  ASSERT_EQ(Stamp(page, false), 0) << ReadBytes(root / "stamp.out");
  EXPECT_TRUE(PathExists(program_folder + "/Zelvora.log"));
  EXPECT_FALSE(PathExists(root / "state/zelvora/Zelvora.log"));
}

}  // namespace
}  // namespace zelvora
