#include "cli/stamp_command.h"

#include <ostream>

#include "cli/command_line.h"
#include "cli/terminal_host.h"
#include "engine/run_session.h"
#include "platform/registry_store.h"
#include "settings/setting_fields.h"
#include "settings/settings_persistence.h"

namespace zelvora {
namespace {

int UsageError(const StampCommandIo& io, const std::string& message) {
  io.err << "zelvora-stamp: " << message << "\n\n" << kUsageText;
  return kExitUsage;
}

// The live settings as the main window loads them, with this run's overrides on top.
Result<TSetting> EffectiveSettings(const std::vector<std::string>& overrides) {
  TSetting settings;
  // The front end reads the store and never changes it: the GUI's window state and
  // histories live there too.
  ReadOnlyRegistryStore store(DefaultRegistryPath());
  ExitState ignored_exit_state;
  ProgressOffset ignored_offset;
  // As at the main window's start, a store that cannot be read gives the defaults.
  (void)LoadSettings(store, settings, ignored_exit_state, ignored_offset);
  for (const std::string& assignment : overrides) {
    const Status applied = ApplySettingOverride(settings, assignment);
    if (!applied.ok()) return applied;
  }
  ClampSetting(settings);
  return settings;
}

int Stamp(const CommandLine& line, TSetting& live, const StampCommandIo& io) {
  if (line.file->empty()) {
    io.err << kNoFileNameMessage << '\n';
    return kExitUsage;
  }
  TerminalHost host(io.in, io.out, io.err, io.input_is_terminal, io.error_is_terminal);
  RunSession session(live, host, io.fs != nullptr ? *io.fs : RealFileSystem());
  session.log().SetObserver([&host](const std::string& entry) { host.EchoLogEntry(entry); });
  session.context().dry_run = line.dry_run;
  host.WatchInterrupts(session.context().state);
  const RunOutcome outcome = session.Run(*line.file);
  return outcome == RunOutcome::kFinished ? kExitFinished : kExitAborted;
}

}  // namespace

int RunStampCommand(const std::vector<std::string>& args, const StampCommandIo& io) {
  const auto line = ParseCommandLine(args);
  if (!line.ok()) return UsageError(io, line.status().message());
  if (line->show_help) {
    io.out << kUsageText;
    return kExitFinished;
  }
  auto settings = EffectiveSettings(line->overrides);
  if (!settings.ok()) return UsageError(io, settings.status().message());
  if (line->show_settings) {
    for (const std::string& text : DescribeSettings(*settings)) io.out << text << '\n';
    return kExitFinished;
  }
  TSetting& live = LiveSettings();
  live = std::move(settings).value();
  return Stamp(*line, live, io);
}

}  // namespace zelvora
