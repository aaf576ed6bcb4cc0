// Sets or clears environment variables for a guard's lifetime and restores them after.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace zelvora::testing {

// The value of environment variable `name` (UTF-8), or nothing when it is not set.
std::optional<std::string> GetEnvironment(const char* name);
// Sets environment variable `name` to `value` (UTF-8) for this process and the programs it
// starts; a null value removes it.
void PutEnvironment(const char* name, const char* value);

class ScopedEnvironment {
 public:
  // A null value clears the variable.
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values = {}) {
    for (const auto& [name, value] : values) Set(name, value);
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      PutEnvironment(name.c_str(), value ? value->c_str() : nullptr);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const char* name, const char* value) {
    if (saved_.find(name) == saved_.end()) saved_[name] = GetEnvironment(name);
    PutEnvironment(name, value);
  }
  void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace zelvora::testing
