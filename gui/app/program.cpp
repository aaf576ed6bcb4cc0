#include "gui/app/program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "gui/app/japanese_ui.h"
#include "gui/app/main_window.h"
#include "gui/app/progress_dialog.h"
#include "gui/components/message_box.h"
#include "gui/components/program_icon.h"
#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"
#include "platform/file_system.h"
#include "platform/registry_store.h"
#include "records/run_log.h"

namespace zelvora::gui {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitFinished = 0;
constexpr int kExitAborted = 1;
constexpr int kExitUsage = 2;

struct Options {
  QString file;
  bool run = false;
  std::optional<int> abort_after_ms;
};

std::optional<Options> ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Writes last-updated dates into local HTML pages.\n\n"
      "--run starts a stamp run on FILE at once and closes the window at its end; nobody is\n"
      "asked: questions are answered Cancel or Abort and, with the messages, written to\n"
      "standard error with the run's duration. Exit status 0 finished, 1 aborted.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument("FILE", "the page to stamp, put in the file name box");
  const QCommandLineOption run("run", "stamp FILE at once, unattended, then quit");
  const QCommandLineOption abort_after(
      "abort-after", "with --run: press the abort button MS milliseconds after the start", "MS");
  parser.addOption(run);
  parser.addOption(abort_after);
  if (!parser.parse(WithoutToolkitOptions(arguments))) {
    std::fprintf(stderr, "zelvora: %s\n", qPrintable(parser.errorText()));
    return std::nullopt;
  }
  if (parser.isSet(help)) parser.showHelp(kExitFinished);  // both print and exit
  if (parser.isSet(version)) parser.showVersion();

  Options options;
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return std::nullopt;
  if (!files.isEmpty()) options.file = files.front();
  options.run = parser.isSet(run);
  if (parser.isSet(abort_after)) {
    bool number = false;
    const int ms = parser.value(abort_after).toInt(&number);
    if (!number || ms < 0 || !options.run) return std::nullopt;
    options.abort_after_ms = ms;
  }
  if (options.run && options.file.isEmpty()) return std::nullopt;
  return options;
}

// Qt's GUI options, without their dashes: those followed by a value, and switches.
const QStringList kToolkitOptionsWithValue = {"platform",      "platformpluginpath",
                                              "platformtheme", "plugin",
                                              "style",         "stylesheet",
                                              "session",       "display",
                                              "geometry",      "title",
                                              "name",          "qwindowgeometry",
                                              "qwindowtitle",  "qwindowicon"};
const QStringList kToolkitSwitches = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The unattended run of --run: started once the message loop turns, timed, and followed by
// the window's closing.
void StartUnattendedRun(TFormZELV& window, const Options& options, int& exit_status) {
  GuiRunHost& host = window.RunHostOfWindow();
  host.SetUnattended(&std::cerr);
  std::optional<Clock::time_point> pressed;
  std::optional<Clock::time_point> summary;
  host.SetMessageObserver([&summary](const std::string&) {
    if (!summary) summary = Clock::now();
  });
  const Clock::time_point start = Clock::now();
  if (options.abort_after_ms) {
    // The user presses the button at this moment; the run sees the press at its next round
    // of pending events.
    pressed = start + std::chrono::milliseconds(*options.abort_after_ms);
    QTimer::singleShot(*options.abort_after_ms, &window, [&window] {
      if (!window.Running()) return;
      auto* button = window.ProgressDialog().findChild<QPushButton*>("ButtonAbort");
      if (button != nullptr) button->click();
    });
  }
  window.MItemGoClick();
  const Clock::time_point end = Clock::now();
  std::fprintf(stderr, "run: %.3f s\n", SecondsBetween(start, end));
  if (pressed) {
    if (summary && *summary > *pressed) {
      std::fprintf(stderr, "abort latency: %.3f s\n", SecondsBetween(*pressed, *summary));
    } else {
      std::fprintf(stderr, "abort latency: none (the run ended before the press)\n");
    }
  }
  host.SetMessageObserver({});
  exit_status = window.LastOutcome() == RunOutcome::kFinished ? kExitFinished : kExitAborted;
  window.close();
}

// The window and its message loop until the window closes: the exit status.
int RunMainWindow(const Options& options) {
  // The registry on Windows (unless ZELVORA_REGISTRY names a file), the file store elsewhere.
  const std::unique_ptr<RegistryStore> store = OpenUserSettingsStore(/*read_only=*/false);
  const std::unique_ptr<DesktopShell> shell = SystemDesktopShell();
  const std::unique_ptr<BrowserConversation> conversation = SystemBrowserConversation();
  TFormZELV window(MainWindowServices{
      *store, LiveSettings(), RealFileSystem(), LogFileName(),
      [&shell](const std::string& file_name) { return shell->Open(file_name).ok(); }, *shell,
      *conversation});
  if (!options.file.isEmpty()) window.SetFileNameText(options.file);
  window.show();
  int exit_status = kExitFinished;
  if (options.run) {
    QTimer::singleShot(0, &window, [&] { StartUnattendedRun(window, options, exit_status); });
  }
  const int loop_status = QApplication::exec();
  return options.run ? exit_status : loop_status;
}

// Tells a failure that nothing else handled: on stderr, and in a box unless nobody is there to
// answer it (--run).
void ShowUnhandledFailure(const char* what, bool unattended) {
  std::fprintf(stderr, "zelvora: %s\n", what);
  if (unattended) return;
  ShowMessageBox(nullptr, QString::fromUtf8(what), BoxButtons::kOk, BoxIcon::kExclamation);
}

}  // namespace

QStringList WithoutToolkitOptions(const QStringList& arguments) {
  QStringList kept;
  bool only_files = false;  // after "--"
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (i == 0 || only_files || !argument.startsWith('-')) {
      kept.append(argument);
      continue;
    }
    if (argument == "--") {
      only_files = true;
      kept.append(argument);
      continue;
    }
    QString name = argument.mid(argument.startsWith("--") ? 2 : 1);
    const bool joined = name.contains('=');
    name = name.section('=', 0, 0);
    if (kToolkitOptionsWithValue.contains(name)) {
      if (!joined) ++i;  // the value follows
    } else if (!kToolkitSwitches.contains(name)) {
      kept.append(argument);
    }
  }
  return kept;
}

int RunProgram(int& argc, char** argv) {
  // The options are read before the window system is opened, so that --help, --version and a
  // usage error answer also where there is no display.
  std::optional<Options> options;
  {
    QCoreApplication reading(argc, argv);
    QCoreApplication::setApplicationName("zelvora");
    QCoreApplication::setApplicationVersion(ZELVORA_VERSION);
    options = ParseOptions(QCoreApplication::arguments());
  }
  if (!options) {
    std::fputs("usage: zelvora [FILE] | zelvora --run FILE [--abort-after MS]\n", stderr);
    return kExitUsage;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("zelvora");
  SetUpJapaneseUi(application);
  // Every window of the program shows the program's icon in its title bar and task switcher.
  QApplication::setWindowIcon(ProgramIcon());
  // A failure nothing else handled is told in a box, not by a silent abort; the settings are
  // not saved then, since the state they would come from is in doubt.
  try {
    return RunMainWindow(*options);
  } catch (const std::exception& failure) {
    ShowUnhandledFailure(failure.what(), options->run);
  } catch (...) {
    ShowUnhandledFailure("unexpected failure", options->run);
  }
  return kExitAborted;
}

}  // namespace zelvora::gui
