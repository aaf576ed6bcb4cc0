#include "gui/components/history_combo_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::PathExists;
using testing::TempDir;

constexpr char kKey[] = "\\Software\\MORVID\\Zelvora\\ExitState\\HistWriteFName";

class HistoryComboBoxTest : public ::testing::Test {
 protected:
  // A box set up as the main window sets up its file name box.
  void SetUpLikeTheMainWindow(THistoryComboBox& box) {
    box.SetHistoryCount(15);
    box.SetRegKey("\\Software\\MORVID\\Zelvora");
    box.SetSubKey("ExitState\\HistWriteFName");
  }

  void Store(const std::string& name, const std::string& text) {
    ASSERT_TRUE(store_.WriteString(kKey, name, text).ok());
  }

  // The stored values "0", "1", ... up to the first missing one, and whether the key holds
  // anything beyond them (checked up to "40").
  std::vector<std::string> Stored(bool* more = nullptr) {
    std::vector<std::string> texts;
    int n = 0;
    for (;; ++n) {
      const auto text = store_.ReadString(kKey, std::to_string(n));
      if (!text.ok()) break;
      texts.push_back(*text);
    }
    if (more != nullptr) {
      *more = false;
      for (int m = n + 1; m <= 40; ++m) {
        if (*store_.ValueExists(kKey, std::to_string(m))) *more = true;
      }
    }
    return texts;
  }

  std::vector<std::string> Listed(const THistoryComboBox& box) {
    std::vector<std::string> texts;
    for (int i = 0; i < box.count(); ++i) texts.push_back(box.itemText(i).toStdString());
    return texts;
  }

  TempDir dir_{"history"};
  RegistryStore store_{dir_ / "registry.reg"};
  THistoryComboBox box_{store_};
};

TEST_F(HistoryComboBoxTest, BlankTextsAreNeverCommitted) {
  SetUpLikeTheMainWindow(box_);
  for (const char* blank : {"", "   ", " \t\r\n "}) {
    box_.setEditText(blank);
    box_.AddHistory();
  }
  EXPECT_EQ(box_.count(), 0);
  EXPECT_FALSE(PathExists(store_.file_path())) << "nothing written";
}

TEST_F(HistoryComboBoxTest, CommitsMoveTextsToTheTopUntrimmedAndCaseSensitive) {
  SetUpLikeTheMainWindow(box_);
  for (const char* text : {"a.htm", " a.htm", "A.htm", "b.htm", "a.htm"}) {
    box_.setEditText(text);
    box_.AddHistory();
  }
  const std::vector<std::string> expected = {"a.htm", "b.htm", "A.htm", " a.htm"};
  EXPECT_EQ(Listed(box_), expected);
  EXPECT_EQ(Stored(), expected) << "renumbered at every commit";
  EXPECT_EQ(box_.currentText(), "a.htm");
  EXPECT_EQ(box_.currentIndex(), 0);
}

TEST_F(HistoryComboBoxTest, AFullHistoryDropsItsOldestEntry) {
  SetUpLikeTheMainWindow(box_);
  for (int i = 1; i <= 16; ++i) {
    box_.setEditText(QString("page%1.htm").arg(i));
    box_.AddHistory();
  }
  bool more = true;
  const std::vector<std::string> stored = Stored(&more);
  ASSERT_EQ(stored.size(), 15u);
  EXPECT_EQ(stored.front(), "page16.htm");
  EXPECT_EQ(stored.back(), "page2.htm");
  EXPECT_FALSE(more);
}

TEST_F(HistoryComboBoxTest, LoadingClosesGapsAndTakesOneEntryMoreThanTheCount) {
  Store("0", "zero");
  Store("2", "two");
  Store("5", "five");
  Store("15", "fifteen");  // = HistoryCount: loaded as well
  Store("16", "sixteen");  // beyond: ignored, and gone at the next save
  ASSERT_TRUE(store_.WriteInteger(kKey, "3", 3).ok());  // not a text: passed over
  SetUpLikeTheMainWindow(box_);
  box_.setEditText("typed");
  box_.LoadHistory();
  EXPECT_EQ(Listed(box_), (std::vector<std::string>{"zero", "two", "five", "fifteen"}));
  EXPECT_EQ(box_.currentText(), "typed") << "the text field keeps its text";

  box_.SaveHistory();
  bool more = true;
  EXPECT_EQ(Stored(&more), (std::vector<std::string>{"zero", "two", "five", "fifteen"}));
  EXPECT_FALSE(more);

  // With a full list plus one, the next commit cuts it back to HistoryCount.
  for (int i = 4; i <= 15; ++i) Store(std::to_string(i), "old" + std::to_string(i));
  box_.LoadHistory();
  ASSERT_EQ(box_.count(), 16);
  box_.setEditText("new.htm");
  box_.AddHistory();
  const std::vector<std::string> stored = Stored(&more);
  ASSERT_EQ(stored.size(), 15u);
  EXPECT_EQ(stored.front(), "new.htm");
  EXPECT_EQ(stored.back(), "old13");
  EXPECT_FALSE(more);
}

TEST_F(HistoryComboBoxTest, AMissingKeyLeavesTheListAndTheFirstCommitCreatesIt) {
  box_.addItem("kept");
  SetUpLikeTheMainWindow(box_);
  box_.LoadHistory();
  EXPECT_EQ(Listed(box_), (std::vector<std::string>{"kept"}));
  EXPECT_FALSE(PathExists(store_.file_path())) << "loading creates nothing";

  box_.setEditText("first.htm");
  box_.AddHistory();
  EXPECT_EQ(Stored(), (std::vector<std::string>{"first.htm", "kept"}));
}

TEST_F(HistoryComboBoxTest, KeyNamesAndClearing) {
  // Before a key is set, nothing is loaded or saved.
  box_.setEditText("x");
  box_.AddHistory();
  EXPECT_FALSE(PathExists(store_.file_path()));

  // An empty program key puts the history directly below the root.
  box_.SetRegKey("");
  EXPECT_EQ(box_.RegistryKey(), "\\");
  box_.SetSubKey("Hist");
  box_.SaveHistory();
  EXPECT_EQ(*store_.ReadString("\\Hist", "0"), "x");

  // Without a sub-key, the box's own name names the key.
  box_.setObjectName("HCBoxWriteFmtStr");
  box_.SetSubKey("");
  box_.ClearHistory();
  EXPECT_TRUE(store_.OpenKey("\\HCBoxWriteFmtStr", false).ok()) << "an empty key stays";
  EXPECT_FALSE(*store_.ValueExists("\\HCBoxWriteFmtStr", "0"));
  EXPECT_EQ(box_.count(), 0);
  EXPECT_EQ(box_.currentText(), "x");
}

}  // namespace
}  // namespace zelvora::gui
