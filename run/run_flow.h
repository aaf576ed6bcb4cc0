// How a step of a run tells its caller whether the run goes on. An abort (a Cancel or Abort
// answer, the abort button, a nested file that aborted) travels back up as kAbort through
// every caller, each of which stops at once and writes nothing more.
#pragma once

namespace zelvora {

enum class [[nodiscard]] Flow{kContinue, kAbort};

}  // namespace zelvora
