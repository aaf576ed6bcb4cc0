#include "platform/removable_media.h"
#include "platform/shell_places.h"

namespace zelvora {

std::vector<ShellPlace> MachineShellPlaces() {
  std::vector<ShellPlace> places = {{"/", "", ShellPlace::Kind::kFixed}};
  for (std::string& medium : MountedRemovableMedia()) {
    places.push_back({std::move(medium), "", ShellPlace::Kind::kRemovable});
  }
  return places;
}

}  // namespace zelvora
