#include "links/avoid_list.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "records/run_log.h"
#include "run/run_context.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::FaultInjectingFileSystem;
using testing::FsOp;
using testing::WriteBytes;

class AvoidListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"page.htm", "photo.JPG", "logo.png", "pack.Zip", "private.htm",
                             "sub/private.htm", "sub/page.htm", "sub/pic.jpeg", "Thumbs.db"}) {
      WriteBytes(site_ / name, "x");
    }
  }

  bool Avoided(const char* relative) { return IsAvoided(context_, site_ / relative); }

  testing::TempDir site_{"avoid"};
  TSetting settings_;
  testing::ScriptedHost host_;
  FaultInjectingFileSystem fs_{RealFileSystem()};
  RunLog log_;
  RegionalSettings region_;
  RunContext context_{settings_, host_, fs_, log_, region_};
};

TEST_F(AvoidListTest, DefaultPatternsAvoidImagesAndArchivesInAnyLetterCase) {
  EXPECT_TRUE(Avoided("photo.JPG"));
  EXPECT_TRUE(Avoided("logo.png"));
  EXPECT_TRUE(Avoided("pack.Zip"));
  EXPECT_TRUE(Avoided("sub/pic.jpeg"));
  EXPECT_FALSE(Avoided("page.htm"));
  EXPECT_FALSE(Avoided("sub/page.htm"));
  EXPECT_FALSE(Avoided("Thumbs.db"));
}

TEST_F(AvoidListTest, NothingIsAvoidedWhenTheListIsSwitchedOff) {
  settings_.EnableAvoidList = false;
  EXPECT_FALSE(Avoided("photo.JPG"));
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 0);
}

TEST_F(AvoidListTest, EntryWithAFullFolderExcludesExactlyThatFile) {
  settings_.AvoidList = {site_ / "private.htm"};
  EXPECT_TRUE(Avoided("private.htm"));
  EXPECT_FALSE(Avoided("sub/private.htm"));
  EXPECT_FALSE(Avoided("page.htm"));

  // Folder and name are compared as this system compares file names: where letter case
  // counts, "News.htm" names neither "news.htm" nor a file in "SUB/"; where it does not
  // (Windows), it names both.
  const bool one_name = FileNamesIgnoreCase();
  WriteBytes(site_ / "News.htm", "x");
  WriteBytes(site_ / "news.htm", "x");
  settings_.AvoidList = {site_ / "News.htm", AsciiUpper(site_ / "sub/") + "PRIVATE.HTM"};
  context_.state.Caches.Of<AvoidCacheMap>().clear();
  EXPECT_TRUE(Avoided("News.htm"));
  EXPECT_EQ(Avoided("news.htm"), one_name);
  EXPECT_EQ(Avoided("sub/private.htm"), one_name);
  // A pattern without a folder still ignores letter case.
  settings_.AvoidList = {"NEWS.HTM"};
  context_.state.Caches.Of<AvoidCacheMap>().clear();
  EXPECT_TRUE(Avoided("News.htm"));
  EXPECT_TRUE(Avoided("news.htm"));
}

TEST_F(AvoidListTest, EntryWithARelativeFolderExcludesNothing) {
  settings_.AvoidList = {"sub/private.htm", "./private.htm"};
  EXPECT_FALSE(Avoided("sub/private.htm"));
  EXPECT_FALSE(Avoided("private.htm"));
}

TEST_F(AvoidListTest, WildcardInAnEntryWithAFolderIsTakenLiterally) {
  settings_.AvoidList = {site_ / "*.htm"};
  EXPECT_FALSE(Avoided("page.htm"));
  EXPECT_TRUE(Avoided("*.htm"));
}

TEST_F(AvoidListTest, BarePatternWithoutWildcardNamesAFileInEveryFolder) {
  settings_.AvoidList = {"thumbs.DB", "PAGE.htm"};
  EXPECT_TRUE(Avoided("Thumbs.db"));
  EXPECT_TRUE(Avoided("page.htm"));
  EXPECT_TRUE(Avoided("sub/page.htm"));
  EXPECT_FALSE(Avoided("private.htm"));
}

TEST_F(AvoidListTest, EachFolderIsListedOncePerRun) {
  EXPECT_TRUE(Avoided("photo.JPG"));
  EXPECT_FALSE(Avoided("page.htm"));
  EXPECT_TRUE(Avoided("logo.png"));
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 1);  // six patterns, one listing
  EXPECT_TRUE(Avoided("sub/pic.jpeg"));
  EXPECT_FALSE(Avoided("sub/page.htm"));
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 2);

  // Files appearing during the run are judged by the listing made for the run.
  WriteBytes(site_ / "late.gif", "x");
  EXPECT_FALSE(Avoided("late.gif"));
  context_.state.Caches.Of<AvoidCacheMap>().clear();  // as at the start of the next run
  EXPECT_TRUE(Avoided("late.gif"));
}

TEST_F(AvoidListTest, UnreadableFolderKeepsOnlyTheEntriesWithAFolder) {
  settings_.AvoidList = {"*.htm", site_ / "private.htm"};
  fs_.Inject(testing::FailEvery(FsOp::kListFolder, EACCES));
  EXPECT_FALSE(Avoided("page.htm"));
  EXPECT_TRUE(Avoided("private.htm"));
}

TEST_F(AvoidListTest, BuildAvoidSetStoresTheFoldersSet) {
  const std::string folder = JoinPath(site_.path(), "");
  settings_.AvoidList.push_back(JoinPath(site_.path(), "Private.htm"));
  const AvoidSet& avoided = BuildAvoidSet(context_, folder);
  EXPECT_EQ(avoided.matched, (std::set<std::string>{"logo.png", "pack.zip", "photo.jpg"}));
  EXPECT_EQ(avoided.listed, (std::set<std::string>{FileNameKey("Private.htm")}));
  ASSERT_EQ(context_.state.Caches.Of<AvoidCacheMap>().count(folder), 1u);
  EXPECT_EQ(&context_.state.Caches.Of<AvoidCacheMap>()[folder], &avoided);
}

}  // namespace
}  // namespace zelvora
