// Writing a stamped page back to disk so that the page exists at every instant with its
// complete old or its complete new text: the new text goes to a temporary file beside the
// page, the backup generations are rotated (generation 1 becoming a second name of the old
// text), and the temporary file then replaces the page in one atomic rename.
#pragma once

#include <optional>
#include <string>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "run/run_context.h"

namespace zelvora {

struct StampedPage {
  std::string file_name;  // the page as the walk received it
  std::string referrer;   // the linking page, empty for the run's root file
  int line = 0;           // the line of the link in `referrer`
  FileInfo before;        // the page's permissions and times before the run touched it
  std::string text;       // the new content: the text as read, with its date areas rewritten
  // The last-write time the page keeps with KeepTimeStamp (StampScan::kept_time).
  std::optional<FileTime> kept_time;
};

enum class WriteOutcome {
  kGoOn,              // the page was written, or needed nothing, or was passed over with OK
  kAbort,             // the answer was Cancel, or the backup rotation was aborted
  kChangedMeanwhile,  // only with `may_restamp`: another run stamped the page meanwhile
};

// Writes `page`. A failed write leaves the page and its generations untouched and is reported
// (OK goes on, Cancel aborts). A page the user may not write is reported as not writable. A
// page whose file is no longer the one that was read (another run stamped it, the user saved
// it, it was swapped for a link) is never overwritten: when it already holds exactly the new
// text nothing is reported and the log says it needed nothing; when it differs from the new
// text only inside date areas (another run stamped it with other dates) and `may_restamp`,
// kChangedMeanwhile tells the caller to read and stamp it again; otherwise it is reported as
// unreadable and left as it is. With KeepTimeStamp on, the page gets back its last-access
// time and takes `kept_time` as its last-write time, to the nanosecond and whatever the year;
// on Windows the page keeps its creation time too (Linux cannot set one).
WriteOutcome WriteStampedPage(RunContext& context, const StampedPage& page, bool may_restamp);

}  // namespace zelvora
