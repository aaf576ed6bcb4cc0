// Loading the settings, the progress offset and the main window's exit state from the
// settings store when the main window is created, and saving them when it is closed.
//
// Store layout, below HKEY_CURRENT_USER:
//   \Software\MORVID\Zelvora\ExitState   MWLeft, MWTop, WriteFName, FileSelFolder, PWLeft, PWTop
//   \Software\MORVID\Zelvora\Preference  one value per TSetting field, named as the field; the
//                                         list as AvoidList0, AvoidList1, ...
// Switches and numbers are REG_DWORD (switches 1 or 0, any non-zero reads as true; the 8-bit
// fields sign-extended), texts REG_SZ.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry_store.h"
#include "platform/status.h"
#include "settings/placement.h"
#include "settings/setting.h"

namespace zelvora {

inline constexpr char kProgramKey[] = "\\Software\\MORVID\\Zelvora";
inline constexpr char kExitStateKey[] = "\\Software\\MORVID\\Zelvora\\ExitState";
inline constexpr char kPreferenceKey[] = "\\Software\\MORVID\\Zelvora\\Preference";

// What the main window leaves behind when it closes, exchanged as values: the main window
// applies what LoadSettings sets and supplies what SaveSettings writes.
struct ExitState {
  int32_t MWLeft = 0;         // main window left, screen pixels
  int32_t MWTop = 0;          // main window top, screen pixels
  std::string WriteFName;     // text of the file name box
  std::string FileSelFolder;  // initial folder of the main window's file selection dialog
  bool operator==(const ExitState&) const = default;
};

// The progress dialog's position relative to the main window (its left and top minus the
// main window's); 0 and 22 until loaded.
struct ProgressOffset {
  int32_t PWLeft = 0;
  int32_t PWTop = 22;
  bool operator==(const ProgressOffset&) const = default;
};

// Reads the exit state, the progress offset and then the options from `store`, creating the
// keys it opens. A missing text reads as empty; any other failure (a missing number or
// switch, a value of the wrong type, a store that cannot be read) ends the reading there and
// applies the fallback: main window at 0, 0, file dialog folder FirstFileDialogFolder(), `setting`
// replaced by the defaults; the file name and progress offset keep what was already read.
// The fields added after the store's first layout (SettingField::optional_in_store) are read
// last; one that is missing or of another type takes its default and never causes the fallback.
// `exit_state` and `progress_offset` hold the caller's current values on entry: whatever is
// not read stays. ClampSetting is applied to `setting` in every case.
// Returns the failure that caused the fallback: the fallback is already applied. When given,
// `failed_value` gets the name of the value whose reading failed, as its key's last name, a
// "\" and the value's name ("Preference\ErrCope", "ExitState\MWLeft"), or an empty text when
// nothing failed or the store itself could not be read.
Status LoadSettings(RegistryStore& store, TSetting& setting, ExitState& exit_state,
                    ProgressOffset& progress_offset, std::string* failed_value = nullptr);

// Writes the exit state, the progress offset and the options to `store`, stopping at the
// first failure; what was written before stays. `progress_dialog` is the progress dialog's
// position when the dialog has been created since the program started: the offset saved is
// then its position minus the main window's, otherwise `progress_offset` as held. After the
// list entries, stale AvoidListN values are deleted from N = list size up to the first N
// that does not exist. Returns the failure that stopped the writing, for diagnostics only.
Status SaveSettings(RegistryStore& store, const TSetting& setting, const ExitState& exit_state,
                    const ProgressOffset& progress_offset,
                    std::optional<WindowPosition> progress_dialog);

// Writes the options alone, as SaveSettings writes them after the exit state: the Preference
// values in declared order, then stale AvoidListN values deleted. Stops at the first failure,
// which it returns.
Status SaveOptions(RegistryStore& store, const TSetting& setting);

// Adds to `store` the exit-state values and the progress offset that it lacks, with the values
// of a first start (main window at 0, 0, no file name, the file dialog in FirstFileDialogFolder(),
// progress offset 0, 22), so that loading the store finds them. A value that exists, whatever
// its type, is left as it is. Stops at the first failure, which it returns.
Status AddMissingExitState(RegistryStore& store);

}  // namespace zelvora
