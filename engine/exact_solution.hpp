// The exact discrete solution: the value that the walks' estimates tend to, at every node at once.
//
// On a grid and its walk domain the discrete harmonic function u is fixed by two rules: a node
// where a walk stops keeps the grid's value there, and every other node (a free node) is the mean
// of its four neighbours. It is the expectation of the value where a walk from that node ends, so
// it is the yardstick of every estimate. The free nodes are those the domain's own stop rule
// (WalkDomain::stops) lets a walk leave, whatever the domain: the L's removed block, walled in by
// its two segments, is a second set of free nodes; corners at, beyond or before the rectangle's
// edges and grids with no free node at all need nothing special.
//
// The rules are one linear system A u = b over the free nodes: 4 on the diagonal, -1 for each free
// neighbour, and the stopping neighbours' values on the right-hand side. A is symmetric positive
// definite (every set of free nodes touches a stopping node), and CHOLMOD factorises it by a
// supernodal Cholesky factorisation. Its fill is kept down by a nested dissection of the grid
// itself: each box of nodes is cut in two by its middle line across the longer side, the halves
// are numbered first and the line last, down to boxes of a few dozen nodes. A step or two of
// iterative refinement with the same factor brings every free node within 1e-12 of the largest
// grid value of the mean of its neighbours.
//
// By the maximum principle |u| never exceeds the largest |grid value|, so the system is solved
// scaled by a power of two near that value: a datum near 1e308 gives a finite solution, where the
// sum of four neighbours would overflow. Only a grid that holds an infinity or a NaN gives a
// solution that is not finite, and that is reported by finite(), never by a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

    // Where tests hold a solve at a known point; both empty in the program. Called on the thread
    // that factorises once the analysis is done, before the factorisation starts (a copy is
    // called: that thread may outlive the solve).
    std::function<void()> beforeFactorisation;
    // With a progress: called on the solving thread each time it has waited a poll's length for
    // another solve's factorisation to end (see solveExact).
    std::function<void()> whileWaitingForTurn;
};

// The grid is too large to solve within the memory limit: solveExact throws it before any work
// and before it takes any memory, with the bytes the solve would need and the limit it was given.
// A RuntimeError of kind OutOfMemory, so a caller that reports run-time errors reports it, and a
// caller that wants to say more can catch this type first.
class ExactSolveTooLarge : public RuntimeError {
public:
    ExactSolveTooLarge(std::size_t neededBytes, std::size_t limitBytes);

    std::size_t neededBytes() const noexcept { return needed_; }
    std::size_t limitBytes() const noexcept { return limit_; }

private:
    std::size_t needed_;
    std::size_t limit_;
};

// The discrete harmonic function on every node of a grid.
class ExactSolution {
public:
    Int16 nx() const noexcept { return nx_; }
    Int16 ny() const noexcept { return ny_; }

    // The value at node (i, j); off the grid the subscript-out-of-range error.
    double at(int i, int j) const;

    // Whether every value is a finite number; false only for a grid holding an infinity or a NaN.
    bool finite() const noexcept { return finite_; }
    // The free nodes, the unknowns of the system.
    std::int64_t freeNodes() const noexcept { return freeNodes_; }
    // The largest |u - mean of the four neighbours| over the free nodes, as the solver saw it
    // after its refinement (0 without free nodes).
    double residual() const noexcept { return residual_; }

private:
    friend ExactSolution solveExact(const BoundaryGrid&, const WalkDomain&,
                                    const ExactSolveOptions&);
    ExactSolution(Int16 nx, Int16 ny);

    Int16 nx_;
    Int16 ny_;
    std::vector<double> values_;  // (i, j) at i * (ny + 1) + j
    bool finite_ = true;
    std::int64_t freeNodes_ = 0;
    double residual_ = 0.0;
};

// The bytes a solve of `domain` may take at most: the factor of its largest system (every node
// off the rectangle's outer lines free), the matrix, the vectors and the solution. Checked against
// the memory limit before anything is allocated.
std::size_t exactSolveBytes(const WalkDomain& domain);

// Solves for the discrete harmonic function of `grid` on `domain`, whose counts it must share
// (std::invalid_argument otherwise).
// - More than `options.memoryLimit` bytes by exactSolveBytes: ExactSolveTooLarge, before any work.
// - The library's own failures become run-time errors: an allocation it cannot make
//   (OutOfMemory), a matrix it finds not positive definite or a value it cannot use
//   (FloatingPoint).
// - With a progress: the stage Stage::Exact, counted in hundredths of the solve by its steps
//   (numbering and assembly, analysis, factorisation, solution and refinement). A stop asked for
//   there raises Interrupted at once, within some tens of milliseconds: the library's
//   factorisation cannot be interrupted, so it runs on a thread of its own that owns what it
//   works on, is left to finish in the background, and its result is dropped.
// - One factorisation at a time in the process: a solve waits, before it takes any memory, until
//   the one before it has ended and freed its memory, also one left running by a stop. With a
//   progress it answers a stop request while it waits, as often as while it factorises; without
//   one it waits as long as that takes. The memory limit is checked before the wait.
ExactSolution solveExact(const BoundaryGrid& grid, const WalkDomain& domain,
                         const ExactSolveOptions& options);

}  // namespace nurlo
