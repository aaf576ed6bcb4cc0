#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
constexpr char kKey[] = "\\Software\\MORVID\\Zelvora\\Preference";

class RegistryStoreTest : public ::testing::Test {
 protected:
  std::string StorePath() const { return dir_ / "MORVID/registry.reg"; }
  std::string DamagedPath() const { return StorePath() + ".damaged"; }

  TempDir dir_{"registry"};
  RegistryStore store_{StorePath()};
};

TEST_F(RegistryStoreTest, WritesTheRegistryExportFormat) {
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 500).ok());
  ASSERT_TRUE(store_.WriteString(kKey, "WriteFmtStr", "yyyy/mm/dd").ok());
  ASSERT_TRUE(store_.WriteString(kKey, "Folder", "C:\\a \"b\"").ok());
  ASSERT_TRUE(store_.WriteInteger(kKey, "ErrCope", -1).ok());
  EXPECT_EQ(testing::ReadText(StorePath()),
            std::string(kHeader) +
                "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\n"
                "\"MaxLog\"=dword:000001f4\n"
                "\"WriteFmtStr\"=\"yyyy/mm/dd\"\n"
                "\"Folder\"=\"C:\\\\a \\\"b\\\"\"\n"
                "\"ErrCope\"=dword:ffffffff\n\n");

  RegistryStore other(StorePath());
  EXPECT_EQ(*other.ReadInteger(kKey, "MaxLog"), 500);
  EXPECT_EQ(*other.ReadInteger(kKey, "ErrCope"), -1);
  EXPECT_EQ(*other.ReadString(kKey, "Folder"), "C:\\a \"b\"");
}

TEST_F(RegistryStoreTest, TellsMissingValuesFromValuesOfAnotherType) {
  ASSERT_TRUE(store_.WriteInteger(kKey, "Number", 7).ok());
  ASSERT_TRUE(store_.WriteString(kKey, "Text", "7").ok());

  EXPECT_TRUE(IsMissingValue(store_.ReadInteger(kKey, "Absent").status()));
  EXPECT_TRUE(IsMissingValue(store_.ReadString(kKey, "Absent").status()));
  EXPECT_TRUE(IsMissingValue(store_.ReadString("\\No\\Such\\Key", "Text").status()));
  EXPECT_TRUE(IsWrongType(store_.ReadInteger(kKey, "Text").status()));
  EXPECT_TRUE(IsWrongType(store_.ReadString(kKey, "Number").status()));
  EXPECT_FALSE(IsMissingValue(store_.ReadString(kKey, "Number").status()));
  EXPECT_TRUE(*store_.ValueExists(kKey, "Number"));
  EXPECT_FALSE(*store_.ValueExists(kKey, "Absent"));
}

TEST_F(RegistryStoreTest, ReadingAStoreThatDoesNotExistCreatesNothing) {
  EXPECT_TRUE(IsMissingValue(store_.ReadInteger(kKey, "MaxLog").status()));
  EXPECT_TRUE(IsMissingValue(store_.OpenKey(kKey, false)));
  EXPECT_FALSE(PathExists(StorePath()));
}

TEST_F(RegistryStoreTest, KeysAreOpenedCreatedAndDeletedWithTheirSubkeys) {
  EXPECT_TRUE(IsMissingValue(store_.OpenKey("\\Software\\MORVID\\Zelvora\\ExitState", false)));
  ASSERT_TRUE(store_.OpenKey("\\Software\\MORVID\\Zelvora\\ExitState", true).ok());
  EXPECT_TRUE(store_.OpenKey("\\Software\\MORVID\\Zelvora\\ExitState", false).ok());
  EXPECT_TRUE(store_.OpenKey("\\Software\\MORVID", false).ok());  // parents are implied
  EXPECT_TRUE(store_.OpenKey("\\", false).ok());

  ASSERT_TRUE(store_.WriteString("\\Software\\MORVID\\Zelvora\\ExitState\\Hist", "0", "a").ok());
  ASSERT_TRUE(store_.WriteInteger("\\Software\\MORVID\\Zelvora\\ExitState", "MWLeft", 1).ok());
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 500).ok());
  ASSERT_TRUE(store_.DeleteKey("\\Software\\MORVID\\Zelvora\\ExitState").ok());

  EXPECT_TRUE(IsMissingValue(store_.OpenKey("\\Software\\MORVID\\Zelvora\\ExitState", false)));
  EXPECT_TRUE(IsMissingValue(
      store_.ReadString("\\Software\\MORVID\\Zelvora\\ExitState\\Hist", "0").status()));
  EXPECT_EQ(*store_.ReadInteger(kKey, "MaxLog"), 500);
  EXPECT_TRUE(IsMissingValue(store_.DeleteKey("\\Software\\MORVID\\Zelvora\\ExitState")));
  EXPECT_FALSE(store_.DeleteKey("\\").ok());
}

