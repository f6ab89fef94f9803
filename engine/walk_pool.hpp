// A small persistent pool of threads that runs the chunks of an estimate.
//
// The pool has one job: `parallelFor(count, task)` calls task(0), ..., task(count - 1), each
// exactly once, on the pool's worker threads and on the calling thread, and returns when all have
// finished. The indexes are handed out one at a time from a shared counter, so a slow task does
// not hold up the others. The threads are started once, by the constructor, and wait between
// calls; the program owns one pool and passes it to whoever needs it, so a line of estimates
// costs no thread creation.
//
// A task that throws does not stop the others: every index still runs, and when all are done the
// exception of the lowest index that threw is rethrown on the calling thread. Which error the
// caller sees is therefore the same whatever the scheduling.
//
// Waiting is a short spin, then a block on a condition variable. A thread that blocks can take
// a couple of milliseconds to run again (measured on a virtual machine), as long as a chunk of
// walks; so an idle worker watches for the next job for a few milliseconds before it sleeps,
// which catches the next estimate of a section line, and the caller likewise watches for the
// last worker to finish. After the last estimate the workers sleep.
//
// One call runs at a time: concurrent calls from several threads wait for each other, and a task
// must not call parallelFor on the pool that runs it. A call allocates nothing, except what
// capturing an exception needs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace nurlo {

class WalkPool {
public:
    // The number of hardware threads this process may run on, at least 1.
    static int defaultThreadCount() noexcept;

    // A pool that runs tasks on `threads` threads in all, the calling thread included; a count
    // below 1 means 1 (no worker: every task runs on the caller).
    explicit WalkPool(int threads = defaultThreadCount());
    ~WalkPool();

    WalkPool(const WalkPool&) = delete;
    WalkPool& operator=(const WalkPool&) = delete;

    // The threads that run tasks, the calling thread included.
    int threadCount() const noexcept { return static_cast<int>(workers_.size()) + 1; }

    // Calls task(index) for index = 0..count-1 and returns when every call has finished; a count
    // of 0 or less calls nothing. `task` is called concurrently from several threads.
    template <class Task>
    void parallelFor(int count, Task&& task) {
        using Callable = std::remove_reference_t<Task>;
        run(count, const_cast<void*>(static_cast<const void*>(std::addressof(task))),
            [](void* callable, int index) { (*static_cast<Callable*>(callable))(index); });
    }

private:
    using Trampoline = void (*)(void*, int);

    void run(int count, void* callable, Trampoline trampoline);
    // Takes indexes from the shared counter and runs them until none is left.
    void work() noexcept;
    void workerLoop() noexcept;
    void stopWorkers() noexcept;

    std::vector<std::thread> workers_;

    std::mutex callMutex_;  // one call at a time

    // generation_ and stopping_ change only under mutex_, so that a blocked thread cannot miss
    // them; they are atomic so that a spinning thread can watch them without the lock.
    std::mutex mutex_;
    std::condition_variable wake_;              // a new job, or the end
    std::condition_variable done_;              // the last worker has left the job
    std::atomic<std::uint64_t> generation_{0};  // counts the jobs; a worker runs each one once
    std::atomic<bool> stopping_{false};
    std::atomic<int> busyWorkers_{0};  // workers that have not yet left the current job

    // The current job, written under mutex_ before generation_ moves on.
    void* callable_ = nullptr;
    Trampoline trampoline_ = nullptr;
    int count_ = 0;
    std::atomic<int> nextIndex_{0};

    // The exception of the lowest index that threw, under mutex_.
    int errorIndex_ = 0;
    std::exception_ptr error_;
};

}  // namespace nurlo
