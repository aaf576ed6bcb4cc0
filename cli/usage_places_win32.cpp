#include "cli/usage_places.h"

namespace zelvora {
namespace {

constexpr HelpEntry kEnvironment[] = {
    {"ZELVORA_REGISTRY",
     "a file to keep the settings in instead of the registry, for a copy of the program that "
     "travels (a USB stick)."},
    {"ZELVORA_PROGRAM_DIR",
     "the program folder, which holds the log file, instead of the folder of the program."},
    {"LOCALAPPDATA",
     "the folder whose Zelvora folder holds the log file when the program folder may not be "
     "written."},
};

constexpr HelpFile kFiles[] = {
    {"settings store", "HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora",
     "The settings, in the registry, unless %ZELVORA_REGISTRY% names a file in the registry "
     "editor's export format. The options are the values of the key's Preference subkey. When "
     "they are missing every setting takes its default; when a value is missing or "
     "unreadable, too, and a warning names the store and the value."},
    {"log file", "%LOCALAPPDATA%\\Zelvora\\Zelvora.log",
     "The log of the runs. It lies in the program folder (the folder of zelvora-stamp.exe, or "
     "%ZELVORA_PROGRAM_DIR%) when that may be written, as in a copy of the program in your own "
     "folder or on a USB stick; otherwise in %LOCALAPPDATA%\\Zelvora. In Shift_JIS (CP932) with "
     "CR LF, cut to the newest MaxLog / 2 entries at the end of each run. Not written with "
     "Log=0 or --dry-run."},
};

}  // namespace

std::span<const HelpEntry> EnvironmentHelp() { return kEnvironment; }

std::span<const HelpFile> FileHelp() { return kFiles; }

}  // namespace zelvora
