#include <stdlib.h>
#include <windows.h>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora::testing {
namespace {

std::wstring Wide(const char* text) { return NativePath(text).wstring(); }

}  // namespace

std::optional<std::string> GetEnvironment(const char* name) {
  const wchar_t* value = _wgetenv(Wide(name).c_str());
  if (value == nullptr) return std::nullopt;
  const std::u8string text = std::filesystem::path(value).u8string();
  return std::string(text.begin(), text.end());
}

// Both the C library's copy of the environment and the system's, which the program reads and
// started programs inherit.
void PutEnvironment(const char* name, const char* value) {
  const std::wstring wide_name = Wide(name);
  const std::wstring wide_value = value != nullptr ? Wide(value) : std::wstring();
  _wputenv_s(wide_name.c_str(), wide_value.c_str());
  SetEnvironmentVariableW(wide_name.c_str(), value != nullptr ? wide_value.c_str() : nullptr);
}

}  // namespace zelvora::testing
