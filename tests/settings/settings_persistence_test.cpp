#include "settings/settings_persistence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/program_folder.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::ReadBytes;
using testing::TempDir;

// A store whose `fail_at`-th change (counting from 1) fails, as a full disk would.
class FailingStore : public RegistryStore {
 public:
  using RegistryStore::RegistryStore;
  int fail_at = 0;
  int changes = 0;

  Status WriteInteger(std::string_view key, std::string_view name, int32_t value) override {
    return Fails() ? Failure() : RegistryStore::WriteInteger(key, name, value);
  }
  Status WriteString(std::string_view key, std::string_view name, std::string_view text) override {
    return Fails() ? Failure() : RegistryStore::WriteString(key, name, text);
  }
  Status DeleteValue(std::string_view key, std::string_view name) override {
    return Fails() ? Failure() : RegistryStore::DeleteValue(key, name);
  }

 private:
  bool Fails() { return ++changes == fail_at; }
  static Status Failure() { return Status::Error("no space left", ENOSPC); }
};

TSetting NonDefaultSetting() {
  TSetting setting;
  setting.WriteFmtStr = "yyyy年m月d日 \"\\\"";
  setting.KeepTimeStamp = false;
  setting.Backup = false;
  setting.EnableAvoidList = false;
  setting.LinkWrite = false;
  setting.Log = false;
  setting.OpenWriteF = true;
  setting.RestrictLinkNest = true;
  setting.UseNN = false;
  setting.BackupGenes = 9;
  setting.MaxLinkNest = 1;
  setting.MaxLog = 5000;
  setting.WriteFmtIdx = 7;
  setting.AvoidList = {"*.pdf", "secret.html"};
  setting.AssignWriteFmt = 1;
  setting.ErrCope = 0;
  setting.UseGitDates = true;
  setting.SiteRoot = "/srv/www";
  setting.FollowAnyAnchor = true;
  return setting;
}

class SettingsPersistenceTest : public ::testing::Test {
 protected:
  // Saves `setting` with a typical exit state, without a progress dialog.
  void SaveComplete(const TSetting& setting = TSetting()) {
    ASSERT_TRUE(SaveSettings(store_, setting, saved_state_, saved_offset_, std::nullopt).ok());
  }

  // Loads into `setting_`, `state_` and `offset_`, which start as a program start has them.
  // The value that failed goes to `failed_`.
  Status Load() { return LoadSettings(store_, setting_, state_, offset_, &failed_); }

  void ExpectFallback() {
    EXPECT_EQ(setting_, TSetting());
    EXPECT_EQ(state_.MWLeft, 0);
    EXPECT_EQ(state_.MWTop, 0);
    EXPECT_EQ(state_.FileSelFolder, ProgramFolder());
  }

  std::vector<std::string> StoredList() {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) {
      const std::string name = "AvoidList" + std::to_string(i);
      if (*store_.ValueExists(kPreferenceKey, name)) names.push_back(name);
    }
    return names;
  }

  TempDir dir_{"persistence"};
  FailingStore store_{dir_ / "registry.reg"};
  const ExitState saved_state_{120, -30, "/site/index.html", "/site/"};
  const ProgressOffset saved_offset_{-40, -15};
  TSetting setting_ = NonDefaultSetting();
  ExitState state_{5, 6, "typed", ""};
  ProgressOffset offset_;
  std::string failed_ = "not set";
};

TEST_F(SettingsPersistenceTest, EverythingRoundTripsThroughTheStore) {
  SaveComplete(NonDefaultSetting());
  setting_ = TSetting();
  EXPECT_TRUE(Load().ok());
  EXPECT_EQ(setting_, NonDefaultSetting());
  EXPECT_EQ(state_, saved_state_);
  EXPECT_EQ(offset_, saved_offset_);  // negative offsets stay as they are
}

