#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/encoding.h"
#include "tests/support/scoped_environment.h"

namespace zelvora::testing {
namespace fs = std::filesystem;

fs::path NativePath(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

TempDir::~TempDir() { RemoveTree(path_); }

void MakeFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(NativePath(path), error);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::error_code error;
  fs::create_directories(NativePath(path).parent_path(), error);
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string ReadText(const std::string& path) {
  std::string bytes = ReadBytes(path);
  if (bytes.starts_with("\xFF\xFE")) {
    auto text = ConvertText(std::string_view(bytes).substr(2), "UTF-16LE", kUtf8);
    EXPECT_TRUE(text.ok()) << path << ": " << text.status().message();
    bytes = text.ok() ? *text : std::string();
  }
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' || i + 1 >= bytes.size() || bytes[i + 1] != '\n') text += bytes[i];
  }
  return text;
}

void EnterPrivateWorld(const TempDir& world, const char* locale) {
  PutEnvironment("TZ", "JST-9");
  PutEnvironment("LC_ALL", locale);
  tzset();
  PutEnvironment("ZELVORA_REGISTRY", (world / "registry.reg").c_str());
  PutEnvironment("ZELVORA_PROGRAM_DIR", (world / "program").c_str());
  MakeFolder(world / "program");
}

void RemoveTree(const std::string& path) {
  std::error_code error;
  fs::remove_all(NativePath(path), error);
}

}  // namespace zelvora::testing
