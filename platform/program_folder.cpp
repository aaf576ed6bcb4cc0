#include "platform/program_folder.h"

#include "platform/paths.h"
#include "platform/user_folders.h"

namespace zelvora {

std::string FirstFileDialogFolder() {
  const std::string program_folder = ProgramFolder();
  if (CanCreateFilesIn(program_folder)) return program_folder;
  return JoinPath(HomeFolder(), "");
}

}  // namespace zelvora
