// Backup generations: before a stamped page replaces its old text, the old text becomes
// generation 1 and each older generation moves up by one number; the oldest falls off.
// Generation n of "/site/index.htm" is "/site/index_Bak<n>.bak".
//
// The oldest generation is deleted only once the new page is in place: until then it waits
// under a name of its own (SetAsideNameFor), so that a page that cannot be replaced after all
// gets every generation back as it was.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/run_context.h"
#include "run/run_flow.h"

namespace zelvora {

// The path of generation `n` of `path`: the path without the extension of its name part,
// then "_Bak", n in decimal and ".bak". Only a "." in the name part starts an extension, so
// a name without one keeps its generations beside it even in a folder whose name holds a dot.
std::string BackupName(std::string_view path, int n);

// What one rotation did on disk, so that it can be completed or undone.
class BackupRotation {
 public:
  // The new page is in place: deletes the generation that fell off. A failure leaves it
  // under its set-aside name, which the next rotation of the page clears.
  void Finish(FileSystem& fs);
  // The new page could not be put in place: moves every generation back where it was, as far
  // as the disk allows.
  void Undo(FileSystem& fs);

  // What the rotation records as it goes.
  void NoteSetAside(std::string oldest, std::string aside) {
    oldest_ = std::move(oldest);
    set_aside_ = std::move(aside);
  }
  void NoteMove(std::string from, std::string to) {
    moves_.emplace_back(std::move(from), std::move(to));
  }
  void NoteFirst(std::string first) { made_first_ = std::move(first); }

 private:
  std::string set_aside_;                                   // the oldest generation, waiting
  std::string oldest_;                                      // where it came from
  std::vector<std::pair<std::string, std::string>> moves_;  // generations moved up, in order
  std::string made_first_;                                  // generation 1 made here
};

// Rotates the generations of `path` (when the live settings have Backup on) so that the
// page's current text becomes generation 1: sets generation BackupGenes aside, renames each
// younger generation one number up, then makes generation 1 a second name (a hard link, or a
// copy where links are impossible) of `data_path` — the file that holds the page's text,
// which differs from `path` when the page is a symbolic link. The page itself stays in place
// throughout. Generations that the folder's listing shows missing are not touched. Each step
// that fails is reported (logged and counted once), tried again at once, and then asked
// Abort/Retry/Ignore under the error policy. Returns kAbort when the answer was Abort; the
// generations then stay as they are at that moment. `rotation` receives what was done; the
// caller finishes or undoes it. Preconditions: `rotation` is not null and unused.
Flow RotateBackups(RunContext& context, const std::string& path, const std::string& data_path,
                   BackupRotation* rotation);

}  // namespace zelvora
