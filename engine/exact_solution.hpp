// The exact discrete solution: the value that the walks' estimates tend to, as a function of the
// node, answered a node, a line or a lattice of samples at a time.
//
// On a grid and its walk domain the discrete harmonic function u is fixed by two rules: a node
// where a walk stops keeps the grid's value there, and every other node (a free node) is the mean
// of its four neighbours. It is the expectation of the value where a walk from that node ends, so
// it is the yardstick of every estimate. The free nodes are those the domain's own stop rule
// (WalkDomain::stops) lets a walk leave, whatever the domain. All of this lives in index space:
// every step of a walk has probability 1/4 whatever the spacings, so the spacings never enter.
//
// Rectangles by sine transforms. On the free nodes 0 < t < m, 0 < s < n of a rectangle of m x n
// steps, the functions sin(k pi t / m) (k = 1..m-1) diagonalise the operator 4u - (sum of the
// neighbours) along t: the mode k of a line s, u_k(s), obeys
//     (2 + lambda_k) u_k(s) - u_k(s - 1) - u_k(s + 1) = f_k(s),   lambda_k = 2 - 2 cos(k pi / m),
// where f_k(s) is the sine transform of the sides' values that line s touches. So a solve is a
// type-I discrete sine transform of every line (FFTW's RODFT00), one tridiagonal system in s per
// mode, and the transform back. The tridiagonal systems are eliminated in the form that keeps
// every digit: with d_s = 1 + delta_s the pivots, delta_1 = 1 + lambda and
//     delta_s = lambda + delta_{s-1} / (1 + delta_{s-1}),
// which has no cancellation however small lambda is, and tends to e^beta - 1, cosh beta =
// 1 + lambda / 2, once s is past a few times 1 / beta.
//
// One line without the others. The value of line s in mode k is the elimination from both ends
// met at s: the sum from below, f(s') damped by the product of 1 / d over the lines between, and
// likewise from above. Past about 49 / beta lines the damping is below 2^-70, so mode k needs only
// a window of that length around s: summed over the modes that is O(n log n) for a line, and one
// transform gives its values. A node is read from its line.
//
// Samples without lines across. The part of u that the two sides s = 0 and s = n carry is, in
// mode k, g_low,k sinh(beta_k (n - s)) / sinh(beta_k n) + g_high,k sinh(beta_k s) / sinh(beta_k n),
// with g the sides' sine coefficients: one transform gives it along any line s. The part that the
// other two sides carry is the same along lines t. A lattice of samples is then one transform per
// sampled line in each direction. The ratios of sinh are taken as exponentials of negative
// arguments, so they never overflow. Far from both sides only the first modes are left (the others
// below e^-48.6), and a line's few modes are summed directly at the few places wanted, where that
// is cheaper than a transform.
//
// Every domain in rectangles. The free nodes of the square are one rectangle. The L's nodes
// x < a or y < b are the bottom strip 0..nx x 0..b and the block 0..a x b..ny above it, joined
// along the interface line y = b, 0 < x < a, whose values are the unknowns of a small system: the
// mean rule at the interface, with each rectangle's answer to its interface values applied through
// its transforms. That system is symmetric positive definite; conjugate gradients solve it to
// rounding, preconditioned by the same system for a bottom strip only as wide as the interface,
// which is diagonal in the interface's own sine modes. The L's removed block, walled in by its two
// segments, is one more rectangle, and a corner at, before or beyond the edges leaves the whole
// rectangle, or cuts it in two by a full line of stopping nodes.
//
// By the maximum principle |u| never exceeds the largest |grid value|, so everything is computed
// scaled by a power of two near that value: a datum near 1e308 gives a finite solution. A grid
// that holds an infinity or a NaN where walks stop gives a solution that is not finite: finite()
// says so, and the free nodes read NaN.
//
// The memory of a solution is O(nx + ny): the sides of its rectangles and their sine
// coefficients. A line costs O(n) beside what it returns, and so does the whole field (one call
// over every line, the field itself aside).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "boundary_grid.hpp"
#include "progress.hpp"
#include "runtime_error.hpp"
#include "walk.hpp"

