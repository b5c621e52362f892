#include "QtScheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <string>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Calls due at once run in the order asked, in a later pass of the event
// loop (never inside the call that asked), and a cancelled one never runs,
// whether it waits for a timer or is due at once.
TEST(QtScheduler, RunsCallsInTurnAndNeverACancelledOne) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtScheduler sched;
    std::string ran;
    sched.after(0.03, [&] { ran += "t"; });
    const Scheduler::Id lateCancelled = sched.after(0.01, [&] { ran += "x"; });
    sched.after(0, [&] {
        ran += "a";
        sched.after(0, [&] { ran += "c"; }); // after b, which was asked first
        EXPECT_EQ(ran, "a");
    });
    sched.after(0, [&] { ran += "b"; });
    const Scheduler::Id nowCancelled = sched.after(0, [&] { ran += "y"; });
    sched.cancel(nowCancelled);
    sched.cancel(lateCancelled);
    EXPECT_EQ(ran, "");

    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(ran, "abct");
    sched.cancel(nowCancelled); // cancelling what is gone does nothing
}

} // namespace
} // namespace kv
