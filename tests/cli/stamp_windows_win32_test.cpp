// zelvora-stamp.exe as a Windows user meets it: letter case, read-only pages, pages other
// programs hold open, creation times, shared-folder paths and Japanese file names in
// Shift_JIS pages, the log's place, and runs that share a site.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "records/backup.h"
#include "records/run_log.h"
#include "tests/support/child_process.h"
#include "tests/support/run_world.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/stamp_binary.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::PathExists;
using testing::ReadBytes;

constexpr char kMarked[] = "<p><!--#ZELV#--></p>\r\n";
constexpr char kStamped[] =
    "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) --></p>\r\n";

std::wstring Wide(const std::string& path) { return testing::NativePath(path).wstring(); }

FILETIME SystemTime(int64_t unix_seconds) {
  const int64_t ticks = unix_seconds * 10'000'000 + 116'444'736'000'000'000LL;
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

int64_t UnixSeconds(const FILETIME& time) {
  const int64_t ticks = static_cast<int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return (ticks - 116'444'736'000'000'000LL) / 10'000'000;
}

// The creation and last-write times of `path`, in seconds since 1970.
std::pair<int64_t, int64_t> CreatedAndWritten(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) << path;
  return {UnixSeconds(data.ftCreationTime), UnixSeconds(data.ftLastWriteTime)};
}

// The lines of the run's log output that begin with `prefix`.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    if (line.starts_with(prefix)) lines.push_back(line.substr(prefix.size()));
    start = end + 1;
  }
  return lines;
}

class StampOnWindowsTest : public ::testing::Test {
 protected:
  std::string Page(const std::string& relative, const std::string& bytes) {
    const std::string path = site / relative;
    testing::WriteBytes(path, bytes);
    testing::SetModifiedTime(path, testing::k1999_01_03_140730);
    return path;
  }

  static std::string Link(const std::string& target) {
    return "<a href=\"" + target + "\">" + target + "</a>\r\n";
  }

  testing::TempDir site{"site"};
};

TEST_F(StampOnWindowsTest, NamesInOtherLetterCaseAreOnePageStampedOnce) {
  const std::string index =
      Page("index.htm", kMarked + Link("News.htm") + Link("news.htm") + Link("NEWS.HTM"));
  Page("news.htm", kMarked);
  const testing::BinaryRun run = testing::RunStampBinary({index});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesStartingWith(run.err, "◎日付記入開始："),
            (std::vector<std::string>{index, site / "News.htm"}));
  EXPECT_EQ(LinesStartingWith(run.err, "◎日付を記入しました："),
            (std::vector<std::string>{site / "News.htm", index}));
  EXPECT_EQ(ReadBytes(site / "news.htm"), kStamped);
  EXPECT_TRUE(PathExists(site / "news_Bak1.bak"));
  EXPECT_FALSE(PathExists(site / "news_Bak2.bak"));  // one rewrite only
}

TEST_F(StampOnWindowsTest, AReadOnlyPageIsAWriteFailureAndStaysAsItWas) {
  const std::string page = Page("page.htm", kMarked);
  ASSERT_TRUE(SetFileAttributesW(Wide(page).c_str(), FILE_ATTRIBUTE_READONLY));
  const testing::BinaryRun run = testing::RunStampBinary({"--set", "ErrCope=1", page});
  SetFileAttributesW(Wide(page).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("次のファイルに書き込めませんでした。\n" + page), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadBytes(page), kMarked);
  EXPECT_FALSE(PathExists(BackupName(page, 1)));
}

TEST_F(StampOnWindowsTest, APageAnotherProgramHoldsOpenWithoutSharingIsLeftWhole) {
  const std::string page = Page("page.htm", kMarked);
  Page("page_Bak1.bak", "an older generation");
  // As an editor might: others may read the page but neither delete nor replace it.
  const HANDLE held = CreateFileW(Wide(page).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const testing::BinaryRun run = testing::RunStampBinary({"--set", "ErrCope=1", page});
  CloseHandle(held);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("次のファイルに書き込めませんでした。\n" + page), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadBytes(page), kMarked);
  // The generations are as they were before the run.
  EXPECT_EQ(ReadBytes(site / "page_Bak1.bak"), "an older generation");
  EXPECT_FALSE(PathExists(site / "page_Bak2.bak"));
}

