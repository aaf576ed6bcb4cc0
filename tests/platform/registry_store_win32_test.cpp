// The settings store on Windows: the registry itself, with the value types the settings model
// documents, as the system's own tools see it; and the file store exchanging files with them.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_process_win32.h"

namespace zelvora {
namespace {

constexpr char kTestKey[] = "\\Software\\MORVID\\ZelvoraTest";
constexpr char kPreference[] = "\\Software\\MORVID\\ZelvoraTest\\Preference";

// What the system's registry tool (reg.exe) prints when run with `arguments`; nothing when
// it fails.
std::optional<std::string> Reg(const std::vector<std::string>& arguments,
                               const testing::TempDir& dir) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  const std::u8string tool = (std::filesystem::path(system) / L"reg.exe").u8string();
  testing::ChildCommand command;
  command.words = {std::string(tool.begin(), tool.end())};
  command.words.insert(command.words.end(), arguments.begin(), arguments.end());
  command.out_path = dir / "reg.out";
  command.err_path = dir / "reg.err";
  if (testing::WaitForProcess(testing::StartProcess(command)) != 0) return std::nullopt;
  return testing::ReadBytes(command.out_path);
}

class WindowsRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.Set("ZELVORA_REGISTRY", nullptr);  // the registry itself, not a file
    store_ = OpenUserSettingsStore(/*read_only=*/false);
    (void)store_->DeleteKey(kTestKey);
  }
  void TearDown() override { (void)store_->DeleteKey(kTestKey); }

  testing::ScopedEnvironment environment_;
  testing::TempDir dir_{"registry"};
  std::unique_ptr<RegistryStore> store_;
};

TEST_F(WindowsRegistryTest, ValuesRoundTripWithTheirTypesAsTheSystemsToolShowsThem) {
  EXPECT_EQ(UserSettingsStoreName(), "HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora");
  EXPECT_TRUE(IsMissingValue(store_->OpenKey(kPreference, false)));
  ASSERT_TRUE(store_->OpenKey(kPreference, true).ok());
  ASSERT_TRUE(store_->WriteInteger(kPreference, "MaxLog", 500).ok());
  ASSERT_TRUE(store_->WriteInteger(kPreference, "ErrCope", -1).ok());
  ASSERT_TRUE(store_->WriteString(kPreference, "WriteFmtStr", "yyyy\"年\"m\"月\"d\"日\"").ok());
  ASSERT_TRUE(store_->WriteString(kPreference, "AvoidList0", "C:\\サイト\\private.htm").ok());

  // A fresh store reads them back, and tells missing values from values of another type.
  const std::unique_ptr<RegistryStore> other = OpenUserSettingsStore(/*read_only=*/true);
  EXPECT_EQ(*other->ReadInteger(kPreference, "maxlog"), 500);  // names ignore letter case
  EXPECT_EQ(*other->ReadInteger(kPreference, "ErrCope"), -1);
  EXPECT_EQ(*other->ReadString(kPreference, "WriteFmtStr"), "yyyy\"年\"m\"月\"d\"日\"");
  EXPECT_EQ(*other->ReadString(kPreference, "AvoidList0"), "C:\\サイト\\private.htm");
  EXPECT_TRUE(IsWrongType(other->ReadInteger(kPreference, "WriteFmtStr").status()));
  EXPECT_TRUE(IsWrongType(other->ReadString(kPreference, "MaxLog").status()));
  EXPECT_TRUE(IsMissingValue(other->ReadInteger(kPreference, "Absent").status()));
  EXPECT_FALSE(*other->ValueExists(kPreference, "Absent"));
  EXPECT_EQ(other->WriteInteger(kPreference, "MaxLog", 1).code(), EROFS);

  const std::string shown =
      Reg({"query", "HKCU\\Software\\MORVID\\ZelvoraTest\\Preference"}, dir_).value_or("");
  EXPECT_NE(shown.find("MaxLog"), std::string::npos) << shown;
  EXPECT_NE(shown.find("REG_DWORD"), std::string::npos) << shown;
  EXPECT_NE(shown.find("0x1f4"), std::string::npos) << shown;
  EXPECT_NE(shown.find("REG_SZ"), std::string::npos) << shown;

  ASSERT_TRUE(store_->DeleteValue(kPreference, "MaxLog").ok());
  EXPECT_TRUE(IsMissingValue(store_->DeleteValue(kPreference, "MaxLog")));
  ASSERT_TRUE(store_->DeleteKey(kTestKey).ok());
  EXPECT_TRUE(IsMissingValue(store_->OpenKey(kPreference, false)));
}

TEST_F(WindowsRegistryTest, AnExportOfTheRegistryLoadsAndTheFileStoreImports) {
  ASSERT_TRUE(store_->WriteInteger(kPreference, "BackupGenes", 5).ok());
  ASSERT_TRUE(store_->WriteString(kPreference, "WriteFmtStr", "yy.mm.dd 表").ok());
  const std::string exported = dir_ / "export.reg";
  ASSERT_TRUE(Reg({"export", "HKCU\\Software\\MORVID\\ZelvoraTest", exported}, dir_));
  RegistryStore file(exported);
  EXPECT_EQ(*file.ReadInteger(kPreference, "BackupGenes"), 5);
  EXPECT_EQ(*file.ReadString(kPreference, "WriteFmtStr"), "yy.mm.dd 表");

  // The other way: what the file store wrote, the system's tool imports.
  ASSERT_TRUE(store_->DeleteKey(kTestKey).ok());
  const std::string written = dir_ / "written.reg";
  RegistryStore writer(written);
  ASSERT_TRUE(writer.WriteInteger(kPreference, "MaxLinkNest", 7).ok());
  ASSERT_TRUE(writer.WriteString(kPreference, "SiteRoot", "D:\\www\\日記").ok());
  ASSERT_TRUE(Reg({"import", written}, dir_));
  EXPECT_EQ(*store_->ReadInteger(kPreference, "MaxLinkNest"), 7);
  EXPECT_EQ(*store_->ReadString(kPreference, "SiteRoot"), "D:\\www\\日記");
}

}  // namespace
}  // namespace zelvora
