// End-to-end runs of the real zelvora-stamp where pages, names, the log and the settings store
// are out of the ordinary: reads cut short, pages the user may not write, one file under
// several names, wildcards and undecodable bytes in names, huge or unreadable logs, many runs
// at once, a named pipe for a store and very large lists and folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "engine/date_areas.h"
#include "platform/encoding.h"
#include "tests/support/child_process.h"
#include "tests/support/run_world.h"
#include "tests/support/stamp_binary.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::BinaryOptions;
using testing::BinaryRun;
using testing::PathExists;
using testing::ReadBytes;
using testing::RunStampBinary;
using testing::WriteBytes;

constexpr char kMarked[] = "<p><!--#ZELV#--></p>\r\n";
constexpr char kStamped[] =
    "<p><!--#ZELV#--><!-- #ZELV#($BEGIN) -->1999/01/03<!-- #ZELV#($END) --></p>\r\n";

std::string Link(const std::string& target) {
  return "<a href=\"" + target + "\">" + target + "</a>\r\n";
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class StampSafetyTest : public ::testing::Test {
 protected:
  StampSafetyTest() {
    testing::MakeFolder(program);
    options.environment = {"ZELVORA_PROGRAM_DIR=" + program,
                           "ZELVORA_REGISTRY=" + (site / "registry.reg")};
  }

  // Writes a page of the site with an old last-write time.
  std::string Page(const std::string& relative, const std::string& bytes,
                   int64_t modified = testing::k1999_01_03_140730) {
    const std::string path = site / relative;
    WriteBytes(path, bytes);
    testing::SetModifiedTime(path, modified);
    return path;
  }

  std::string Log() const {
    return ConvertTextLossy(ReadBytes(program + "/Zelvora.log"), kCp932, kUtf8);
  }

  // When the tests run as root, the site is handed to an ordinary user and the program runs
  // as that user; otherwise it runs as the user running the tests.
  void RunAsOrdinaryUser() {
    if (geteuid() != 0) return;
    chmod(site.path().c_str(), 0755);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(site.path())) {
      if (lchown(entry.path().c_str(), testing::kNobody, testing::kNobody) != 0) {
        ADD_FAILURE() << "cannot hand " << entry.path() << " to nobody";
      }
    }
    if (lchown(site.path().c_str(), testing::kNobody, testing::kNobody) != 0) {
      ADD_FAILURE() << "cannot hand " << site.path() << " to nobody";
    }
    options.user = testing::kNobody;
  }

  testing::TempDir site{"safety"};
  std::string program = site / "program";
  BinaryOptions options;
};

TEST_F(StampSafetyTest, AReadCutShortIsReadOnAndThePageWrittenWhole) {
  if (!testing::HaveFiuRun()) GTEST_SKIP() << "fiu-run (package fiu-utils) is not installed";
  std::string filler;
  for (int line = 0; filler.size() < 200072 - 22; ++line) {
    filler += "<p>line " + std::to_string(line) + " of a long page</p>\r\n";
  }
  filler.resize(200072 - 22 - 2);
  filler += "\r\n";
  const std::string page = Page("big.htm", kMarked + filler);
  ASSERT_EQ(ReadBytes(page).size(), 200072u);
  // Larger pages are read in pieces; each piece is read on until it is whole too.
  const std::string large_filler = filler + std::string(5 << 20, 'x') + "\r\n";
  const std::string large = Page("large.htm", kMarked + large_filler);
  // Every read of the program returns fewer bytes than it asked for.
  options.fiu_enable = "posix/io/rw/read/reduce";
  for (const std::string& stamped : {page, large}) {
    const BinaryRun run = RunStampBinary({stamped}, options);
    EXPECT_EQ(run.status, 0) << run.err;
  }
  EXPECT_EQ(ReadBytes(page), kStamped + filler);
  EXPECT_EQ(ReadBytes(site / "big_Bak1.bak"), kMarked + filler);
  EXPECT_EQ(ReadBytes(large), kStamped + large_filler);
  EXPECT_EQ(ReadBytes(site / "large_Bak1.bak"), kMarked + large_filler);
}

