// The crash test's judgement of a site folder: what is allowed after a killed run and after
// a complete one. A check that let a damaged page pass would make every crash round
// meaningless, so each kind of damage is tried here.
#include "bench/crash_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace zelvora::bench {
namespace {

ExpectedSite Expected() {
  ExpectedSite site;
  site.pristine = {
      {"a.html", {"old a", 10}}, {"d/b.html", {"old b", 20}}, {"img/x.jpg", {"jpg", 4}}};
  site.reference = {{"a.html", {"new a", 10}},
                    {"d/b.html", {"new b", 20}},
                    {"img/x.jpg", {"jpg", 4}},
                    {"a_Bak1.bak", {"old a", 10}},
                    {"d/b_Bak1.bak", {"old b", 20}}};
  return site;
}

TEST(CrashCheck, TemporaryNamesAndGenerationOwners) {
  EXPECT_TRUE(IsTemporaryFileName(".zelvora-0123456789abcdef.tmp"));
  EXPECT_FALSE(IsTemporaryFileName(".zelvora-0123456789ABCDEF.tmp"));
  EXPECT_FALSE(IsTemporaryFileName(".zelvora-0123456789abcde.tmp"));
  EXPECT_FALSE(IsTemporaryFileName("zelvora-0123456789abcdef.tmp"));

  const ExpectedSite site = Expected();
  EXPECT_EQ(BackupOwner(site.pristine, "a_Bak1.bak"), "a.html");
  EXPECT_EQ(BackupOwner(site.pristine, "d/b_Bak3.bak"), "d/b.html");
  EXPECT_EQ(BackupOwner(site.pristine, "b_Bak1.bak"), "");
  EXPECT_EQ(BackupOwner(site.pristine, "a_Bak12.bak"), "");
  EXPECT_EQ(BackupOwner(site.pristine, "a_Bak.bak"), "");
}

struct TreeCase {
  const char* name;
  TreeSnapshot tree;
  size_t violations_after_kill;
  size_t violations_after_rerun;
};

TEST(CrashCheck, JudgesEveryKindOfDamage) {
  const ExpectedSite site = Expected();
  const FileState asset{"jpg", 4};
  const FileState temp{"partial", 99};
  const TreeCase cases[] = {
      {"untouched", site.pristine, 0, 4},
      {"complete", site.reference, 0, 0},
      {"half done",
       {{"a.html", {"new a", 10}},
        {"a_Bak1.bak", {"old a", 10}},
        {"d/b.html", {"old b", 20}},
        {"img/x.jpg", asset},
        {"d/.zelvora-0123456789abcdef.tmp", temp}},
       0,
       2},
      {"page half written",
       {{"a.html", {"new", 10}}, {"d/b.html", {"old b", 20}}, {"img/x.jpg", asset}},
       1,
       4},
      {"page missing", {{"d/b.html", {"old b", 20}}, {"img/x.jpg", asset}}, 1, 4},
      {"stamped page lost its time",
       {{"a.html", {"new a", 12}},
        {"a_Bak1.bak", {"old a", 10}},
        {"d/b.html", {"new b", 20}},
        {"d/b_Bak1.bak", {"old b", 20}},
        {"img/x.jpg", asset}},
       1,
       1},
      {"generation holds the new text",
       {{"a.html", {"new a", 10}},
        {"a_Bak1.bak", {"new a", 10}},
        {"d/b.html", {"new b", 20}},
        {"d/b_Bak1.bak", {"old b", 20}},
        {"img/x.jpg", asset}},
       1,
       1},
      {"stray file and changed asset",
       {{"a.html", {"new a", 10}},
        {"a_Bak1.bak", {"old a", 10}},
        {"d/b.html", {"new b", 20}},
        {"d/b_Bak1.bak", {"old b", 20}},
        {"img/x.jpg", {"png", 4}},
        {"d/b.html~", temp}},
       2,
       2},
  };
  for (const TreeCase& c : cases) {
    EXPECT_EQ(CheckInterrupted(site, c.tree).violations.size(), c.violations_after_kill) << c.name;
    EXPECT_EQ(CheckCompleted(site, c.tree).violations.size(), c.violations_after_rerun) << c.name;
  }
}

TEST(CrashCheck, CountsWhatItFinds) {
  const ExpectedSite site = Expected();
  TreeSnapshot tree = site.reference;
  tree["d/.zelvora-0123456789abcdef.tmp"] = {"partial", 99};
  tree["a_Bak2.bak"] = {"old a", 10};
  const SiteCheck check = CheckInterrupted(site, tree);
  EXPECT_TRUE(check.violations.empty());
  EXPECT_EQ(check.stamped_pages, 2u);
  EXPECT_EQ(check.backups, 3u);
  EXPECT_EQ(check.temporaries, 1u);
}

TEST(CrashCheck, FirstStampMustChangeEveryPageAndKeepItsTime) {
  const ExpectedSite site = Expected();
  EXPECT_TRUE(CheckFirstStamp(site.pristine, site.reference).violations.empty());
  TreeSnapshot late = site.reference;
  late["a.html"].mtime = 30;
  late.erase("d/b_Bak1.bak");
  EXPECT_EQ(CheckFirstStamp(site.pristine, late).violations.size(), 2u);
  EXPECT_EQ(CheckFirstStamp(site.pristine, site.pristine).violations.size(), 2u);
}

// Runs with injected failures start from pages that already have a generation: the history
// of a.html is "new a", "old a", "older a".
TEST(CrashCheck, HistoryAfterFaultsKeepsEveryTextInOrder) {
  const ExpectedSite site = Expected();
  const TreeSnapshot older = {{"a_Bak1.bak", {"older a", 8}}};
  TreeSnapshot before = site.pristine;
  before["a_Bak1.bak"] = {"older a", 8};
  TreeSnapshot done = site.reference;
  done["a_Bak2.bak"] = {"older a", 8};

  struct HistoryCase {
    const char* name;
    std::map<std::string, FileState> changes;  // over `before`; an empty text removes
    size_t violations_after_faults;
    size_t violations_completed;
  };
  const HistoryCase cases[] = {
      {"nothing written", {}, 0, 2},
      {"written with generations moved up",
       {{"a.html", {"new a", 10}}, {"a_Bak1.bak", {"old a", 10}}, {"a_Bak2.bak", {"older a", 8}}},
       0,
       1},
      {"rotation left in place after a failed replace",
       {{"a_Bak1.bak", {"old a", 10}}, {"a_Bak2.bak", {"older a", 8}}},
       1,
       2},
      {"rotated twice",
       {{"a.html", {"new a", 10}},
        {"a_Bak1.bak", {"old a", 10}},
        {"a_Bak2.bak", {"old a", 10}},
        {"a_Bak3.bak", {"older a", 8}}},
       1,
       2},
      {"older generation lost", {{"a.html", {"new a", 10}}, {"a_Bak1.bak", {"old a", 10}}}, 1, 2},
      {"numbers skipped",
       {{"a.html", {"new a", 10}}, {"a_Bak1.bak", {"old a", 10}}, {"a_Bak3.bak", {"older a", 8}}},
       0,
       1},
      {"generation with a foreign text", {{"a_Bak2.bak", {"stranger", 8}}}, 1, 3},
  };
  for (const HistoryCase& c : cases) {
    TreeSnapshot tree = before;
    for (const auto& [path, state] : c.changes) tree[path] = state;
    EXPECT_EQ(CheckHistory(site, older, tree, false).violations.size(), c.violations_after_faults)
        << c.name;
    EXPECT_EQ(CheckHistory(site, older, tree, true).violations.size(), c.violations_completed)
        << c.name;
  }
  EXPECT_TRUE(CheckHistory(site, older, done, true).violations.empty());
}

}  // namespace
}  // namespace zelvora::bench
