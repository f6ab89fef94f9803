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

WalkPool::WalkPool(int threads) {
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

void WalkPool::run(int count, void* callable, Trampoline trampoline) {
    if (count <= 0) {
        return;
    }
    const std::lock_guard call(callMutex_);
    if (workers_.empty() || count == 1) {
        // Nothing to share: the caller runs the tasks in order, and the first error is the one
        // of the lowest index.
        std::exception_ptr error;
        for (int index = 0; index < count; ++index) {
            try {
                trampoline(callable, index);
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
    {
        const std::lock_guard lock(mutex_);
        callable_ = callable;
        trampoline_ = trampoline;
        count_ = count;
        nextIndex_.store(0, std::memory_order_relaxed);
        error_ = nullptr;
        errorIndex_ = count;
        busyWorkers_.store(static_cast<int>(workers_.size()), std::memory_order_relaxed);
        // Publishes the job: a worker that sees the new generation sees the fields above.
        generation_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_all();

    work();

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
    callable_ = nullptr;
    trampoline_ = nullptr;
    std::exception_ptr error = std::move(error_);
    error_ = nullptr;
    lock.unlock();
    if (error) {
        std::rethrow_exception(error);
    }
}

void WalkPool::work() noexcept {
    for (;;) {
        const int index = nextIndex_.fetch_add(1, std::memory_order_relaxed);
        if (index >= count_) {
            return;
        }
        try {
            trampoline_(callable_, index);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (index < errorIndex_) {
                errorIndex_ = index;
                error_ = std::current_exception();
            }
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