TEST_F(SettingsPersistenceTest, SavesTheDocumentedLayout) {
  TSetting setting;
  setting.ErrCope = -1;  // unclamped: stored sign-extended
  SaveComplete(setting);
  const std::string text = testing::ReadText(store_.file_path());
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\ExitState]\n"
                      "\"MWLeft\"=dword:00000078\n\"MWTop\"=dword:ffffffe2\n"
                      "\"WriteFName\"=\"/site/index.html\"\n\"FileSelFolder\"=\"/site/\"\n"
                      "\"PWLeft\"=dword:ffffffd8\n\"PWTop\"=dword:fffffff1\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\n"
                      "\"WriteFmtStr\"=\"yyyy/mm/dd\"\n\"KeepTimeStamp\"=dword:00000001\n"
                      "\"Backup\"=dword:00000001\n\"EnableAvoidList\"=dword:00000001\n"
                      "\"LinkWrite\"=dword:00000001\n\"Log\"=dword:00000001\n"
                      "\"OpenWriteF\"=dword:00000000\n\"RestrictLinkNest\"=dword:00000000\n"
                      "\"UseNN\"=dword:00000001\n\"BackupGenes\"=dword:00000003\n"
                      "\"MaxLinkNest\"=dword:00000005\n\"MaxLog\"=dword:000001f4\n"
                      "\"WriteFmtIdx\"=dword:00000000\n\"AvoidList0\"=\"*.png\"\n"
                      "\"AvoidList1\"=\"*.gif\"\n\"AvoidList2\"=\"*.jpg\"\n"
                      "\"AvoidList3\"=\"*.jpeg\"\n\"AvoidList4\"=\"*.lzh\"\n"
                      "\"AvoidList5\"=\"*.zip\"\n\"AssignWriteFmt\"=dword:00000000\n"
                      "\"ErrCope\"=dword:ffffffff\n"),
            std::string::npos)
      << text;
}

TEST_F(SettingsPersistenceTest, TheNewerOptionsFollowTheDocumentedOnes) {
  TSetting setting;
  setting.SiteRoot = "/srv/www";
  SaveComplete(setting);
  const std::string text = testing::ReadText(store_.file_path());
  EXPECT_NE(text.find("\"ErrCope\"=dword:00000002\n\"UseGitDates\"=dword:00000000\n"
                      "\"SiteRoot\"=\"/srv/www\"\n\"FollowAnyAnchor\"=dword:00000000\n"),
            std::string::npos)
      << text;
}

TEST_F(SettingsPersistenceTest, AStoreFromBeforeTheNewerOptionsLoadsUnchanged) {
  SaveComplete(NonDefaultSetting());
  for (const char* name : {"UseGitDates", "SiteRoot", "FollowAnyAnchor"}) {
    ASSERT_TRUE(store_.DeleteValue(kPreferenceKey, name).ok());
  }
  setting_ = TSetting();
  EXPECT_TRUE(Load().ok());
  TSetting expected = NonDefaultSetting();
  expected.UseGitDates = false;
  expected.SiteRoot = "";
  expected.FollowAnyAnchor = false;
  EXPECT_EQ(setting_, expected);
  EXPECT_EQ(state_, saved_state_);

  // A newer option of another type takes its default alone; nothing falls back.
  SaveComplete(NonDefaultSetting());
  ASSERT_TRUE(store_.WriteString(kPreferenceKey, "UseGitDates", "yes").ok());
  ASSERT_TRUE(store_.WriteInteger(kPreferenceKey, "SiteRoot", 1).ok());
  EXPECT_TRUE(Load().ok());
  expected.FollowAnyAnchor = true;
  EXPECT_EQ(setting_, expected);
}

TEST_F(SettingsPersistenceTest, AnOpenProgressDialogGivesTheOffsetSaved) {
  ASSERT_TRUE(
      SaveSettings(store_, TSetting(), saved_state_, saved_offset_, WindowPosition{100, 50}).ok());
  EXPECT_EQ(*store_.ReadInteger(kExitStateKey, "PWLeft"), 100 - 120);
  EXPECT_EQ(*store_.ReadInteger(kExitStateKey, "PWTop"), 50 + 30);
}

TEST_F(SettingsPersistenceTest, FirstStartGivesDefaultsAndCreatesOnlyTheExitStateKey) {
  EXPECT_FALSE(Load().ok());
  EXPECT_EQ(failed_, "ExitState\\MWLeft");
  ExpectFallback();
  EXPECT_EQ(state_.WriteFName, "typed");
  EXPECT_EQ(offset_, ProgressOffset());
  EXPECT_TRUE(store_.OpenKey(kExitStateKey, false).ok());
  EXPECT_TRUE(IsMissingValue(store_.OpenKey(kPreferenceKey, false)));
}

TEST_F(SettingsPersistenceTest, OneMissingOptionResetsAllButKeepsFileNameAndOffset) {
  SaveComplete(NonDefaultSetting());
  ASSERT_TRUE(store_.DeleteValue(kPreferenceKey, "AssignWriteFmt").ok());
  EXPECT_FALSE(Load().ok());
  ExpectFallback();
  EXPECT_EQ(state_.WriteFName, saved_state_.WriteFName);
  EXPECT_EQ(offset_, saved_offset_);
}

