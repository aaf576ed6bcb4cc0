#include "cli/stamp_command.h"

#include <ostream>

#include "cli/command_line.h"
#include "cli/terminal_host.h"
#include "cli/usage.h"
#include "engine/run_session.h"
#include "platform/paths.h"
#include "platform/registry_store.h"
#include "settings/setting_fields.h"
#include "settings/settings_persistence.h"

namespace zelvora {
namespace {

int UsageError(const StampCommandIo& io, const std::string& message) {
  io.err << "zelvora-stamp: " << message << "\n\n" << StampUsageReminder();
  return kExitUsage;
}

FileSystem& FileSystemOf(const StampCommandIo& io) {
  return io.fs != nullptr ? *io.fs : RealFileSystem();
}

// The settings store, and whether it holds anything yet.
struct Store {
  std::string name;  // its file or registry key; empty when no home folder is known
  bool exists = false;
};

Store FindStore() {
  Store store;
  store.name = UserSettingsStoreName();
  store.exists = !store.name.empty() && OpenUserSettingsStore(/*read_only=*/true)->Exists();
  return store;
}

// The live settings as the main window loads them: a store that cannot be read completely
// gives the defaults. A person who wrote the store by hand is told why nothing took effect.
TSetting StoredSettings(const Store& store, const StampCommandIo& io) {
  TSetting settings;
  // Read only: the GUI's window state and histories live in the store too.
  const std::unique_ptr<RegistryStore> reader = OpenUserSettingsStore(/*read_only=*/true);
  ExitState ignored_exit_state;
  ProgressOffset ignored_offset;
  const Status loaded = LoadSettings(*reader, settings, ignored_exit_state, ignored_offset);
  if (!loaded.ok() && store.exists) {
    io.err << "zelvora-stamp: warning: the settings store " << store.name
           << " could not be read completely (" << loaded.message()
           << "); every setting takes its default\n";
  }
  return settings;
}

// The stored settings with the command's overrides on top.
Result<TSetting> EffectiveSettings(const Store& store, const std::vector<std::string>& overrides,
                                   const StampCommandIo& io) {
  TSetting settings = StoredSettings(store, io);
  for (const std::string& assignment : overrides) {
    const Status applied = ApplySettingOverride(settings, assignment);
    if (!applied.ok()) return applied;
  }
  ClampSetting(settings);
  return settings;
}

// Writes the options as closing the main window does; of the window's own values, only those
// missing are added, so the GUI finds its position and file names as it left them.
int SaveToStore(const Store& store, const TSetting& settings, const StampCommandIo& io) {
  if (store.name.empty()) {
    io.err << "zelvora-stamp: the settings cannot be saved: no home folder is known "
              "(ZELVORA_REGISTRY can name the store)\n";
    return kExitAborted;
  }
  const std::unique_ptr<RegistryStore> writer = OpenUserSettingsStore(/*read_only=*/false);
  Status saved = AddMissingExitState(*writer);
  if (saved.ok()) saved = SaveOptions(*writer, settings);
  if (!saved.ok()) {
    io.err << "zelvora-stamp: the settings could not be saved to " << store.name << ": "
           << saved.message() << "\n";
    return kExitAborted;
  }
  return kExitFinished;
}

void ShowSettings(const Store& store, const TSetting& settings, const StampCommandIo& io) {
  io.out << "# settings store: "
         << (store.name.empty() ? "none, no home folder is known" : store.name)
         << (store.exists || store.name.empty() ? "" : " (not there yet: the defaults)") << '\n';
  for (const std::string& text : DescribeSettings(settings)) io.out << text << '\n';
}

int Stamp(const CommandLine& line, TSetting& live, const StampCommandIo& io) {
  if (line.file->empty()) {
    io.err << kNoFileNameMessage << '\n';
    return kExitUsage;
  }
  const auto named = FileSystemOf(io).Stat(*line.file);
  if (named.ok() && named->kind == FileKind::kFolder) {
    return UsageError(io, "\"" + *line.file + "\" is a folder; name a page in it, such as \"" +
                              JoinPath(*line.file, "index.htm") + "\"");
  }
  // A question needs someone to read it (stderr) and to answer it (stdin).
  const bool can_ask = io.input_is_terminal && io.error_is_terminal;
  TerminalHost host(io.in, io.out, io.err, can_ask, io.error_is_terminal);
  RunSession session(live, host, FileSystemOf(io));
  session.log().SetObserver([&host](const std::string& entry) { host.EchoLogEntry(entry); });
  session.context().dry_run = line.dry_run || line.check;
  host.WatchInterrupts(session.context().state);
  const RunOutcome outcome = session.Run(*line.file);
  if (outcome != RunOutcome::kFinished) return kExitAborted;
  return line.check && host.would_write_count() > 0 ? kExitWouldWrite : kExitFinished;
}

}  // namespace

int RunStampCommand(const std::vector<std::string>& args, const StampCommandIo& io) {
  const auto line = ParseCommandLine(args);
  if (!line.ok()) return UsageError(io, line.status().message());
  if (line->show_help) {
    io.out << StampHelpText({UserSettingsStoreName(), LogFileName()});
    return kExitFinished;
  }
  if (line->show_version) {
    io.out << "zelvora-stamp " << ZELVORA_VERSION << '\n';
    return kExitFinished;
  }
  Store store = FindStore();
  auto settings = EffectiveSettings(store, line->overrides, io);
  if (!settings.ok()) return UsageError(io, settings.status().message());
  if (line->save_settings) {
    const int saved = SaveToStore(store, *settings, io);
    if (saved != kExitFinished) return saved;
    store.exists = true;
  }
  if (line->show_settings) ShowSettings(store, *settings, io);
  if (line->show_settings || line->save_settings) return kExitFinished;
  TSetting& live = LiveSettings();
  live = std::move(settings).value();
  return Stamp(*line, live, io);
}

}  // namespace zelvora
