#include "walk_pool.hpp"

#include <chrono>

#if defined(__linux__)
#include <sched.h>
#endif

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace nurlo {
namespace {

// How long a waiting thread watches before it blocks: longer than the wake-up delay of a blocked
// thread, so that blocking costs at most a fraction of the wait.
constexpr std::chrono::milliseconds kSpin{5};

// Calls `done` until it holds or the spin time is over; whether it held.
template <class Done>
bool spinUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + kSpin;
    for (;;) {
        for (int k = 0; k < 64; ++k) {
            if (done()) {
                return true;
            }
#if defined(__x86_64__) || defined(__i386__)
            _mm_pause();
#endif
        }
        // Lets other threads run where there are more threads than cores.
        std::this_thread::yield();
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
    }
}

}  // namespace

int WalkPool::defaultThreadCount() noexcept {
    // The processors this process may run on (a `taskset` or a container may allow fewer than
    // the machine has), else the machine's count.
    int count = 0;
#if defined(__linux__)
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        count = CPU_COUNT(&allowed);
    }
#endif
    if (count < 1) {
        count = static_cast<int>(std::thread::hardware_concurrency());
    }
    return count < 1 ? 1 : count > 1024 ? 1024 : count;
}

WalkPool::WalkPool(int threads)
    : finished_(std::make_unique<std::atomic<int>[]>(kMarksAtStart)), finishedRoom_(kMarksAtStart) {
    const int workers = threads > 1 ? threads - 1 : 0;
    workers_.reserve(static_cast<std::size_t>(workers));
    try {
        for (int k = 0; k < workers; ++k) {
            workers_.emplace_back([this] { workerLoop(); });
        }
    } catch (...) {
        // The destructor will not run: end the threads already started.
        stopWorkers();
        throw;
    }
}

WalkPool::~WalkPool() { stopWorkers(); }

