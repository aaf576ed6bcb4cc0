// Writing a stamped page back to disk so that the page exists at every instant with its
// complete old or its complete new text: the new text goes to a temporary file beside the
// page, the backup generations are rotated (generation 1 becoming a second name of the old
// text), and the temporary file then replaces the page in one atomic rename.
#pragma once

#include <optional>
#include <string>

#include "engine/run_context.h"
#include "platform/date_time.h"
#include "platform/file_system.h"

namespace zelvora {

struct StampedPage {
  std::string file_name;  // the page as the walk received it
  std::string referrer;   // the linking page, empty for the run's root file
  int line = 0;           // the line of the link in `referrer`
  FileInfo before;        // the page's permissions and times before the run touched it
  std::string text;       // the new content: the text as read, with its date areas rewritten
  // The exact last-write time of the newest date source written into the page.
  std::optional<FileTime> kept_time;
};

// Writes `page` and returns true when the run goes on: the page was written, or it could
// not be and the answer to the write-failure report was OK. Returns false when the answer
// was Cancel or the backup rotation was aborted. A failed write leaves the page and its
// generations untouched. A page the user may not write is reported as not writable. A page
// whose file is no longer the one that was read (edited, replaced, swapped for a link) is
// reported as unreadable and left as it is, unless it already holds exactly the new text
// (another run stamped it): then nothing is reported and the log says it needed nothing. With
// KeepTimeStamp on, the page gets back its last-access time and takes `kept_time` as its last-write
// time, to the nanosecond and whatever the year; on Windows the page keeps its creation time too
// (Linux cannot set one).
bool WriteStampedPage(RunContext& context, const StampedPage& page);

}  // namespace zelvora
