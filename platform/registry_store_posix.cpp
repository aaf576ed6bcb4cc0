#include "platform/registry_file.h"
#include "platform/registry_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace zelvora {

std::string DefaultRegistryPath() {
  const char* configured = std::getenv("ZELVORA_REGISTRY");
  if (configured != nullptr && *configured != '\0') return configured;
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else if (home != nullptr && *home != '\0') {
    config = std::string(home) + "/.config";
  } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir) {
    config = std::string(user->pw_dir) + "/.config";
  } else {
    return "";
  }
  return config + "/MORVID/registry.reg";
}

std::unique_ptr<RegistryStore> OpenUserSettingsStore(bool read_only) {
  if (read_only) return std::make_unique<ReadOnlyRegistryStore>(DefaultRegistryPath());
  return std::make_unique<RegistryStore>(DefaultRegistryPath());
}

std::string UserSettingsStoreName() { return DefaultRegistryPath(); }

std::string StoreFileBytes(std::string_view text) { return std::string(text); }

}  // namespace zelvora
