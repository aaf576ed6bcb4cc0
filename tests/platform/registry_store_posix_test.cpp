// Where the settings store lies on a POSIX system: the XDG configuration folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/registry_store.h"

namespace zelvora {
namespace {

TEST(RegistryPathTest, FollowsTheEnvironment) {
  const std::string saved_registry = std::getenv("ZELVORA_REGISTRY");
  const char* saved_xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved_xdg_value = saved_xdg != nullptr ? saved_xdg : "";
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";

  EXPECT_EQ(DefaultRegistryPath(), saved_registry);
  unsetenv("ZELVORA_REGISTRY");
  setenv("XDG_CONFIG_HOME", "/config/here", 1);
  EXPECT_EQ(DefaultRegistryPath(), "/config/here/MORVID/registry.reg");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  if (!home.empty()) {
    EXPECT_EQ(DefaultRegistryPath(), home + "/.config/MORVID/registry.reg");
  }

  setenv("ZELVORA_REGISTRY", saved_registry.c_str(), 1);
  if (saved_xdg != nullptr) {
    setenv("XDG_CONFIG_HOME", saved_xdg_value.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace zelvora
