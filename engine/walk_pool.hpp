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
// `parallelForInOrder(count, task, deliver)` runs the tasks the same way and also hands each
// finished index to deliver(index) on the calling thread, in index order, as soon as it and every
// index before it are done: whoever watches sees the first results while the later tasks still
// run. The calling thread delivers between the tasks it runs itself and, once no task is left to
// take, waits for the next index in order. An error stops such a call at the index where it
// happened: the tasks not yet begun are left out.
//
// Waiting is a short spin, then a block on a condition variable. A thread that blocks can take
// a couple of milliseconds to run again (measured on a virtual machine), as long as a chunk of
// walks; so an idle worker watches for the next job for a few milliseconds before it sleeps,
// which catches the next estimate of a section line, and the caller likewise watches for the
// last worker to finish. After the last estimate the workers sleep.
//
// One call runs at a time: concurrent calls from several threads wait for each other, and a task
// must not call parallelFor on the pool that runs it. A call allocates nothing, except what
// capturing an exception needs and, for an in-order call of more than 512 tasks, room for their
// marks.
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
        run(count, callOf(task), {});
    }

    // Calls task(index) for index = 0..count-1 as parallelFor does, and deliver(index) on the
    // calling thread for index = 0, 1, ... in order, each once task(index) has finished; returns
    // when every index has been delivered. A task that throws is not delivered: its exception is
    // raised when the delivery reaches its index. When that happens, or deliver throws, the tasks
    // not yet begun are not run, the call waits for those running and rethrows.
    template <class Task, class Deliver>
    void parallelForInOrder(int count, Task&& task, Deliver&& deliver) {
        run(count, callOf(task), callOf(deliver));
    }

private:
    // A callable object behind a pointer, called with an index.
    struct Call {
        void* callable = nullptr;
        void (*trampoline)(void*, int) = nullptr;
        void operator()(int index) const { trampoline(callable, index); }
    };
    template <class F>
    static Call callOf(F& f) {
        using Callable = std::remove_reference_t<F>;
        return {const_cast<void*>(static_cast<const void*>(std::addressof(f))),
                [](void* callable, int index) { (*static_cast<Callable*>(callable))(index); }};
    }

    // Runs `task` on every index; with a `deliver`, delivering in order on the calling thread.
    void run(int count, Call task, Call deliver);
    // The calling thread's part of a job that delivers: runs tasks and delivers in order.
    void runAndDeliver(Call deliver);
    // Takes indexes from the shared counter and runs them until none is left.
    void work() noexcept;
    // Runs the task of one index, keeping its error and marking it finished.
    void runTask(int index) noexcept;
    // Waits until the task of `index` has finished.
    void waitFinished(int index);
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
    Call task_;
    int count_ = 0;
    bool inOrder_ = false;  // the tasks mark themselves finished in finished_
    std::atomic<int> nextIndex_{0};

    // For a job that delivers in order: which tasks have finished (index by index, 0 or 1), and
    // the index the calling thread is blocked waiting for (-1: none), so that the task of that
    // index wakes it. The room made with the pool holds the chunks of the largest estimate.
    static constexpr int kMarksAtStart = 512;
    std::unique_ptr<std::atomic<int>[]> finished_;
    int finishedRoom_ = 0;
    std::atomic<int> waitingFor_{-1};

    // The exception of the lowest index that threw; written under mutex_, and before the task
    // that threw is marked finished.
    std::atomic<int> errorIndex_{0};
    std::exception_ptr error_;
};

}  // namespace nurlo
