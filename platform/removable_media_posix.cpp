#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/removable_media.h"

namespace zelvora {
namespace {

std::string UserName() {
  if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr) {
    return entry->pw_name;
  }
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

}  // namespace

std::vector<std::string> MountedRemovableMedia() {
  std::ifstream table("/proc/self/mounts");
  if (!table) return {};
  std::ostringstream text;
  text << table.rdbuf();
  return RemovableMediaIn(text.str(), UserName());
}

}  // namespace zelvora
