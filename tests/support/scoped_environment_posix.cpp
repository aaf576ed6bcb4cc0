#include <cstdlib>

#include "tests/support/scoped_environment.h"

namespace zelvora::testing {

std::optional<std::string> GetEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void PutEnvironment(const char* name, const char* value) {
  if (value == nullptr) {
    unsetenv(name);
  } else {
    setenv(name, value, 1);
  }
}

}  // namespace zelvora::testing