TEST_F(RegistryStoreTest, NamesAreMatchedWithoutCaseAndKeepTheirSpelling) {
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 1).ok());
  ASSERT_TRUE(store_.WriteInteger("\\software\\morvid\\zelvora\\preference", "MAXLOG", 2).ok());
  EXPECT_EQ(*store_.ReadInteger(kKey, "maxlog"), 2);
  EXPECT_NE(testing::ReadText(StorePath())
                .find("[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\n"
                      "\"MaxLog\"=dword:00000002\n"),
            std::string::npos);
}

TEST_F(RegistryStoreTest, DeletesValues) {
  ASSERT_TRUE(store_.WriteInteger(kKey, "A", 1).ok());
  ASSERT_TRUE(store_.WriteInteger(kKey, "B", 2).ok());
  ASSERT_TRUE(store_.DeleteValue(kKey, "A").ok());
  EXPECT_FALSE(*store_.ValueExists(kKey, "A"));
  EXPECT_EQ(*store_.ReadInteger(kKey, "B"), 2);
  EXPECT_TRUE(IsMissingValue(store_.DeleteValue(kKey, "A")));
}

TEST_F(RegistryStoreTest, RefusesWhatTheFileCannotHold) {
  EXPECT_EQ(store_.WriteString(kKey, "Nul", std::string("a\0b", 3)).code(), EINVAL);
  EXPECT_EQ(store_.WriteInteger(kKey, "Line\nBreak", 1).code(), EINVAL);
  EXPECT_EQ(store_.WriteInteger("\\Software\\\\MORVID", "A", 1).code(), EINVAL);
  EXPECT_FALSE(PathExists(StorePath()));
}

TEST_F(RegistryStoreTest, TextWithLineBreaksRoundTripsInHexForm) {
  const std::string text = "first line\r\nsecond \"line\"\n表";
  ASSERT_TRUE(store_.WriteString(kKey, "Multi", text).ok());
  ASSERT_TRUE(store_.WriteInteger(kKey, "After", 3).ok());
  EXPECT_NE(testing::ReadText(StorePath()).find("\"Multi\"=hex(1):66,00,69,00"), std::string::npos);
  EXPECT_EQ(*RegistryStore(StorePath()).ReadString(kKey, "Multi"), text);
  EXPECT_EQ(*store_.ReadInteger(kKey, "After"), 3);
}

TEST_F(RegistryStoreTest, ReadsTheFormsOfARealExport) {
  // hex(2) is REG_EXPAND_SZ as UTF-16LE ("%A%\0"), split over continuation lines; hex(4) is
  // a dword in bytes; "@" is the key's default value; keys and lines may end in CR LF.
  WriteBytes(StorePath(),
             "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
             "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\r\n"
             "@=\"default\"\r\n"
             "\"Expand\"=hex(2):25,00,41,00,\\\r\n  25,00,00,00\r\n"
             "\"Bytes\"=hex(4):f4,01,00,00\r\n"
             "\"Upper\"=DWORD:0000000A\r\n");
  EXPECT_EQ(*store_.ReadString(kKey, ""), "default");
  EXPECT_EQ(*store_.ReadString(kKey, "Expand"), "%A%");
  EXPECT_EQ(*store_.ReadInteger(kKey, "Bytes"), 500);
  EXPECT_EQ(*store_.ReadInteger(kKey, "Upper"), 10);
}

