// The desktop program from start to end: its command line, its one main window and the
// window message loop.
//
//   zelvora [FILE]                       the main window, with FILE in the file name box
//   zelvora --run FILE [--abort-after MS]
//       for measurements and scripts: starts a stamp run on FILE at once, as the start
//       button does, and closes the window at its end. Nobody is asked: questions are
//       answered Cancel or Abort (so the run stops) and they and the messages go to
//       standard error, with "run: SECONDS s", the run's duration. --abort-after presses
//       the abort button MS milliseconds after the start and also prints "abort latency:
//       SECONDS s", from that moment to the run's summary. Exit status 0 when the run
//       finished, 1 when it was aborted, 2 for a usage error.
// Qt's own options for the window system (-platform offscreen, -style NAME, -reverse ...)
// are taken as Qt takes them, beside the program's.
#pragma once

#include <QStringList>

namespace zelvora::gui {

// `arguments` (the program's name first) without the options that Qt's GUI classes take for
// themselves, with their values: -platform, -platformpluginpath, -platformtheme, -plugin,
// -style, -stylesheet, -session, -display, -geometry, -title, -name, -qwindowgeometry,
// -qwindowtitle, -qwindowicon (each also with "--" and as "-option=value"), and -reverse,
// -widgetcount, -nograb, -dograb, -sync. An option that wants a value and stands last is
// dropped alone.
QStringList WithoutToolkitOptions(const QStringList& arguments);

// Runs the program with the process's arguments and returns its exit status.
int RunProgram(int& argc, char** argv);

}  // namespace zelvora::gui
