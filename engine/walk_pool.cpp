#include "walk_pool.hpp"

#include <system_error>

namespace nurlo {

int WalkPool::defaultThreadCount() noexcept {
    const unsigned hardware = std::thread::hardware_concurrency();
    if (hardware < 1) {
        return 1;
    }
    return hardware > 1024 ? 1024 : static_cast<int>(hardware);
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
        stopping_ = true;
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
    {
        const std::lock_guard lock(mutex_);
        callable_ = callable;
        trampoline_ = trampoline;
        count_ = count;
        nextIndex_.store(0, std::memory_order_relaxed);
        error_ = nullptr;
        errorIndex_ = count;
        busyWorkers_ = static_cast<int>(workers_.size());
        ++generation_;
    }
    wake_.notify_all();

    work();

    std::exception_ptr error;
    {
        // Every worker takes part in every job, if only to find the counter exhausted; waiting
        // for all of them keeps the job's fields and the caller's task alive while any may read
        // them, and makes every task's writes visible here.
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return busyWorkers_ == 0; });
        callable_ = nullptr;
        trampoline_ = nullptr;
        error = std::move(error_);
        error_ = nullptr;
    }
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
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) {
                return;
            }
            seen = generation_;
        }
        work();
        bool last = false;
        {
            const std::lock_guard lock(mutex_);
            last = --busyWorkers_ == 0;
        }
        if (last) {
            done_.notify_one();
        }
    }
}

}  // namespace nurlo
