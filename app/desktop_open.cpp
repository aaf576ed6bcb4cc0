#include "app/desktop_open.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

namespace zelvora::gui {

bool OpenWithDesktop(const std::string& file_name) {
  auto* opener = new QProcess(QCoreApplication::instance());
  opener->setProcessChannelMode(QProcess::ForwardedChannels);
  opener->setStandardInputFile(QProcess::nullDevice());
  opener->start(QStringLiteral("xdg-open"), {QString::fromStdString(file_name)});
  if (!opener->waitForStarted()) {
    delete opener;
    return false;
  }
  const QDeadlineTimer patience(3000);
  while (opener->state() != QProcess::NotRunning && !patience.hasExpired()) {
    opener->waitForFinished(30);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  if (opener->state() != QProcess::NotRunning) {
    // Still running with the file it opened: the process object lives until it ends.
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    return true;
  }
  const bool accepted = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
  delete opener;
  return accepted;
}

}  // namespace zelvora::gui