TEST_F(RegistryStoreTest, ReadsAUtf16Export) {
  const std::string utf8 = std::string(kHeader) + "[HKEY_CURRENT_USER\\" + (kKey + 1) +
                           "]\r\n\"WriteFmtStr\"=\"yyyy年\"\r\n";
  std::string utf16 = "\xFF\xFE";
  // Every character of the text below U+0800 except "年" (U+5E74): encode by hand.
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8.compare(i, 3, "年") == 0) {
      utf16 += "\x74\x5E";
      i += 2;
    } else {
      utf16 += utf8[i];
      utf16 += '\0';
    }
  }
  WriteBytes(StorePath(), utf16);
  EXPECT_EQ(*store_.ReadString(kKey, "WriteFmtStr"), "yyyy年");
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 50).ok());
  EXPECT_FALSE(PathExists(DamagedPath()));
  EXPECT_EQ(*store_.ReadString(kKey, "WriteFmtStr"), "yyyy年");
}

TEST_F(RegistryStoreTest, ValuesOfForeignTypesSurviveASaveAndReadAsWrongType) {
  const std::string foreign =
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
      "\"Blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
      "  17,18,19,1a\n"
      "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n";
  WriteBytes(StorePath(),
             std::string(kHeader) + "[HKEY_CURRENT_USER\\" + (kKey + 1) + "]\n" + foreign + "\n");
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 50).ok());

  EXPECT_NE(testing::ReadText(StorePath()).find(foreign), std::string::npos);
  for (const char* name : {"Multi", "Blob", "Quad"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(*store_.ValueExists(kKey, name));
    EXPECT_TRUE(IsWrongType(store_.ReadString(kKey, name).status()));
    EXPECT_TRUE(IsWrongType(store_.ReadInteger(kKey, name).status()));
  }
  EXPECT_FALSE(PathExists(DamagedPath()));
}

// A literal with its embedded NUL bytes.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct DamagedCase {
  const char* label;
  std::string content;
};
// A failing case names itself by its label, not by the bytes of its content.
void PrintTo(const DamagedCase& damaged, std::ostream* out) { *out << damaged.label; }

class DamagedStoreTest : public RegistryStoreTest,
                         public ::testing::WithParamInterface<DamagedCase> {};

// Every case holds "Good"=dword:1 and "Text"="kept" in readable keys among the damage.
const std::string kGoodSection =
    "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\n"
    "\"Good\"=dword:00000001\n";
const std::string kTextSection =
    "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Other]\n"
    "\"Text\"=\"kept\"\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedStoreTest,
    ::testing::Values(
        DamagedCase{"TruncatedInAString",
                    kHeader + kTextSection + kGoodSection + "\"Cut\"=\"no end"},
        DamagedCase{"TruncatedInHexData",
                    kHeader + kTextSection + kGoodSection + "\"Cut\"=hex(7):61,00,\\"},
        DamagedCase{"HexCutByTheNextValue",
                    kHeader + kGoodSection + "\"Cut\"=hex:01,\\\n" + kTextSection},
        DamagedCase{"BinaryGarbage", Bytes("\x7F"
                                           "ELF\x02\x01\x01\0\0\0\n") +
                                         kHeader + kGoodSection + Bytes("\xFF\xFE\x00\x01\x80\n") +
                                         kTextSection},
        DamagedCase{"NulBytes",
                    kHeader + kGoodSection + Bytes("\"Nul\"=\"a\0b\"\n") + kTextSection},
        DamagedCase{"MalformedLines",
                    kHeader + kGoodSection +
                        "\"NoEquals\" \"x\"\n\"Bad\"=dword:xyz\n"
                        "\"Long\"=dword:123456789\n\"Tail\"=\"x\" junk\njust text\n"
                        "; a comment\n\"Minus\"=-\n" +
                        kTextSection},
        DamagedCase{"HugeLine",
                    kHeader + kGoodSection + std::string(2'000'000, 'x') + "\n" + kTextSection},
        DamagedCase{"InvalidUtf8InAValueName",
                    kHeader + kGoodSection + "\"\xC3\x28\"=\"\xFF\xFE\"\n\"\xC3=\n" + kTextSection},
        DamagedCase{"UnreadableKeyHeaders",
                    kHeader +
                        "[HKEY_LOCAL_MACHINE\\Software]\n\"Lost\"=dword:1\n"
                        "[HKEY_CURRENT_USER\\Software\\MORVID\n\"Lost\"=dword:2\n"
                        "[-HKEY_CURRENT_USER\\Software\\Old]\n" +
                        kGoodSection + kTextSection},
        DamagedCase{"ValuesBeforeAnyKey",
                    "\"Orphan\"=dword:00000005\n" + kGoodSection + kTextSection},
        DamagedCase{"DuplicateValue",
                    kHeader + kTextSection + kGoodSection + "\"Good\"=dword:00000001\n"}),
    [](const ::testing::TestParamInfo<DamagedCase>& param_info) { return param_info.param.label; });

