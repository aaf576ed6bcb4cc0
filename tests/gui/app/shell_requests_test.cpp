#include "gui/app/shell_requests.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <QTimer>
#include <future>
#include <optional>

namespace zelvora::gui {
namespace {

TEST(ShellRequestsTest, TheWindowThreadTurnsWhileARequestWaitsAndGetsItsOutcomeAfter) {
  ShellRequests requests;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  QThread* request_thread = nullptr;
  std::optional<bool> outcome;
  QThread* outcome_thread = nullptr;
  requests.Start(
      [&] {
        request_thread = QThread::currentThread();
        released.wait();
        return true;
      },
      [&](bool result) {
        outcome = result;
        outcome_thread = QThread::currentThread();
      });
  EXPECT_EQ(requests.Pending(), 1);

  // A timer (as a click would) is served while the request is held.
  bool timer_served = false;
  QTimer::singleShot(0, [&] { timer_served = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return timer_served; }, 60000));
  EXPECT_FALSE(outcome.has_value());

  release.set_value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 60000));
  EXPECT_TRUE(*outcome);
  EXPECT_EQ(requests.Pending(), 0);
  EXPECT_NE(request_thread, QThread::currentThread());
  EXPECT_EQ(outcome_thread, QThread::currentThread());
}

TEST(ShellRequestsTest, GoingAwayWaitsForRunningRequestsAndDropsTheirOutcomes) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  bool finished = false;
  bool told = false;
  {
    ShellRequests requests;
    requests.Start(
        [&] {
          released.wait();
          finished = true;
          return false;
        },
        [&](bool) { told = true; });
    release.set_value();
  }
  EXPECT_TRUE(finished);
  QCoreApplication::processEvents();
  EXPECT_FALSE(told);
}

}  // namespace
}  // namespace zelvora::gui
