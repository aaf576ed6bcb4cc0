// Window messages between the program's windows. A message is delivered synchronously: the
// sender calls the receiver's HandleMessage directly. The numbers are the program's own and
// stay as they are.
#pragma once

namespace zelvora::gui {

// The first message number of the program's own (the window system's first user number).
inline constexpr unsigned kFirstUserMessage = 1024;
// The settings dialog's OK or Apply accepted new settings.
inline constexpr unsigned kMessageSettingsChanged = kFirstUserMessage;
// A file selection component's user confirmed a file; its FileName holds it.
inline constexpr unsigned kMessageFileChosen = kFirstUserMessage + 1;
// The run asks the progress dialog to refresh its gauges.
inline constexpr unsigned kMessageRefreshGauges = kFirstUserMessage + 2;
// The run's current file changed.
inline constexpr unsigned kMessageCurrentFileChanged = kFirstUserMessage + 3;

// A window that receives the program's messages.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  // Called on the GUI thread by the sender; returns when the message is handled.
  virtual void HandleMessage(unsigned message) = 0;
};

}  // namespace zelvora::gui
