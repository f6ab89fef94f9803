// Lattice random walks on the square and on the L-shaped domain.
//
// A walk starts at a node and moves one node at a time in one of the four axis directions, each
// with probability 1/4, until it stands on a node of the domain's border. The border of every
// domain is made of the lines x = 0, x = nx, y = 0 and y = ny; the L-shaped domain, the rectangle
// less the block of nodes with x > a and y > b, adds the segments {x = a, y >= b} and
// {y = b, x >= a}. With a >= nx or b >= ny nothing is cut and its walks end exactly where the
// rectangle's do.
//
// The walk keeps only its offsets (dx, dy) from the start node, in checked 16-bit arithmetic, and
// recomputes its node as (x0 + dx, y0 + dy) before every step. The border test comes before every
// step, the first included, so a walk that starts on the border draws nothing. Before every draw
// the source is reseeded.
//
// Beside the stop rule the domain gives each node its room: how far the walk can go from it in
// every direction without meeting a node that stops it. The jump walk (jump_walk.hpp) crosses
// such empty squares in one draw.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "checked.hpp"
#include "progress.hpp"
#include "uniform_source.hpp"

namespace nurlo {

struct Node {
    Int16 x = 0;
    Int16 y = 0;
    friend bool operator==(const Node&, const Node&) = default;
};

// The stop rule of a walk.
class WalkDomain {
public:
    static WalkDomain square(Int16 n) { return WalkDomain(n, n, kNoCorner, kNoCorner); }
    // The rectangle 0..nx x 0..ny less the nodes with x > a and y > b.
    static WalkDomain lShaped(Int16 nx, Int16 ny, Int16 a, Int16 b) {
        return WalkDomain(nx, ny, a, b);
    }

    Int16 nx() const noexcept { return nx_; }
    Int16 ny() const noexcept { return ny_; }
    // The inner corner (a, b) of the L-shaped domain; the square's lies beyond every node.
    int a() const noexcept { return a_; }
    int b() const noexcept { return b_; }

    // Whether `node` is a node of the grid 0..nx x 0..ny.
    bool onGrid(Node node) const noexcept {
        return node.x >= 0 && node.x <= nx_ && node.y >= 0 && node.y <= ny_;
    }
    // The check of every start node: one off the grid raises the subscript-out-of-range error,
    // since a walk from it may never meet the border.
    void checkStart(Node node) const {
        if (!onGrid(node)) {
            throw RuntimeError(ErrorKind::SubscriptOutOfRange);
        }
    }

    // Whether a walk standing on `node` stops there. The outer lines are equalities, so a node off
    // the grid stops only on the prolongation of one of them.
    bool stops(Node node) const noexcept {
        const int x = node.x;
        const int y = node.y;
        return x == 0 || x == nx_ || y == 0 || y == ny_ || (x == a_ && y >= b_) ||
               (y == b_ && x >= a_);
    }

    // The room at `node`: the largest r such that no node (x + dx, y + dy) with |dx| < r and
    // |dy| < r stops a walk, so 0 exactly where walks stop. On the grid 0..nx x 0..ny it is exact.
    // Off the grid it is 1 where a walk goes on (a square of that one node), less than the true
    // room but never more, so such a walk keeps to lattice steps.
    Int16 room(Node node) const noexcept {
        const int x = node.x;
        const int y = node.y;
        const int outer = std::min({x, y, nx_ - x, ny_ - y});
        if (outer < 0) {
            return stops(node) ? Int16{0} : Int16{1};
        }
        // Outside the removed block x > a, y > b a square that reached into the block would cross
        // one of its two segments, so the room is measured to the whole block: the square must
        // stay left of x = a or below y = b. Inside the block the segments are walls like the
        // outer lines.
        const int corner = x > a_ && y > b_ ? std::min(x - a_, y - b_) : std::max(a_ - x, b_ - y);
        // outer <= nx / 2 < 2^14, so the room is a 16-bit value.
        return static_cast<Int16>(std::min(outer, corner));
    }

private:
    // A corner no 16-bit node can reach: the square has no inner segments.
    static constexpr int kNoCorner = kInt16Max + 1;

    WalkDomain(Int16 nx, Int16 ny, int a, int b) : nx_(nx), ny_(ny), a_(a), b_(b) {}

    Int16 nx_;
    Int16 ny_;
    int a_;
    int b_;
};

// The step chosen by a draw r in [0, 1]. The four bands are tried in order and the first that
// holds r wins: [0, 0.25] +x, [0.25, 0.5) -x, [0.5, 0.75) +y, [0.75, 1] -y. So 0.25 moves +x,
// 0.5 moves +y and 0.75 moves -y. Counting the band edges that r has passed gives the band
// without a branch, which matters in the walk's inner loop where r is unpredictable.
struct Step {
    Int16 dx;
    Int16 dy;
};

inline Step stepFor(double r) noexcept {
    static constexpr std::array<Step, 4> kSteps = {{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
    const int band = int{r > 0.25} + int{r >= 0.5} + int{r >= 0.75};
    return kSteps[static_cast<std::size_t>(band)];
}

// The tracer of a walk that nobody watches (walk_record.hpp has the one that writes): every call
// vanishes, and a walk given it compiles to the walk without one.
struct NoTrace {
    static constexpr bool kOn = false;
    void at(Node /*node*/) noexcept {}
    void move(Node /*centre*/, Int16 /*radius*/, Node /*exit*/) noexcept {}
};

// One walk from a start node to the first node where the domain stops it.
class RandomWalk {
public:
    // How many steps a walk takes between two looks at a request to stop: about a millisecond.
    static constexpr std::uint32_t kStepsBetweenStopChecks = 1u << 16;

    RandomWalk(const WalkDomain& domain, Node start) : domain_(domain), start_(start) {}

    // Runs the walk and returns its end node. There is no limit on the number of steps; a start
    // node on the grid keeps every node of the walk on the grid. With `progress`, a stop asked
    // for there ends the walk within kStepsBetweenStopChecks steps by raising Interrupted.
    template <UniformSource Source>
    Node run(Source& source, const Progress* progress = nullptr) const {
        NoTrace none;
        return run(source, progress, none);
    }

    // The same, showing `trace` every node the walk stands on, the start and the end included.
    template <UniformSource Source, class Trace>
    Node run(Source& source, const Progress* progress, Trace& trace) const {
        Int16 dx = 0;
        Int16 dy = 0;
        std::uint32_t untilStopCheck = kStepsBetweenStopChecks;
        for (;;) {
            const Node node{checkedAdd(start_.x, dx), checkedAdd(start_.y, dy)};
            if constexpr (Trace::kOn) {
                trace.at(node);
            }
            if (domain_.stops(node)) {
                return node;
            }
            if (--untilStopCheck == 0) [[unlikely]] {
                untilStopCheck = kStepsBetweenStopChecks;
                if (progress != nullptr) {
                    progress->throwIfStopRequested();
                }
            }
            source.reseed();
            const Step step = stepFor(source.next());
            dx = checkedAdd(dx, step.dx);
            dy = checkedAdd(dy, step.dy);
        }
    }

    Node start() const noexcept { return start_; }

private:
    const WalkDomain& domain_;
    Node start_;
};

}  // namespace nurlo