TEST_F(StampOnWindowsTest, AKeptTimeStampKeepsTheCreationTimeToo) {
  const std::string page = Page("page.htm", kMarked);
  const HANDLE file = CreateFileW(Wide(page).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const FILETIME created = SystemTime(testing::k1999_01_03_140730 - 86400 * 365);
  ASSERT_TRUE(SetFileTime(file, &created, nullptr, nullptr));
  CloseHandle(file);
  if (CreatedAndWritten(page).first != testing::k1999_01_03_140730 - 86400 * 365) {
    GTEST_SKIP() << "this file system keeps no creation time that a program sets (wine on Linux)";
  }

  ASSERT_EQ(testing::RunStampBinary({page}).status, 0);
  EXPECT_EQ(ReadBytes(page), kStamped);
  EXPECT_EQ(CreatedAndWritten(page),
            std::make_pair(testing::k1999_01_03_140730 - 86400 * 365, testing::k1999_01_03_140730));
}

TEST_F(StampOnWindowsTest, SharedFolderPathsAreLocalFilesNotAddresses) {
  // A link to a shared folder is looked for on disk (here: no such server) and reported,
  // where an address would be passed over in silence.
  const std::string page = Page("page.htm", kMarked + Link("\\\\nosuchserver\\share\\page.htm"));
  const testing::BinaryRun run = testing::RunStampBinary({"--set", "ErrCope=1", page});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("次のファイルが見つかりません。\n\\\\nosuchserver\\share\\page.htm"),
            std::string::npos)
      << run.err;
  // The prefix that lifts the length limit names the same page.
  const std::string prefixed = "\\\\?\\" + page;
  const testing::BinaryRun again = testing::RunStampBinary({"--set", "ErrCope=1", prefixed});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(ReadBytes(page).starts_with(kStamped));
}

TEST_F(StampOnWindowsTest, ACp932NameIsReachedThroughALinkInAShiftJisPage) {
  // "表" ends in the byte of "\" in Shift_JIS; the link is decoded before it is taken apart.
  const std::string link_bytes = *ConvertText("日記/表.htm", kUtf8, kCp932);
  const std::string index =
      Page("index.htm",
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n" +
               std::string(kMarked) + Link(link_bytes));
  const std::string diary = Page("日記/表.htm", kMarked);
  const testing::BinaryRun run = testing::RunStampBinary({index});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesStartingWith(run.err, "◎日付を記入しました："),
            (std::vector<std::string>{diary, index}));
  EXPECT_EQ(ReadBytes(diary), kStamped);
  EXPECT_TRUE(PathExists(site / "日記/表_Bak1.bak"));
}

TEST_F(StampOnWindowsTest, TheLogIsShiftJisBesideTheProgramOrInLocalAppData) {
  const std::string page = Page("page.htm", kMarked);
  testing::TempDir program("program");
  testing::TempDir local("local");
  testing::ScopedEnvironment environment(
      {{"ZELVORA_PROGRAM_DIR", program.path().c_str()}, {"LOCALAPPDATA", local.path().c_str()}});
  ASSERT_EQ(testing::RunStampBinary({page}).status, 0);
  const std::string beside = ReadBytes(program / "Zelvora.log");
  EXPECT_NE(beside.find(*ConvertText("◎日付を記入しました：" + page + "\n\r\n", kUtf8, kCp932)),
            std::string::npos);

  // A program folder that takes no files (here: one that is not there) sends it to
  // %LOCALAPPDATA%\Zelvora, which the first save makes.
  environment.Set("ZELVORA_PROGRAM_DIR", (program / "gone").c_str());
  ASSERT_EQ(testing::RunStampBinary({page}).status, 0);
  EXPECT_TRUE(PathExists(local / "Zelvora/Zelvora.log"));
}

TEST_F(StampOnWindowsTest, TenRunsAtOnceAllLandInTheLog) {
  std::vector<std::string> pages;
  for (int i = 0; i < 10; ++i) pages.push_back(Page("page" + std::to_string(i) + ".htm", kMarked));
  std::vector<int> runs;
  for (int i = 0; i < 10; ++i) {
    runs.push_back(testing::StartStampBinary({pages[i]}, {}, site / ("out" + std::to_string(i)),
                                             site / ("err" + std::to_string(i))));
  }
  for (int i = 0; i < 10; ++i) EXPECT_EQ(testing::WaitForExit(runs[i]), 0) << i;
  const auto converted = ConvertText(ReadBytes(LogFileName()), kCp932, kUtf8);
  ASSERT_TRUE(converted.ok()) << converted.status().message();
  const std::string log = *converted;
  for (int i = 0; i < 10; ++i) {
    const std::string& page = pages[i];
    // A later run reads the log's lines back as entries: the line end follows the name.
    const std::string entry = "◎日付を記入しました：" + page;
    const size_t at = log.find(entry);
    ASSERT_NE(at, std::string::npos) << page << ReadBytes(site / ("out" + std::to_string(i)))
                                     << ReadBytes(site / ("err" + std::to_string(i)));
    EXPECT_NE(std::string("\r\n").find(log.at(at + entry.size())), std::string::npos) << page;
    EXPECT_EQ(ReadBytes(page), kStamped);
  }
}

}  // namespace
}  // namespace zelvora