TEST_F(StampSafetyTest, APageTheUserMayNotWriteIsReportedAndLeftAsItIs) {
  const std::string page = Page("index.htm", kMarked + Link("locked.htm"));
  const std::string locked = Page("locked.htm", kMarked);
  chmod(locked.c_str(), 0444);
  RunAsOrdinaryUser();
  const BinaryRun run = RunStampBinary({"--set", "ErrCope=1", page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("次のファイルに書き込めませんでした。\n" + locked), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadBytes(locked), kMarked);
  EXPECT_FALSE(PathExists(site / "locked_Bak1.bak"));
  EXPECT_EQ(ReadBytes(page), kStamped + Link("locked.htm"));
}

TEST_F(StampSafetyTest, NamesInOtherLetterCaseAreOtherPagesAndOnePageUnderManyNamesIsStampedOnce) {
  const std::string upper = Page("News.htm", kMarked);
  const std::string lower = Page("news.htm", kMarked);
  testing::MakeFolder(site / "sub");
  ASSERT_EQ(symlink("News.htm", (site / "alias.htm").c_str()), 0);
  ASSERT_EQ(link(lower.c_str(), (site / "hard.htm").c_str()), 0);
  const std::string index =
      Page("index.htm", kMarked + Link("News.htm") + Link("news.htm") + Link("./News.htm") +
                            Link("sub/../News.htm") + Link("alias.htm") + Link("hard.htm"));
  const BinaryRun run = RunStampBinary({index}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(upper), kStamped);
  EXPECT_EQ(ReadBytes(lower), kStamped);
  EXPECT_EQ(Count(run.err, "◎日付記入開始："), 3u) << run.err;
  EXPECT_EQ(Count(run.err, "◎日付を記入しました："), 3u) << run.err;
  EXPECT_EQ(Count(run.err, "※"), 0u) << run.err;
  EXPECT_FALSE(PathExists(site / "alias_Bak1.bak"));
  EXPECT_FALSE(PathExists(site / "hard_Bak1.bak"));
}

TEST_F(StampSafetyTest, AQuestionMarkInADateSourceListIsAWildcard) {
  Page("news/2024-01.htm", "a", 1704412800);  // 2024/01/05
  Page("news/2024-02.htm", "b", 1707523200);  // 2024/02/10
  Page("news/2024-10.htm", "c", 1727740800);  // 2024/10/01: two characters, not one
  const std::string page = Page("index.htm", "<!-- #ZELV# news/2024-0?.htm -->\r\n");
  const BinaryRun run = RunStampBinary({page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(page),
            "<!-- #ZELV# news/2024-0?.htm --><!-- #ZELV#($BEGIN) -->2024/02/10"
            "<!-- #ZELV#($END) -->\r\n");
  EXPECT_EQ(Count(run.err, "※"), 0u) << run.err;
}

TEST_F(StampSafetyTest, ALinkByteThatDoesNotDecodeNeverBecomesAWildcard) {
  const std::string other = Page("news0.htm", kMarked);
  const std::string page = Page("index.htm", kMarked + Link("news\xFF.htm"));
  BinaryRun run = RunStampBinary({"--set", "ErrCope=1", page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(other), kMarked);
  EXPECT_NE(run.err.find("次のファイルが見つかりません。\nnews\xFF.htm"), std::string::npos)
      << run.err;

  // Linux names are bytes: a file of exactly that name is the link's target.
  const std::string named = Page("news\xFF.htm", kMarked);
  Page("index.htm", kMarked + Link("news\xFF.htm"));
  run = RunStampBinary({page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(named), kStamped);
  EXPECT_EQ(ReadBytes(other), kMarked);
}

TEST_F(StampSafetyTest, AGigabyteLogNeitherStopsTheRunNorCostsAGigabyte) {
  const std::string log = program + "/Zelvora.log";
  const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);  // sparse: a gigabyte of NUL bytes
  close(fd);
  const std::string page = Page("index.htm", kMarked);
  const BinaryRun run = RunStampBinary({page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(page), kStamped);
  EXPECT_LT(run.max_rss_kib, 100 * 1024);
  struct stat info {};
  ASSERT_EQ(stat(log.c_str(), &info), 0);
  EXPECT_LT(info.st_size, 64 * 1024);
  EXPECT_NE(Log().find("★日付記入開始：" + page), std::string::npos);
}

TEST_F(StampSafetyTest, ALogThatCannotBeReadKeepsItsHistoryAndALinkedLogStaysALink) {
  const std::string page = Page("index.htm", kMarked);
  std::string history;
  for (int entry = 0; entry < 100; ++entry) history += "entry " + std::to_string(entry) + "\r\n";
  const std::string kept = site / "kept/Zelvora-history.log";
  WriteBytes(kept, history);
  ASSERT_EQ(symlink(kept.c_str(), (program + "/Zelvora.log").c_str()), 0);

  // A log linked elsewhere is saved where it points, and stays a link.
  BinaryRun run = RunStampBinary({"--set", "MaxLog=50", page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  struct stat info {};
  ASSERT_EQ(lstat((program + "/Zelvora.log").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  const std::string saved = ConvertTextLossy(ReadBytes(kept), kCp932, kUtf8);
  EXPECT_EQ(saved.find("entry 50\r\n"), std::string::npos);  // trimmed to 25 entries
  EXPECT_NE(saved.find("entry 99\r\n"), std::string::npos);
  EXPECT_NE(saved.find("★日付記入開始：" + page), std::string::npos);

  // A log the user may not read is never replaced by a fresh one.
  const std::string before = ReadBytes(kept);
  chmod(kept.c_str(), 0200);
  Page("index.htm", kMarked);
  RunAsOrdinaryUser();
  // The log stays root's.
  if (options.user && lchown(kept.c_str(), 0, 0) != 0) ADD_FAILURE() << "cannot give " << kept;
  run = RunStampBinary({page}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("ログをファイルに保存することができません。\n" + program + "/Zelvora.log"),
            std::string::npos)
      << run.out;
  chmod(kept.c_str(), 0644);
  EXPECT_EQ(ReadBytes(kept), before);
}

TEST_F(StampSafetyTest, TenRunsAtOnceAllLandInTheLogWithoutSpuriousErrors) {
  std::string index_text = kMarked;
  std::vector<std::string> pages;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "p" + std::to_string(i) + ".htm";
    pages.push_back(Page(name, kMarked + Link("index.htm")));
    index_text += Link(name);
  }
  const std::string index = Page("index.htm", index_text);
  std::vector<pid_t> runs;
  for (int i = 0; i < 10; ++i) {
    // A log long enough for all ten runs: none of them is trimmed away.
    runs.push_back(testing::StartStampBinary({"--set", "MaxLog=5000", index}, options,
                                             site / ("out" + std::to_string(i)),
                                             site / ("err" + std::to_string(i))));
  }
  std::string all_err;
  for (size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(testing::WaitForExit(runs[i]), 0) << i;
    all_err += ReadBytes(site / ("err" + std::to_string(i)));
  }
  EXPECT_EQ(Count(all_err, "※"), 0u) << all_err;
  // Each page was written by exactly one of the runs; the others found it done.
  EXPECT_EQ(Count(all_err, "◎日付を記入しました："), 6u) << all_err;
  EXPECT_EQ(Count(Log(), "★日付記入開始："), 10u);
  EXPECT_EQ(Count(Log(), "★日付記入終了："), 10u);
  for (const std::string& page : pages) {
    EXPECT_EQ(ReadBytes(page), kStamped + Link("index.htm"));
    EXPECT_EQ(ReadBytes(page.substr(0, page.size() - 4) + "_Bak1.bak"),
              kMarked + Link("index.htm"));
    EXPECT_FALSE(PathExists(page.substr(0, page.size() - 4) + "_Bak2.bak"));
  }
  for (const auto& entry : std::filesystem::directory_iterator(site.path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".zelvora-")) << entry.path();
  }
}

TEST_F(StampSafetyTest, TenRunsAtOnceOnPagesDatedByOtherPagesNeitherFailNorAbort) {
  // Each page shows the dates of two other pages, which the runs rewrite with new kept times
  // while the others read them: runs often stamp a page with other dates than a run that read
  // it earlier, and such a page is read and stamped again rather than reported.
  constexpr int kPages = 12;
  const auto name = [](int i) { return "p" + std::to_string(i % kPages) + ".htm"; };
  std::string index_text = "<p><!-- #ZELV# p0.htm --></p>\r\n";
  std::vector<std::pair<std::string, std::string>> pages;  // path, text before the runs
  for (int i = 0; i < kPages; ++i) {
    const std::string text = "<p><!-- #ZELV# " + name(i + 1) + "," + name(i + 5) + " --></p>\r\n" +
                             Link(name(i + 1)) + Link("index.htm");
    pages.emplace_back(Page(name(i), text, testing::k1999_01_03_140730 + (i * 7 % kPages) * 86400),
                       text);
    index_text += Link(name(i));
  }
  const std::string index = Page("index.htm", index_text);
  pages.emplace_back(index, index_text);
  std::vector<pid_t> runs;
  for (int i = 0; i < 10; ++i) {
    runs.push_back(testing::StartStampBinary({"--set", "MaxLog=5000", index}, options,
                                             site / ("out" + std::to_string(i)),
                                             site / ("err" + std::to_string(i))));
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(testing::WaitForExit(runs[i]), 0) << i;
    const std::string err = ReadBytes(site / ("err" + std::to_string(i)));
    EXPECT_EQ(Count(err, "※"), 0u) << err;
    EXPECT_EQ(ReadBytes(site / ("out" + std::to_string(i))), "終了しました。\n");
  }
  // Every page and every generation is one whole version of the page: its text before the
  // runs, or that text with a date area after each mark.
  const auto without_dates = [](std::string text) {
    const auto areas = FindDateAreas(text, false);
    for (auto area = areas.rbegin(); area != areas.rend(); ++area) {
      text.replace(area->first, area->second - area->first,
                   "<!-- #ZELV#($BEGIN) --><!-- #ZELV#($END) -->");
    }
    return text;
  };
  const auto stamped_form = [](std::string text) {
    for (size_t at = text.find("--></p>"); at != std::string::npos; at = text.find("--></p>", at)) {
      text.insert(at + 3, "<!-- #ZELV#($BEGIN) --><!-- #ZELV#($END) -->");
      at += 3 + 44;
    }
    return text;
  };
  for (const auto& [path, before] : pages) {
    EXPECT_EQ(without_dates(ReadBytes(path)), stamped_form(before)) << path;
    const std::string base = path.substr(0, path.size() - 4);
    ASSERT_TRUE(PathExists(base + "_Bak1.bak")) << path;
    for (int n = 1; n <= 3 && PathExists(base + "_Bak" + std::to_string(n) + ".bak"); ++n) {
      const std::string generation = ReadBytes(base + "_Bak" + std::to_string(n) + ".bak");
      EXPECT_TRUE(generation == before || without_dates(generation) == stamped_form(before))
          << path << " generation " << n;
    }
  }
  for (const auto& entry : std::filesystem::directory_iterator(site.path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".zelvora-")) << entry.path();
  }
}

TEST_F(StampSafetyTest, ANamedPipeForAStoreIsReadAsDamagedNeverWaitedOn) {
  const std::string store = site / "registry.reg";
  ASSERT_EQ(mkfifo(store.c_str(), 0600), 0);
  const BinaryRun run = RunStampBinary({"--show-settings"}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("WriteFmtIdx=0\nAvoidList0=*.png\n"), std::string::npos) << run.out;

  // Saving into it names what is in the store's place, as the warning about loading it does.
  const auto messages = [&store](const std::string& what) {
    return "zelvora-stamp: warning: the settings store " + store + " could not be read " +
           "completely (" + store + " is " + what + ", not a regular file); every setting " +
           "takes its default\nzelvora-stamp: the settings could not be saved to " + store + ": " +
           store + " is " + what + ", not a regular file\n";
  };
  const BinaryRun save = RunStampBinary({"--save-settings"}, options);
  EXPECT_EQ(save.status, 1);
  EXPECT_EQ(save.err, messages("a named pipe"));
  ASSERT_EQ(unlink(store.c_str()), 0);
  testing::MakeFolder(store);
  EXPECT_EQ(RunStampBinary({"--save-settings"}, options).err, messages("a folder"));
}

TEST_F(StampSafetyTest, TwoThousandAvoidListEntriesAreAllLoaded) {
  std::string store =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\ExitState]\r\n"
      "\"MWLeft\"=dword:00000000\r\n\"MWTop\"=dword:00000000\r\n"
      "\"PWLeft\"=dword:00000000\r\n\"PWTop\"=dword:00000016\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\r\n"
      "\"KeepTimeStamp\"=dword:00000001\r\n\"Backup\"=dword:00000001\r\n"
      "\"EnableAvoidList\"=dword:00000001\r\n\"LinkWrite\"=dword:00000001\r\n"
      "\"Log\"=dword:00000001\r\n\"OpenWriteF\"=dword:00000000\r\n"
      "\"RestrictLinkNest\"=dword:00000000\r\n\"UseNN\"=dword:00000001\r\n"
      "\"BackupGenes\"=dword:00000003\r\n\"MaxLinkNest\"=dword:00000005\r\n"
      "\"MaxLog\"=dword:000001f4\r\n\"WriteFmtIdx\"=dword:00000004\r\n"
      "\"AssignWriteFmt\"=dword:00000000\r\n\"ErrCope\"=dword:00000001\r\n";
  for (int i = 0; i < 2000; ++i) {
    store += "\"AvoidList" + std::to_string(i) + "\"=\"*.x" + std::to_string(i) + "\"\r\n";
  }
  WriteBytes(site / "registry.reg", store);
  const BinaryRun run = RunStampBinary({"--show-settings"}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("WriteFmtIdx=4\n"), std::string::npos);
  EXPECT_EQ(Count(run.out, "\nAvoidList"), 2000u);
  EXPECT_NE(run.out.find("\nAvoidList1999=*.x1999\nAssignWriteFmt=0\n"), std::string::npos);
}

TEST_F(StampSafetyTest, ThreeHundredPagesDatedByAFolderOfSeventeenThousandFiles) {
  const std::string folder = site / "photos";
  testing::MakeFolder(folder);
  for (int i = 0; i < 17000; ++i) {
    const std::string name = folder + "/p" + std::to_string(i) + ".jpg";
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
    testing::SetModifiedTime(name, testing::k1999_01_03_140730);
  }
  testing::SetModifiedTime(folder + "/p12345.jpg", testing::k2024_05_06_120406);
  std::string index = kMarked;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "d" + std::to_string(i) + ".htm";
    Page(name, "<!-- #ZELV# photos -->\r\n");
    index += Link(name);
  }
  const std::string root = Page("index.htm", index);
  const BinaryRun run = RunStampBinary({root}, options);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Count(run.err, "◎日付を記入しました："), 301u);
  for (int i = 0; i < 300; i += 37) {
    EXPECT_EQ(ReadBytes(site / ("d" + std::to_string(i) + ".htm")),
              "<!-- #ZELV# photos --><!-- #ZELV#($BEGIN) -->2024/05/06<!-- #ZELV#($END) -->\r\n");
  }
}

}  // namespace
}  // namespace zelvora
