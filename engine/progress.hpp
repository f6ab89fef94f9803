// How far a long calculation has got, and the request to stop it.
//
// The threads that do the work add the units they finish (the walks of an estimate, the abscissa
// indexes of a fill); the thread that shows the progress reads the count a few times a second and
// may ask the work to stop. Work looks at that request between its units (and a lattice walk every
// few tens of thousands of steps) and then raises Interrupted, which unwinds the calculation like a
// run-time error but is none: nothing went wrong.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>

namespace nurlo {

// Raised by work that stops because it was asked to.
class Interrupted : public std::exception {
public:
    const char* what() const noexcept override { return "calculation interrupted"; }
};

// What a calculation is doing.
enum class Stage {
    Idle,   // nothing yet
    Fill,   // filling the grid, one unit per abscissa index i
    Walks,  // running the walks, one unit per walk
    Exact,  // solving for the exact discrete solution, in hundredths of the solve
};

class Progress {
public:
    // Begins a stage of `units` units of work: its count of finished units starts at 0.
    void begin(Stage stage, std::int64_t units) noexcept {
        done_.store(0, std::memory_order_relaxed);
        total_.store(units, std::memory_order_relaxed);
        stage_.store(stage, std::memory_order_release);
    }
    // `units` more units of the current stage are finished. Callable from any thread.
    void advance(std::int64_t units) noexcept { done_.fetch_add(units, std::memory_order_relaxed); }

    Stage stage() const noexcept { return stage_.load(std::memory_order_acquire); }
    std::int64_t done() const noexcept { return done_.load(std::memory_order_relaxed); }
    std::int64_t total() const noexcept { return total_.load(std::memory_order_relaxed); }

    // Asks the work to stop at its next look. Callable from any thread.
    void requestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }
    bool stopRequested() const noexcept { return stop_.load(std::memory_order_relaxed); }
    // Raises Interrupted once a stop has been requested.
    void throwIfStopRequested() const {
        if (stopRequested()) [[unlikely]] {
            throw Interrupted();
        }
    }

private:
    std::atomic<Stage> stage_{Stage::Idle};
    std::atomic<std::int64_t> done_{0};
    std::atomic<std::int64_t> total_{0};
    std::atomic<bool> stop_{false};
};

}  // namespace nurlo
