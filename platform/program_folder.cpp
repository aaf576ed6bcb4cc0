#include "platform/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/user_folders.h"

namespace zelvora {
namespace {

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string ExecutableFolder() {
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0) return "./";
  buffer.resize(static_cast<size_t>(length));
  return buffer.substr(0, buffer.rfind('/') + 1);
}

}  // namespace

std::string ProgramFolder() {
  const char* configured = std::getenv("ZELVORA_PROGRAM_DIR");
  if (configured != nullptr && *configured != '\0') return WithTrailingSlash(configured);
  return WithTrailingSlash(ExecutableFolder());
}

std::string FirstFileDialogFolder() {
  const std::string program_folder = ProgramFolder();
  if (CanCreateFilesIn(program_folder)) return program_folder;
  return WithTrailingSlash(HomeFolder());
}

}  // namespace zelvora
