// The jump walk: the lattice walk's end node, drawn with a few dozen draws instead of ~0.3 n^2.
//
// A lattice walk that stands at a node p with room d (no node within |dx| < d, |dy| < d of p
// stops it) wanders inside that empty square until it first reaches |dx| = r or |dy| = r, for any
// r <= d, and nothing it does before then can end it. Where it first reaches that ring is drawn
// from a fixed law, the exit law of the square of radius r seen from its centre, which depends on
// r alone. So the jump walk draws that exit node at once and goes on from there. The walk after
// the jump is a lattice walk from the exit node, independent of how it got there (the strong
// Markov property), so the end node has exactly the law of the lattice walk's end node: only the
// number of draws changes. Where the room is 1 the walk takes an ordinary lattice step.
//
// The exit law. The walk leaves the square through one of its four sides with probability 1/4
// each, never through a corner, and on the side dx = +r it comes out at offset y, |y| < r, with
// probability
//     q_r(y) = 1/(2r) * sum over odd k < 2r of cos(k pi y / (2r)) / cosh(alpha_k r),
//     cosh alpha_k = 1 + 2 sin^2(k pi / (4r)),
// the discrete Fourier series of the harmonic function that is 1 at (r, y) and 0 on the rest of
// the ring; the terms fall like exp(-k pi / 2), so some twenty of them give the sum to double
// precision.
//
// Sampling. Radii are powers of two, 2 to 8192, the largest that fits the room. For each radius an
// alias table (Walker, Vose) of r cells holds the law of |y|, q_r(0) and 2 q_r(|y|) for |y| > 0,
// scaled to sum to 1. One uniform draw u makes the whole jump: read as 53 bits, its top 3 bits
// choose the side and the sign of y, the next log2 r bits a cell, and its lowest 37 bits the coin
// that keeps the cell's own |y| or takes its alias (thresholds in steps of 2^-37, so the drawn law
// is the exit law to within 2^-37). All tables together take 128 KiB; they are built once, on first
// use, and shared read-only by every thread.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "checked.hpp"
#include "uniform_source.hpp"
#include "walk.hpp"

namespace nurlo {

class JumpTables {
public:
    // The largest jump radius; larger rooms jump this far.
    static constexpr Int16 kMaxRadius = 8192;
    // The bits of a draw that decide between a cell and its alias.
    static constexpr int kCoinBits = 37;

    // Builds the tables of every radius 2, 4, ..., kMaxRadius (a few milliseconds).
    JumpTables();

    // The tables of the program, built on first use (thread-safe) and never changed after.
    static const JumpTables& shared();

    // The memory the tables take, in bytes.
    std::size_t bytes() const noexcept { return cells_.size() * sizeof(std::uint64_t); }

    // The radius of the jump from a node with room `room`: the largest power of two <= room, at
    // most kMaxRadius; 1 (a lattice step) below a room of 2.
    static Int16 radiusFor(Int16 room) noexcept {
        if (room < 2) {
            return 1;
        }
        const int level = static_cast<int>(std::bit_width(static_cast<unsigned>(room))) - 1;
        return static_cast<Int16>(1 << (level < kMaxLevel ? level : kMaxLevel));
    }

    // q_r(offset): the probability that a lattice walk from the centre of the square of radius r
    // first reaches |dx| = r or |dy| = r at (r, offset). 0 for |offset| >= r and for r < 1.
    static double exitProbability(int radius, int offset);

    // The move of a walk that stands on a node with room `room`, given the draw u in [0, 1):
    // with a room of 2 or more the jump to the ring of radius radiusFor(room), else the lattice
    // step stepFor(u). A u outside [0, 1) is taken as its nearest end (NaN as 0).
    Step moveFor(Int16 room, double u) const noexcept {
        if (room < 2) {
            return stepFor(u);
        }
        return jump(radiusFor(room), drawBits(u));
    }

private:
    static constexpr int kMaxLevel = std::countr_zero(static_cast<unsigned>(kMaxRadius));
    static constexpr int kDrawBits = 53;
    static constexpr int kCellBitsEnd = kDrawBits - 3;
    static_assert(kCoinBits + kMaxLevel <= kCellBitsEnd, "a draw holds side, cell and coin");
    // A cell packs its threshold (0..2^kCoinBits: keep its own |y| when the coin is below it)
    // above its 16-bit alias.
    static constexpr int kAliasBits = 16;

