#include "gui/app/shell_requests.h"

#include <QMetaObject>
#include <utility>

namespace zelvora::gui {

ShellRequests::~ShellRequests() {
  for (auto& [id, thread] : threads_) thread.join();
}

void ShellRequests::Start(std::function<bool()> request, std::function<void(bool)> done) {
  const int id = next_id_++;
  threads_.emplace(
      id, std::thread([this, id, request = std::move(request), done = std::move(done)]() mutable {
        const bool result = request();
        // Queued to the receiver's thread; dropped when the receiver is gone by then.
        QMetaObject::invokeMethod(
            &receiver_, [this, id, result, done = std::move(done)] { Finish(id, result, done); },
            Qt::QueuedConnection);
      }));
}

void ShellRequests::Finish(int id, bool result, const std::function<void(bool)>& done) {
  const auto finished = threads_.find(id);
  if (finished != threads_.end()) {
    finished->second.join();  // it has posted its result and is ending
    threads_.erase(finished);
  }
  if (done) done(result);
}

}  // namespace zelvora::gui
