// The crash test's judgement of a site folder: what is allowed after a killed run and after
// a complete one. A check that let a damaged page pass would make every crash round
// meaningless, so each kind of damage is tried here.
#include "bench/crash_check.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zelvora::bench
