#include "engine/run_session.h"

namespace zelvora {

RunSession::RunSession(const TSetting& live_settings, RunHost& host, FileSystem& fs)
    : region_(ReadRegionalSettings()), fs_(fs), context_(live_settings, host, fs_, log_, region_) {}

RunOutcome RunSession::Run(const std::string& name, const std::string& log_path) {
  return StartRun(context_, name, log_path);
}

}  // namespace zelvora
