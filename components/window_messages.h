// The messages the program's windows send each other. A message is delivered at once, as a
// direct call of the receiver's HandleMessage, with no parameters; the numbers are those of
// the program's documentation.
#pragma once

namespace zelvora::gui {

inline constexpr int kWmUser = 1024;
// settings dialog -> main window: take over the dialog's working copy of the settings.
inline constexpr int kWmSettingsChanged = kWmUser;
// file selection component -> its owner: a file was chosen.
inline constexpr int kWmFileChosen = kWmUser + 1;
// the run -> progress dialog: refresh the gauges.
inline constexpr int kWmRefreshGauges = kWmUser + 2;
// the run -> progress dialog: the current file changed.
inline constexpr int kWmCurrentFileChanged = kWmUser + 3;

}  // namespace zelvora::gui