namespace nurlo {

// How a solve runs: the memory it may take (from the program's memory gauge; there is no default)
// and, optionally, the progress it reports to and the stop request it answers.
struct ExactSolveOptions {
    explicit ExactSolveOptions(std::size_t memoryLimitBytes, Progress* progressTo = nullptr)
        : memoryLimit(memoryLimitBytes), progress(progressTo) {}

    std::size_t memoryLimit;
    Progress* progress;
};

// The solve, or a table of values asked of a solution, needs more memory than it may take: thrown
// before the work, with the bytes needed and the limit given. A RuntimeError of kind
// OutOfMemory, so a caller that reports run-time errors reports it, and a caller that wants to
// say more can catch this type first.
class ExactSolveTooLarge : public RuntimeError {
public:
    ExactSolveTooLarge(std::size_t neededBytes, std::size_t limitBytes);

    std::size_t neededBytes() const noexcept { return needed_; }
    std::size_t limitBytes() const noexcept { return limit_; }

private:
    std::size_t needed_;
    std::size_t limit_;
};

namespace exact_detail {
class Pieces;
}

// The discrete harmonic function of a grid, as a function of the node. Cheap to keep (O(nx + ny)
// memory); every question is answered afresh. Safe to ask from several threads at once.
//
// The questions that may take long (a line or more on a large grid) take an optional progress,
// whose stop request they answer between lines by raising Interrupted; they count nothing. A
// node off the grid raises the subscript-out-of-range error. Where memory runs out they raise the
// out-of-memory error.
class ExactSolution {
public:
    ExactSolution(ExactSolution&&) noexcept;
    ExactSolution& operator=(ExactSolution&&) noexcept;
    ~ExactSolution();

    Int16 nx() const noexcept { return nx_; }
    Int16 ny() const noexcept { return ny_; }

    // The value at node (i, j).
    double at(int i, int j, const Progress* progress = nullptr) const;
    // The values along row j: nodes (0..nx, j).
    std::vector<double> row(int j, const Progress* progress = nullptr) const;
    // The values along column i: nodes (i, 0..ny).
    std::vector<double> column(int i, const Progress* progress = nullptr) const;
    // The values at the lattice of nodes (columns[c], rows[r]), at c * rows.size() + r.
    std::vector<double> samples(std::span<const int> columns, std::span<const int> rows,
                                const Progress* progress = nullptr) const;
    // Every node's value, (i, j) at i * (ny + 1) + j. Its memory is the caller's to gauge
    // (fieldBytes).
    std::vector<double> field(const Progress* progress = nullptr) const;
    std::size_t fieldBytes() const noexcept;

    // Whether every value is a finite number; false only for a grid holding an infinity or a NaN
    // where walks stop.
    bool finite() const noexcept { return finite_; }
    // The free nodes, the unknowns of the discrete problem.
    std::int64_t freeNodes() const noexcept { return freeNodes_; }
    // The conjugate-gradient steps the interface of the L took (0 where there is none).
    int interfaceSteps() const noexcept { return interfaceSteps_; }

private:
    friend ExactSolution solveExact(const BoundaryGrid&, const WalkDomain&,
                                    const ExactSolveOptions&);
    ExactSolution(Int16 nx, Int16 ny, std::unique_ptr<exact_detail::Pieces> pieces);

    Int16 nx_;
    Int16 ny_;
    std::unique_ptr<exact_detail::Pieces> pieces_;
    bool finite_ = true;
    std::int64_t freeNodes_ = 0;
    int interfaceSteps_ = 0;
};

// The bytes a solve of `domain` may take at most: the sides of its rectangles, their sine
// coefficients and the work space of the transforms. Checked against the memory limit before
// anything is allocated.
std::size_t exactSolveBytes(const WalkDomain& domain);

// Solves for the discrete harmonic function of `grid` on `domain`, whose counts it must share
// (std::invalid_argument otherwise). The solution keeps what it needs of the grid (the grid may
// go away).
// - More than `options.memoryLimit` bytes by exactSolveBytes: ExactSolveTooLarge, before any work.
// - Memory that runs out meanwhile: the out-of-memory error.
// - With a progress: the stage Stage::Exact, counted in hundredths of the solve, and a stop asked
//   for there raises Interrupted at once, with nothing left running.
ExactSolution solveExact(const BoundaryGrid& grid, const WalkDomain& domain,
                         const ExactSolveOptions& options);

}  // namespace nurlo
