// Requests to the desktop's shell (open a file, the log, a web page; start the browser on the
// help) wait for helper programs such as xdg-mime and xdg-open: tenths of a second, seconds
// when a desktop is slow or a program hangs. The windows must not freeze meanwhile, and a
// click must not be lost, so each request runs on a thread of its own and its outcome comes
// back to the window thread, where the caller's continuation reports it (a status text, a
// failure box).
//
//   requests.Start([&shell, address] { return shell.Open(address).ok(); },
//                  [this](bool opened) { if (!opened) ShowFailureBox(); });
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <thread>

namespace zelvora::gui {

class ShellRequests {
 public:
  ShellRequests() = default;
  // Waits for the requests still running; their continuations do not run.
  ~ShellRequests();
  ShellRequests(const ShellRequests&) = delete;
  ShellRequests& operator=(const ShellRequests&) = delete;

  // Runs `request` on a thread of its own and returns at once; `done` (may be empty) then
  // runs on the thread that made this object, with the request's result, at the next turn of
  // its event loop. `request` must only touch what is safe to use from another thread and
  // outlives this object's destruction.
  void Start(std::function<bool()> request, std::function<void(bool)> done);

  // How many requests have not handed back their result yet.
  int Pending() const { return static_cast<int>(threads_.size()); }

 private:
  // Joins the finished thread `id` and runs `done`.
  void Finish(int id, bool result, const std::function<void(bool)>& done);

  // The results are delivered as events to this object, which lives on the window thread
  // and goes after the threads are joined, dropping what was not delivered.
  QObject receiver_;
  std::map<int, std::thread> threads_;
  int next_id_ = 0;
};

}  // namespace zelvora::gui