TEST_P(DamagedStoreTest, KeepsReadablePartsAndCopiesTheFileBeforeTheFirstLossySave) {
  const std::string& original = GetParam().content;
  WriteBytes(StorePath(), original);
  const std::string other = "\\Software\\MORVID\\Zelvora\\Other";

  EXPECT_EQ(*store_.ReadInteger(kKey, "Good"), 1);
  EXPECT_EQ(*store_.ReadString(other, "Text"), "kept");
  EXPECT_FALSE(PathExists(DamagedPath()));  // reading alone changes nothing

  ASSERT_TRUE(store_.WriteInteger(kKey, "New", 2).ok());
  EXPECT_EQ(ReadBytes(DamagedPath()), original);
  EXPECT_EQ(*store_.ReadInteger(kKey, "Good"), 1);
  EXPECT_EQ(*store_.ReadString(other, "Text"), "kept");
  EXPECT_EQ(*store_.ReadInteger(kKey, "New"), 2);
  EXPECT_FALSE(*store_.ValueExists("\\Software", "Lost"));

  // The saved file is clean: a further save makes no further copy.
  ASSERT_TRUE(store_.WriteInteger(kKey, "New", 3).ok());
  EXPECT_EQ(ReadBytes(DamagedPath()), original);
  EXPECT_FALSE(PathExists(DamagedPath() + ".1"));
}

TEST_F(RegistryStoreTest, AnEarlierDamagedCopyIsNeverOverwritten) {
  WriteBytes(DamagedPath(), "an older copy");
  const std::string damaged = std::string(kHeader) + kGoodSection + "garbage\n";
  WriteBytes(StorePath(), damaged);
  ASSERT_TRUE(store_.WriteInteger(kKey, "New", 2).ok());
  EXPECT_EQ(ReadBytes(DamagedPath()), "an older copy");
  EXPECT_EQ(ReadBytes(DamagedPath() + ".1"), damaged);
}

TEST_F(RegistryStoreTest, ACopyKeptOnRequestFollowsTheDamagedCopiesNaming) {
  EXPECT_FALSE(store_.KeepCopy().ok());  // no store yet
  const std::string readable = std::string(kHeader) + kGoodSection;
  WriteBytes(StorePath(), readable);
  EXPECT_EQ(*store_.KeepCopy(), DamagedPath());
  EXPECT_EQ(*store_.KeepCopy(), DamagedPath());  // the same content: the same copy
  WriteBytes(StorePath(), readable + "garbage\n");
  EXPECT_EQ(*store_.KeepCopy(), DamagedPath() + ".1");
  EXPECT_EQ(ReadBytes(DamagedPath()), readable);
  // The first save that drops the unreadable line finds its copy kept already.
  ASSERT_TRUE(store_.WriteInteger(kKey, "New", 2).ok());
  EXPECT_FALSE(PathExists(DamagedPath() + ".2"));
}

TEST_F(RegistryStoreTest, AStoreThatCannotBeReachedFailsWithoutCrashing) {
  WriteBytes(dir_ / "file", "not a folder");
  RegistryStore blocked(dir_ / "file/registry.reg");
  EXPECT_FALSE(blocked.WriteInteger(kKey, "A", 1).ok());
  const auto read = blocked.ReadInteger(kKey, "A");
  EXPECT_FALSE(read.ok());
  EXPECT_FALSE(IsMissingValue(read.status()));

  testing::MakeFolder(StorePath());  // a folder where the file should be
  EXPECT_FALSE(store_.ReadInteger(kKey, "A").ok());
  EXPECT_FALSE(store_.WriteInteger(kKey, "A", 1).ok());
}

