#include "busy_run.hpp"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <thread>

namespace nurlo {
namespace {

// How often the progress is shown.
constexpr int kTickMilliseconds = 250;

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void runKeepingWindowAlive(const std::function<void()>& work, HeldInput& held,
                           const std::function<void()>& tick) {
    std::exception_ptr error;
    QEventLoop loop;
    QTimer ticks;
    ticks.setInterval(kTickMilliseconds);
    QObject::connect(&ticks, &QTimer::timeout, &loop, [&tick] { tick(); });
    const BusyCursor cursor;
    const HeldInput::Holding holding(held);
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        // Posted to the loop, so it is handled even when the work ends before exec() starts.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    ticks.start();
    loop.exec();
    worker.join();
    ticks.stop();
    tick();
    if (error) {
        std::rethrow_exception(error);
    }
}

}  // namespace nurlo
