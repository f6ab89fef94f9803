// Runs a long piece of work off the user-interface thread while the window stays alive.
//
// The work runs on a worker thread. Meanwhile the calling thread keeps serving the window system
// (paint and expose events, so the busy colour stays on screen), shows the busy cursor and holds
// back user input: clicks and keys that arrive are queued and handled after the work is done, as
// if the calculation had run inside the click. The call returns the work's result, or rethrows
// its exception.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <exception>
#include <optional>
#include <thread>
#include <type_traits>

namespace nurlo {

template <class Work>
std::invoke_result_t<Work&> runKeepingWindowAlive(Work&& work) {
    using Result = std::invoke_result_t<Work&>;
    std::optional<Result> result;
    std::exception_ptr error;
    QEventLoop loop;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::thread worker([&] {
        try {
            result.emplace(work());
        } catch (...) {
            error = std::current_exception();
        }
        // Posted to the loop, so it is handled even when the work ends before exec() starts.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    if (error) {
        std::rethrow_exception(error);
    }
    return std::move(*result);
}

}  // namespace nurlo
