// Sets or clears environment variables for a guard's lifetime and restores them after.
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace zelvora::testing {

class ScopedEnvironment {
 public:
  // A null value clears the variable.
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values = {}) {
    for (const auto& [name, value] : values) Set(name, value);
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) Apply(name.c_str(), value ? value->c_str() : nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const char* name, const char* value) {
    if (saved_.find(name) == saved_.end()) {
      const char* old = std::getenv(name);
      saved_[name] = old == nullptr ? std::nullopt : std::optional<std::string>(old);
    }
    Apply(name, value);
  }
  void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

 private:
  static void Apply(const char* name, const char* value) {
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace zelvora::testing
