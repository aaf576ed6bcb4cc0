// One stamp run from beginning to end, as the start command of either front end runs it:
// the run state is reset, the log loaded and begun, the named file stamped together with
// everything reachable through its links, the summary shown, and the log ended and saved.
#pragma once

#include <string>

#include "run/run_context.h"

namespace zelvora {

enum class RunOutcome {
  kNotStarted,  // the file name was empty; only the message was shown
  kFinished,    // the run went to its end (possibly passing over errors)
  kAborted,     // an answer, the policy or the abort button stopped it
};

// The message shown when the start command is given no file name.
inline constexpr char kNoFileNameMessage[] = "記入ファイル名を入力して下さい。";

// The full path under which a run started on `name` stamps its root file (and reports it as
// the current file): `name` taken against the process's current folder.
std::string RootPath(const std::string& name);

// Runs one stamp run on `name` (as typed; a relative name is taken against the process's
// current folder). All the run's questions, messages and window steps go through
// context.host; the log is loaded from and saved to `log_path` (normally LogFileName()),
// unless the run is a trial run, which neither loads nor saves it (nor names it in its
// summary); with Log off it is loaded but not saved.
RunOutcome StartRun(RunContext& context, const std::string& name, const std::string& log_path);

}  // namespace zelvora