void WalkPool::stopWorkers() noexcept {
    {
        const std::lock_guard lock(mutex_);
        stopping_.store(true, std::memory_order_release);
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
}

void WalkPool::run(int count, Call task, Call deliver) {
    if (count <= 0) {
        return;
    }
    const bool inOrder = deliver.trampoline != nullptr;
    const std::lock_guard call(callMutex_);
    if (workers_.empty() || count == 1) {
        // Nothing to share: the caller runs the tasks in order. Delivering, the first error stops
        // the call; otherwise the first error is the one of the lowest index.
        std::exception_ptr error;
        for (int index = 0; index < count; ++index) {
            if (inOrder) {
                task(index);
                deliver(index);
                continue;
            }
            try {
                task(index);
            } catch (...) {
                if (!error) {
                    error = std::current_exception();
                }
            }
        }
        if (error) {
            std::rethrow_exception(error);
        }
        return;
    }
    if (inOrder && finishedRoom_ < count) {
        finished_ = std::make_unique<std::atomic<int>[]>(static_cast<std::size_t>(count));
        finishedRoom_ = count;
    }
    {
        const std::lock_guard lock(mutex_);
        task_ = task;
        count_ = count;
        inOrder_ = inOrder;
        if (inOrder) {
            for (int index = 0; index < count; ++index) {
                finished_[static_cast<std::size_t>(index)].store(0, std::memory_order_relaxed);
            }
        }
        nextIndex_.store(0, std::memory_order_relaxed);
        error_ = nullptr;
        errorIndex_.store(count, std::memory_order_relaxed);
        busyWorkers_.store(static_cast<int>(workers_.size()), std::memory_order_relaxed);
        // Publishes the job: a worker that sees the new generation sees the fields above.
        generation_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_all();

    std::exception_ptr deliveryError;
    if (inOrder) {
        try {
            runAndDeliver(deliver);
        } catch (...) {
            deliveryError = std::current_exception();
            // The tasks not yet begun are not run: the counter is past the end for every thread.
            nextIndex_.store(count, std::memory_order_relaxed);
        }
    } else {
        work();
    }

    // Every worker takes part in every job, if only to find the counter exhausted; waiting for
    // all of them keeps the job's fields and the caller's task alive while any may read them,
    // and makes every task's writes visible here.
    const auto allLeft = [this] { return busyWorkers_.load(std::memory_order_acquire) == 0; };
    std::unique_lock lock(mutex_);
    if (!allLeft()) {
        lock.unlock();
        if (!spinUntil(allLeft)) {
            lock.lock();
            done_.wait(lock, allLeft);
            lock.unlock();
        }
        lock.lock();
    }
    task_ = {};
    // A call that delivers has raised any error of a task it reached; those of the tasks after
    // an error are not wanted.
    std::exception_ptr error = inOrder ? std::move(deliveryError) : std::move(error_);
    error_ = nullptr;
    lock.unlock();
    if (error) {
        std::rethrow_exception(error);
    }
}

void WalkPool::runAndDeliver(Call deliver) {
    const int count = count_;
    int next = 0;  // the next index to deliver
    for (;;) {
        while (next < count &&
               finished_[static_cast<std::size_t>(next)].load(std::memory_order_acquire) != 0) {
            // Every index below `next` was delivered without error, so only the task of `next`
            // itself can have left its error here.
            if (errorIndex_.load(std::memory_order_relaxed) == next) {
                std::exception_ptr error;
                {
                    const std::lock_guard lock(mutex_);
                    error = error_;
                }
                std::rethrow_exception(error);
            }
            deliver(next++);
        }
        if (next == count) {
            return;
        }
        const int index = nextIndex_.fetch_add(1, std::memory_order_relaxed);
        if (index < count) {
            runTask(index);
        } else {
            waitFinished(next);
        }
    }
}

void WalkPool::waitFinished(int index) {
    std::atomic<int>& finished = finished_[static_cast<std::size_t>(index)];
    const auto done = [&finished] { return finished.load(std::memory_order_seq_cst) != 0; };
    if (spinUntil(done)) {
        return;
    }
    // The task marks itself finished and then reads waitingFor_; this thread writes waitingFor_
    // and then reads the mark, both in one total order: one of the two sees the other's write.
    std::unique_lock lock(mutex_);
    waitingFor_.store(index, std::memory_order_seq_cst);
    done_.wait(lock, done);
    waitingFor_.store(-1, std::memory_order_relaxed);
}

void WalkPool::work() noexcept {
    for (;;) {
        const int index = nextIndex_.fetch_add(1, std::memory_order_relaxed);
        if (index >= count_) {
            return;
        }
        runTask(index);
    }
}

void WalkPool::runTask(int index) noexcept {
    try {
        task_(index);
    } catch (...) {
        const std::lock_guard lock(mutex_);
        if (index < errorIndex_.load(std::memory_order_relaxed)) {
            errorIndex_.store(index, std::memory_order_relaxed);
            error_ = std::current_exception();
        }
    }
    if (inOrder_) {
        finished_[static_cast<std::size_t>(index)].store(1, std::memory_order_seq_cst);
        if (waitingFor_.load(std::memory_order_seq_cst) == index) {
            // Under the lock, so that the caller is either not yet checking or already blocked.
            const std::lock_guard lock(mutex_);
            done_.notify_one();
        }
    }
}

void WalkPool::workerLoop() noexcept {
    std::uint64_t seen = 0;
    for (;;) {
        const auto called = [&] {
            return stopping_.load(std::memory_order_acquire) ||
                   generation_.load(std::memory_order_acquire) != seen;
        };
        if (!spinUntil(called)) {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, called);
        }
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        seen = generation_.load(std::memory_order_acquire);
        work();
        // The last worker to leave wakes the caller, under the lock so that a caller about to
        // block cannot miss it.
        if (busyWorkers_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            const std::lock_guard lock(mutex_);
            done_.notify_one();
        }
    }
}

}  // namespace nurlo
