#include "cli/usage_places.h"

namespace zelvora {
namespace {

constexpr HelpEntry kEnvironment[] = {
    {"ZELVORA_REGISTRY", "the settings store to use instead of the usual one."},
    {"XDG_CONFIG_HOME", "the folder that holds the usual settings store (~/.config when unset)."},
    {"ZELVORA_PROGRAM_DIR",
     "the program folder, which holds the log file, instead of the folder of the program."},
    {"XDG_STATE_HOME",
     "the folder that holds the log file when the program folder may not be written "
     "(~/.local/state when unset)."},
};

constexpr HelpFile kFiles[] = {
    {"settings store", "${XDG_CONFIG_HOME:-~/.config}/MORVID/registry.reg",
     "The settings store, a text file in the registry export format (UTF-8), unless "
     "$ZELVORA_REGISTRY names another file. The options are the values of "
     "[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]. When the file is missing every "
     "setting takes its default; when a value in it is missing or unreadable, too, and a "
     "warning names the store and the value."},
    {"log file", "${XDG_STATE_HOME:-~/.local/state}/zelvora/Zelvora.log",
     "The log of the runs. It lies in the program folder (the folder of zelvora-stamp, or "
     "$ZELVORA_PROGRAM_DIR) when that may be written, as in a copy of the program in your own "
     "folder; an installed program's users have theirs in this state folder. In Shift_JIS "
     "(CP932), cut to the newest MaxLog / 2 entries at the end of each run. Not written with "
     "Log=0 or --dry-run."},
};

}  // namespace

std::span<const HelpEntry> EnvironmentHelp() { return kEnvironment; }

std::span<const HelpFile> FileHelp() { return kFiles; }

}  // namespace zelvora
