// What the walks of an estimate leave behind for whoever watches them: where each walk ended and
// with what value, and how the first few walks of a calculation went.
//
// The estimator fills a WalkRecorder only when its options carry one. Without it nothing is
// recorded and the walks are the same machine code as ever: a walk follows its path through a
// tracer given as a template argument, and the one it gets when nothing is traced (NoTrace) does
// nothing at all, so the compiler leaves it out.
//
// The ends reach the recorder one chunk at a time and in chunk order (the order in which the
// estimator adds the chunks' sums), on the thread that called the estimator, so the walks'
// values in the order recorded give the same running estimate on every run of a seeded estimate,
// whichever threads ran the chunks. They arrive while the estimate runs: each chunk as soon as it
// and the chunks before it are done, while the pool's threads still run later chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "checked.hpp"
#include "walk.hpp"

namespace nurlo {

// One walk's end: its end node and the grid value there.
struct WalkEnd {
    Node node;
    double value = 0.0;
};

// One move of a jump walk: across the square of `radius` around `centre`, out at `exit`. A
// lattice step, where the room is 1, is a square of radius 1.
struct JumpMove {
    Node centre;
    Int16 radius = 0;
    Node exit;
};

// The path of one walk. A lattice walk keeps its nodes, the start first and the end last; a jump
// walk its moves. Either keeps at most kMaxTracedMoves moves: the first ones, and `cut` then says
// that the walk went on.
struct WalkTrace {
    static constexpr std::size_t kMaxTracedMoves = 100000;

    Node start;
    std::vector<Node> path;       // a lattice walk: the nodes it stood on
    std::vector<JumpMove> moves;  // a jump walk: the squares it crossed
    bool cut = false;
};

// Receives what the estimator records. Its calls come from the thread that runs the estimate.
class WalkRecorder {
public:
    // How many walks a calculation traces: the first ones of its first estimate.
    static constexpr int kTracedWalks = 3;

    virtual ~WalkRecorder() = default;

    // How many more walks the recorder wants traced; the estimator asks once, as an estimate
    // begins, and traces that many first walks of the estimate (at most kTracedWalks).
    virtual int tracesWanted() const = 0;
    // The trace of one of those walks, in walk order.
    virtual void traced(WalkTrace trace) = 0;
    // The ends of one chunk's walks from `start`, in walk order; chunk after chunk, while the
    // estimate runs. The span lies in endBuffer() and is good until the call returns; the rest
    // of that buffer is being written meanwhile by the chunks still running.
    virtual void ended(Node start, std::span<const WalkEnd> ends) = 0;

    // Where the estimator writes the ends of an estimate of `walks` walks, each chunk its own
    // slice. The room is kept from one estimate to the next, so that recording allocates nothing
    // once the largest estimate has been seen.
    std::span<WalkEnd> endBuffer(std::size_t walks) {
        if (endBuffer_.size() < walks) {
            endBuffer_.resize(walks);
        }
        return {endBuffer_.data(), walks};
    }

private:
    std::vector<WalkEnd> endBuffer_;
};

// The tracer that writes a WalkTrace, up to its limit (NoTrace, in walk.hpp, writes nothing).
class TraceTo {
public:
    static constexpr bool kOn = true;
    explicit TraceTo(WalkTrace& trace) : trace_(trace) {}

    // A lattice walk stands on `node`.
    void at(Node node) {
        if (trace_.path.size() <= WalkTrace::kMaxTracedMoves) {
            trace_.path.push_back(node);
        } else {
            trace_.cut = true;
        }
    }
    // A jump walk crosses the square of `radius` around `centre` and leaves it at `exit`.
    void move(Node centre, Int16 radius, Node exit) {
        if (trace_.moves.size() < WalkTrace::kMaxTracedMoves) {
            trace_.moves.push_back({centre, radius, exit});
        } else {
            trace_.cut = true;
        }
    }

private:
    WalkTrace& trace_;
};

}  // namespace nurlo