TEST_F(SettingsPersistenceTest, AValueOfTheWrongTypeFailsLikeAMissingOne) {
  struct Case {
    const char* key;
    const char* name;
    bool file_name_read;
    bool offset_read;
    const char* failed;  // as LoadSettings names it
  };
  for (const Case& wrong :
       {Case{kExitStateKey, "MWTop", false, false, "ExitState\\MWTop"},
        Case{kExitStateKey, "WriteFName", false, false, "ExitState\\WriteFName"},
        Case{kExitStateKey, "PWTop", true, false, "ExitState\\PWTop"},
        Case{kPreferenceKey, "WriteFmtStr", true, true, "Preference\\WriteFmtStr"},
        Case{kPreferenceKey, "Log", true, true, "Preference\\Log"},
        Case{kPreferenceKey, "AvoidList1", true, true, "Preference\\AvoidList"},
        Case{kPreferenceKey, "ErrCope", true, true, "Preference\\ErrCope"}}) {
    SCOPED_TRACE(wrong.name);
    SaveComplete(NonDefaultSetting());
    const bool is_text = std::string(wrong.name) == "WriteFName" ||
                         std::string(wrong.name) == "WriteFmtStr" ||
                         std::string(wrong.name).starts_with("AvoidList");
    ASSERT_TRUE((is_text ? store_.WriteInteger(wrong.key, wrong.name, 1)
                         : store_.WriteString(wrong.key, wrong.name, "1"))
                    .ok());
    setting_ = NonDefaultSetting();
    state_ = {5, 6, "typed", ""};
    offset_ = ProgressOffset();
    EXPECT_FALSE(Load().ok());
    EXPECT_EQ(failed_, wrong.failed);
    ExpectFallback();
    EXPECT_EQ(state_.WriteFName, wrong.file_name_read ? saved_state_.WriteFName : "typed");
    EXPECT_EQ(offset_.PWTop, wrong.offset_read ? saved_offset_.PWTop : 22);
  }
}

TEST_F(SettingsPersistenceTest, MissingTextsAloneAreNoFailure) {
  SaveComplete(NonDefaultSetting());
  ASSERT_TRUE(store_.DeleteValue(kPreferenceKey, "WriteFmtStr").ok());
  ASSERT_TRUE(store_.DeleteValue(kExitStateKey, "WriteFName").ok());
  ASSERT_TRUE(store_.DeleteValue(kExitStateKey, "FileSelFolder").ok());
  EXPECT_TRUE(Load().ok());
  TSetting expected = NonDefaultSetting();
  expected.WriteFmtStr = "";
  EXPECT_EQ(setting_, expected);
  EXPECT_EQ(state_.WriteFName, "");
  EXPECT_EQ(state_.FileSelFolder, "");
  EXPECT_EQ(state_.MWLeft, saved_state_.MWLeft);
}

TEST_F(SettingsPersistenceTest, StoredNumbersAreCorrectedSilently) {
  struct Case {
    const char* name;
    int32_t stored;
    int32_t loaded;
  };
  const auto loaded_value = [](const TSetting& s, const std::string& name) -> int32_t {
    if (name == "BackupGenes") return s.BackupGenes;
    if (name == "MaxLinkNest") return s.MaxLinkNest;
    if (name == "MaxLog") return s.MaxLog;
    if (name == "WriteFmtIdx") return s.WriteFmtIdx;
    if (name == "AssignWriteFmt") return s.AssignWriteFmt;
    return s.ErrCope;
  };
  SaveComplete();
  for (const Case& c :
       {Case{"BackupGenes", 0, 1}, Case{"BackupGenes", 12, 9}, Case{"MaxLinkNest", 0, 1},
        Case{"MaxLinkNest", 250, 99}, Case{"MaxLog", 10, 50}, Case{"MaxLog", 9999, 5000},
        Case{"WriteFmtIdx", 8, 7}, Case{"WriteFmtIdx", -1, 0}, Case{"ErrCope", 7, 2},
        Case{"ErrCope", 258, 2},         // low byte 2
        Case{"ErrCope", 257, 1},         // low byte 1, not clamped from 257
        Case{"ErrCope", 0x181, 0},       // low byte 0x81: -127
        Case{"AssignWriteFmt", 255, 0},  // low byte read as -1
        Case{"AssignWriteFmt", 0x7f01, 1}}) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
    ASSERT_TRUE(store_.WriteInteger(kPreferenceKey, c.name, c.stored).ok());
    EXPECT_TRUE(Load().ok());
    EXPECT_EQ(loaded_value(setting_, c.name), c.loaded);
    SaveComplete();
  }
}