TEST_F(RegistryStoreTest, AStoreBehindASymbolicLinkStaysALink) {
  if (!testing::CanMakeSymlinks()) GTEST_SKIP() << "no symbolic links on this system";
  const std::string real = dir_ / "dotfiles/registry.reg";
  WriteBytes(real, std::string(kHeader));
  testing::MakeFolder(dir_ / "MORVID");
  ASSERT_TRUE(testing::MakeSymlink(real, StorePath()));
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 50).ok());
  EXPECT_TRUE(testing::IsSymlink(StorePath()));
  EXPECT_NE(testing::ReadText(real).find("\"MaxLog\"=dword:00000032"), std::string::npos);
}

// Two processes write many values each into one store at the same time.
constexpr int kRaceValues = 150;

ZELVORA_TEST_HELPER(registry_racer) {
  const std::string& store_path = args.at(0);
  const std::string& tag = args.at(1);
  const std::string& start_flag = args.at(2);
  while (!PathExists(start_flag)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  RegistryStore store(store_path);
  for (int i = 0; i < kRaceValues; ++i) {
    if (!store.WriteInteger("\\Race", tag + std::to_string(i), i).ok()) return 1;
    if (!store.WriteString("\\Race\\" + tag, std::to_string(i), tag).ok()) return 2;
  }
  return 0;
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  const std::string start_flag = dir_ / "start";
  const int first = testing::StartHelper("registry_racer", {StorePath(), "A", start_flag});
  const int second = testing::StartHelper("registry_racer", {StorePath(), "B", start_flag});
  WriteBytes(start_flag, "go");
  EXPECT_EQ(testing::WaitForExit(first), 0);
  EXPECT_EQ(testing::WaitForExit(second), 0);

  for (const std::string tag : {"A", "B"}) {
    for (int i = 0; i < kRaceValues; ++i) {
      const auto number = store_.ReadInteger("\\Race", tag + std::to_string(i));
      ASSERT_TRUE(number.ok()) << tag << i << ": " << number.status().message();
      EXPECT_EQ(*number, i);
      const auto text = store_.ReadString("\\Race\\" + tag, std::to_string(i));
      ASSERT_TRUE(text.ok()) << tag << i << ": " << text.status().message();
      EXPECT_EQ(*text, tag);
    }
  }
  EXPECT_FALSE(PathExists(DamagedPath()));
}

TEST_F(RegistryStoreTest, ABatchReadsTheFileOnceAndWritesItsChangesInOneChange) {
  ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 500).ok());
  RegistryStore other(StorePath());
  {
    RegistryStore::Batch batch(store_);
    // Reads come from the one reading made when the batch began...
    ASSERT_TRUE(other.WriteInteger(kKey, "WriteFmtIdx", 4).ok());
    EXPECT_FALSE(*store_.ValueExists(kKey, "WriteFmtIdx"));
    // ...and see the batch's own changes, which reach the file only when committed.
    ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 600).ok());
    ASSERT_TRUE(store_.WriteString(kKey, "WriteFmtStr", "yy").ok());
    EXPECT_EQ(*store_.ReadInteger(kKey, "MaxLog"), 600);
    EXPECT_EQ(*other.ReadInteger(kKey, "MaxLog"), 500);
    ASSERT_TRUE(batch.Commit().ok());
  }
  // The value another process wrote meanwhile survives the commit.
  EXPECT_EQ(*other.ReadInteger(kKey, "WriteFmtIdx"), 4);
  EXPECT_EQ(*other.ReadInteger(kKey, "MaxLog"), 600);
  EXPECT_EQ(*other.ReadString(kKey, "WriteFmtStr"), "yy");

  {
    RegistryStore::Batch dropped(store_);
    ASSERT_TRUE(store_.WriteInteger(kKey, "MaxLog", 700).ok());
  }
  EXPECT_EQ(*store_.ReadInteger(kKey, "MaxLog"), 600);
}

TEST_F(RegistryStoreTest, ANamedPipeInTheStoresPlaceIsRefusedWithoutWaiting) {
  testing::MakeFolder(dir_ / "MORVID");
  if (!testing::MakeNamedPipe(StorePath())) GTEST_SKIP() << "no named pipes on this system";
  const auto read = store_.ReadInteger(kKey, "MaxLog");
  EXPECT_FALSE(read.ok());
  EXPECT_FALSE(IsMissingValue(read.status()));
  EXPECT_FALSE(store_.WriteInteger(kKey, "MaxLog", 1).ok());
}

}  // namespace
}  // namespace zelvora