    // The 53 bits of a draw in [0, 1) as an integer.
    static std::uint64_t drawBits(double u) noexcept {
        const double scaled = u * 0x1.0p53;
        if (!(scaled > 0.0)) {
            return 0;
        }
        constexpr std::uint64_t kLargest = (std::uint64_t{1} << kDrawBits) - 1;
        return scaled >= 0x1.0p53 ? kLargest : static_cast<std::uint64_t>(scaled);
    }

    Step jump(Int16 radius, std::uint64_t bits) const noexcept {
        const int level = std::countr_zero(static_cast<unsigned>(radius));
        const std::uint64_t cellMask = (std::uint64_t{1} << level) - 1;
        const std::uint64_t cell = (bits >> (kCellBitsEnd - level)) & cellMask;
        const std::uint64_t coin = bits & ((std::uint64_t{1} << kCoinBits) - 1);
        // The radius-r table starts at r - 2, after those of 2, 4, ..., r / 2.
        const std::uint64_t packed = cells_[static_cast<std::size_t>(radius - 2) + cell];
        const std::uint64_t offset =
            coin < (packed >> kAliasBits) ? cell : packed & ((1U << kAliasBits) - 1);
        const auto magnitude = static_cast<Int16>(offset);
        const unsigned sideAndSign = static_cast<unsigned>(bits >> kCellBitsEnd);
        const Int16 along = (sideAndSign & 1U) != 0 ? static_cast<Int16>(-magnitude) : magnitude;
        switch (sideAndSign >> 1) {
            case 0:
                return {radius, along};
            case 1:
                return {static_cast<Int16>(-radius), along};
            case 2:
                return {along, radius};
            default:
                return {along, static_cast<Int16>(-radius)};
        }
    }

    std::vector<std::uint64_t> cells_;
};

// How many draws a walk made, added to by each run that is given it.
struct JumpCounts {
    std::uint64_t jumps = 0;  // moves across a square of radius 2 or more
    std::uint64_t steps = 0;  // lattice steps, where the room is 1
};

// One walk from a start node to the first node where the domain stops it, with the law of
// RandomWalk's end node.
class JumpWalk {
public:
    // The tables must outlive the walk; the program's are shared().
    JumpWalk(const WalkDomain& domain, Node start, const JumpTables& tables = JumpTables::shared())
        : domain_(domain), start_(start), tables_(tables) {}

    // Runs the walk and returns its end node; one reseed and one draw per move.
    template <UniformSource Source>
    Node run(Source& source) const {
        JumpCounts counts;
        return run(source, counts);
    }

    // The same, adding its jumps and lattice steps to `counts`.
    template <UniformSource Source>
    Node run(Source& source, JumpCounts& counts) const {
        NoTrace none;
        return run(source, counts, none);
    }

    // The same, showing `trace` each move: the square crossed and the node where it left it.
    template <UniformSource Source, class Trace>
    Node run(Source& source, JumpCounts& counts, Trace& trace) const {
        Int16 dx = 0;
        Int16 dy = 0;
        for (;;) {
            const Node node{checkedAdd(start_.x, dx), checkedAdd(start_.y, dy)};
            if (domain_.stops(node)) {
                return node;
            }
            const Int16 nodeRoom = domain_.room(node);
            ++(nodeRoom >= 2 ? counts.jumps : counts.steps);
            source.reseed();
            const Step move = tables_.moveFor(nodeRoom, source.next());
            dx = checkedAdd(dx, move.dx);
            dy = checkedAdd(dy, move.dy);
            if constexpr (Trace::kOn) {
                trace.move(node, JumpTables::radiusFor(nodeRoom),
                           {checkedAdd(start_.x, dx), checkedAdd(start_.y, dy)});
            }
        }
    }

    Node start() const noexcept { return start_; }

private:
    const WalkDomain& domain_;
    Node start_;
    const JumpTables& tables_;
};

}  // namespace nurlo