TEST_F(SettingsPersistenceTest, AnyNonZeroSwitchIsTrue) {
  SaveComplete(NonDefaultSetting());
  ASSERT_TRUE(store_.WriteInteger(kPreferenceKey, "OpenWriteF", 0).ok());
  ASSERT_TRUE(store_.WriteInteger(kPreferenceKey, "Log", -7).ok());
  ASSERT_TRUE(store_.WriteInteger(kPreferenceKey, "UseNN", 256).ok());
  EXPECT_TRUE(Load().ok());
  EXPECT_FALSE(setting_.OpenWriteF);
  EXPECT_TRUE(setting_.Log);
  EXPECT_TRUE(setting_.UseNN);
}

TEST_F(SettingsPersistenceTest, TheListEndsAtItsFirstGapAndTheValuesBehindItStay) {
  TSetting setting;
  setting.AvoidList = {"a", "b", "c", "d"};
  SaveComplete(setting);
  ASSERT_TRUE(store_.DeleteValue(kPreferenceKey, "AvoidList2").ok());
  EXPECT_TRUE(Load().ok());
  EXPECT_EQ(setting_.AvoidList, (std::vector<std::string>{"a", "b"}));

  SaveComplete(setting_);
  EXPECT_EQ(StoredList(), (std::vector<std::string>{"AvoidList0", "AvoidList1", "AvoidList3"}));
  EXPECT_EQ(*store_.ReadString(kPreferenceKey, "AvoidList3"), "d");
}

TEST_F(SettingsPersistenceTest, AShortenedListDeletesItsFormerEntries) {
  SaveComplete();  // six entries
  TSetting shorter;
  shorter.AvoidList.resize(4);
  SaveComplete(shorter);
  EXPECT_EQ(StoredList(),
            (std::vector<std::string>{"AvoidList0", "AvoidList1", "AvoidList2", "AvoidList3"}));

  TSetting empty;
  empty.AvoidList.clear();
  SaveComplete(empty);
  EXPECT_TRUE(StoredList().empty());
  EXPECT_TRUE(Load().ok());
  EXPECT_TRUE(setting_.AvoidList.empty());
}

TEST_F(SettingsPersistenceTest, LoadingCorrectsRangesAlsoWhenEverythingWasRead) {
  TSetting wide;
  wide.MaxLinkNest = 500;  // the settings dialog accepts any number
  SaveComplete(wide);
  EXPECT_TRUE(Load().ok());
  EXPECT_EQ(setting_.MaxLinkNest, 99);
}

TEST_F(SettingsPersistenceTest, SavingStopsSilentlyAtTheFirstFailure) {
  SaveComplete();
  // Changes in order: 6 exit state values, then WriteFmtStr, 8 switches, BackupGenes,
  // MaxLinkNest, MaxLog (the 18th).
  store_.changes = 0;
  store_.fail_at = 18;
  const TSetting changed = NonDefaultSetting();
  const Status status = SaveSettings(store_, changed, saved_state_, saved_offset_, std::nullopt);
  EXPECT_EQ(status.code(), ENOSPC);
  EXPECT_EQ(store_.changes, 18);
  EXPECT_EQ(*store_.ReadInteger(kPreferenceKey, "MaxLinkNest"), changed.MaxLinkNest);
  EXPECT_EQ(*store_.ReadInteger(kPreferenceKey, "MaxLog"), TSetting().MaxLog);
  EXPECT_EQ(*store_.ReadInteger(kPreferenceKey, "WriteFmtIdx"), TSetting().WriteFmtIdx);
  EXPECT_EQ(*store_.ReadString(kPreferenceKey, "AvoidList0"), "*.png");
}

TEST_F(SettingsPersistenceTest, AStoreThatCannotBeReachedFallsBackToDefaults) {
  testing::WriteBytes(dir_ / "file", "a file, not a folder");
  RegistryStore blocked(dir_ / "file/registry.reg");
  EXPECT_FALSE(LoadSettings(blocked, setting_, state_, offset_, &failed_).ok());
  EXPECT_EQ(failed_, "");  // no value: the store itself
  ExpectFallback();
  EXPECT_FALSE(SaveSettings(blocked, setting_, state_, offset_, std::nullopt).ok());
}

}  // namespace
}  // namespace zelvora
