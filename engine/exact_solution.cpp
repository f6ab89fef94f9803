#include "exact_solution.hpp"

#include <omp.h>
#include <suitesparse/cholmod.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

namespace nurlo {

namespace {

using Index = SuiteSparse_long;

// The steps of a solve, in hundredths of the whole: what has been reached when each ends.
constexpr std::int64_t kNumbered = 10;
constexpr std::int64_t kAnalysed = 20;
constexpr std::int64_t kFactorised = 90;
constexpr std::int64_t kSolved = 100;

// Blocks of the library at least this large ask for huge pages.
constexpr std::size_t kHugePagesFrom = std::size_t{4} << 20;

// Asks the kernel to back a block with huge pages (2 MiB instead of 4 KiB) where it can. The
// factor of a large grid is hundreds of megabytes written once from start to end: in 4 KiB pages
// that is a page fault every 4 KiB, about a sixth of a 1000 x 1000 solve. Only advice: a kernel
// that declines leaves the block as it was.
void* withHugePages(void* block, std::size_t size) {
#ifdef MADV_HUGEPAGE
    if (block != nullptr && size >= kHugePagesFrom) {
        const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const auto start = reinterpret_cast<std::uintptr_t>(block);
        const std::uintptr_t first = (start + pageSize - 1) / pageSize * pageSize;
        const std::uintptr_t end = (start + size) / pageSize * pageSize;
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
#endif
    return block;
}
void* allocateLarge(std::size_t size) { return withHugePages(std::malloc(size), size); }
void* allocateLargeZeroed(std::size_t count, std::size_t size) {
    // calloc has refused a count * size that overflows, so the product is the block's size.
    return withHugePages(std::calloc(count, size), count * size);
}
void* reallocateLarge(void* block, std::size_t size) {
    return withHugePages(std::realloc(block, size), size);
}

// The library takes its memory through these from the first solve on; it frees it with free(),
// as before.
void useHugePagesForTheLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        SuiteSparse_config.malloc_func = allocateLarge;
        SuiteSparse_config.calloc_func = allocateLargeZeroed;
        SuiteSparse_config.realloc_func = reallocateLarge;
    });
}

// A box of at most this many nodes is numbered row by row instead of being cut again: below that
// the cuts save less fill than they cost in supernodes too small for the dense kernels.
constexpr std::int64_t kLeafNodes = 64;

// How often a caller waiting for the factorisation looks at the stop request and the steps done.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

// The refinement stops once every free node is within this share of the largest |grid value| of
// the mean of its neighbours, or after this many steps.
constexpr double kResidualShare = 1e-12;
constexpr int kMaxRefinements = 2;

// The free nodes of a grid, numbered in nested-dissection order: each box of nodes is cut by its
// middle line across its longer side; the two halves are numbered first, then the line. A free
// node of one half never neighbours one of the other, so the factor of a half fills only within
// that half and the line's rows.
class Numbering {
public:
    Numbering(const WalkDomain& domain, const Progress* progress)
        : domain_(domain),
          column_(static_cast<std::size_t>(domain.ny()) + 1),
          number_((static_cast<std::size_t>(domain.nx()) + 1) * column_, -1),
          progress_(progress) {
        const auto inner = [](Int16 count) {
            return static_cast<std::size_t>(std::max(count - 1, 0));
        };
        nodes_.reserve(inner(domain.nx()) * inner(domain.ny()));
        cut(0, domain.nx(), 0, domain.ny());
    }

    std::int64_t count() const noexcept { return static_cast<std::int64_t>(nodes_.size()); }
    // The number of node (i, j), or -1 where a walk stops.
    std::int32_t number(int i, int j) const noexcept { return number_[offset(i, j)]; }
    // The offset i * (ny + 1) + j of the free node numbered k.
    std::size_t node(std::int64_t k) const noexcept { return nodes_[static_cast<std::size_t>(k)]; }
    std::size_t column() const noexcept { return column_; }

    // The pairs of neighbouring free nodes: the entries of the matrix below its diagonal. Only a
    // free node's right and upper neighbours are looked up, and a free node is never on the
    // rectangle's outer lines (walks stop on all four), so i + 1 <= nx and j + 1 <= ny.
    std::int64_t freePairs() const noexcept {
        std::int64_t pairs = 0;
        for (int i = 0; i <= domain_.nx(); ++i) {
            for (int j = 0; j <= domain_.ny(); ++j) {
                if (number(i, j) >= 0) {
                    pairs += int{number(i + 1, j) >= 0} + int{number(i, j + 1) >= 0};
                }
            }
        }
        return pairs;
    }

private:
    std::size_t offset(int i, int j) const noexcept {
        return static_cast<std::size_t>(i) * column_ + static_cast<std::size_t>(j);
    }

    void take(int i, int j) {
        if (!domain_.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
            // At most 32768 x 32768 = 2^30 nodes: every number fits 32 bits.
            number_[offset(i, j)] = static_cast<std::int32_t>(nodes_.size());
            nodes_.push_back(static_cast<std::uint32_t>(offset(i, j)));
        }
    }

    // Numbers the free nodes of the box [i0, i1] x [j0, j1].
    void cut(int i0, int i1, int j0, int j1) {
        if (i0 > i1 || j0 > j1) {
            return;
        }
        const std::int64_t width = i1 - i0 + 1;
        const std::int64_t height = j1 - j0 + 1;
        if (width * height <= kLeafNodes) {
            if (progress_ != nullptr) {
                progress_->throwIfStopRequested();
            }
            for (int i = i0; i <= i1; ++i) {
                for (int j = j0; j <= j1; ++j) {
                    take(i, j);
                }
            }
            return;
        }
        if (width >= height) {
            const int middle = i0 + (i1 - i0) / 2;
            cut(i0, middle - 1, j0, j1);
            cut(middle + 1, i1, j0, j1);
            for (int j = j0; j <= j1; ++j) {
                take(middle, j);
            }
        } else {
            const int middle = j0 + (j1 - j0) / 2;
            cut(i0, i1, j0, middle - 1);
            cut(i0, i1, middle + 1, j1);
            for (int i = i0; i <= i1; ++i) {
                take(i, middle);
            }
        }
    }

    const WalkDomain& domain_;
    std::size_t column_;
    std::vector<std::int32_t> number_;
    std::vector<std::uint32_t> nodes_;
    const Progress* progress_;
};

// The library's own failure as the program's run-time error. Warnings other than a matrix that is
// not positive definite (a tiny pivot) leave the solution usable and pass.
void raiseOnFailure(const cholmod_common& common) {
    switch (common.status) {
        case CHOLMOD_OK:
        case CHOLMOD_DSMALL:
            return;
        case CHOLMOD_OUT_OF_MEMORY:
            throw RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta");
        case CHOLMOD_TOO_LARGE:
            throw RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta: griglia troppo grande");
        case CHOLMOD_NOT_POSDEF:
            throw RuntimeError(ErrorKind::FloatingPoint,
                               "soluzione esatta: matrice non definita positiva");
        default:
            throw RuntimeError(ErrorKind::FloatingPoint, "soluzione esatta: errore della libreria");
    }
}

// The process's one turn at the library: a solve holds it from before it takes any memory of its
// own until the library has freed everything, so one factorisation runs at a time. A stop request
// ends the wait for a factorisation, not the factorisation itself; without the turn, Esc and
// "Calcola!" again would start another beside the one left running in the background, each with
// all its memory, and two threads would call the library's single-threaded BLAS at once.
class LibraryTurn {
public:
    // The one turn of the process. Never destroyed: a factorisation still running in the
    // background when the program ends still finds it.
    static LibraryTurn& instance() {
        static auto* turn = [] {
            auto* made = new LibraryTurn;
            // The end of the process waits for a factorisation left running in the background.
            // It would otherwise go on while the libraries' finalisers run, and the BLAS's own
            // finaliser pulls its kernels from under it: a crash as the program closes. This
            // runs before those finalisers, which were registered when the libraries loaded.
            std::atexit([] { instance().take(); });
            return made;
        }();
        return *turn;
    }

    // Takes the turn once it is free, waiting at most `timeout` for that; true when taken.
    bool takeWithin(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!free_.wait_for(lock, timeout, [this] { return !taken_; })) {
            return false;
        }
        taken_ = true;
        return true;
    }
    // Takes the turn, waiting as long as it takes.
    void take() {
        std::unique_lock lock(mutex_);
        free_.wait(lock, [this] { return !taken_; });
        taken_ = true;
    }
    // Gives the turn back; any thread may, not only the one that took it.
    void release() noexcept {
        {
            const std::lock_guard lock(mutex_);
            taken_ = false;
        }
        free_.notify_all();
    }

private:
    LibraryTurn() = default;

    std::mutex mutex_;
    std::condition_variable free_;
    bool taken_ = false;
};

// The turn while a solve holds it, given back when its holder ends: the solve itself, or the
// factorisation it hands the turn to, on whichever thread that ends.
class HeldTurn {
public:
    explicit HeldTurn(LibraryTurn& turn) noexcept : turn_(&turn) {}
    HeldTurn(HeldTurn&& other) noexcept : turn_(std::exchange(other.turn_, nullptr)) {}
    HeldTurn& operator=(HeldTurn&&) = delete;
    ~HeldTurn() {
        if (turn_ != nullptr) {
            turn_->release();
        }
    }

private:
    LibraryTurn* turn_;
};

// Waits for the library's turn. With a progress it looks at the stop request between waits, as
// often as the wait for a factorisation does, and raises Interrupted when asked.
HeldTurn takeTurn(const ExactSolveOptions& options) {
    LibraryTurn& turn = LibraryTurn::instance();
    if (options.progress == nullptr) {
        turn.take();
        return HeldTurn(turn);
    }
    for (;;) {
        options.progress->throwIfStopRequested();
        if (turn.takeWithin(kPollInterval)) {
            return HeldTurn(turn);
        }
        if (options.whileWaitingForTurn) {
            options.whileWaitingForTurn();
        }
    }
}

// The part of a solve that the library does: analysis, factorisation, solution and refinement of
// a system already assembled. It owns everything it works on, so that when the caller stops
// waiting for it (a stop request) it can finish on its own thread and free it all. It holds the
// library's turn until then.
class Factorisation {
public:
    // `largest`: the largest |right-hand-side value| of the scaled system, the yardstick of the
    // residual. `beforeFactorisation`: called between the analysis and the factorisation.
    Factorisation(double largest, HeldTurn turn, std::function<void()> beforeFactorisation)
        : turn_(std::move(turn)),
          largest_(largest),
          beforeFactorisation_(std::move(beforeFactorisation)) {
        useHugePagesForTheLibrary();
        cholmod_l_start(&common_);
        common_.print = 0;  // failures come back as the status, not as text on the console
        common_.nmethods = 1;
        common_.method[0].ordering = CHOLMOD_NATURAL;  // the numbering is the ordering
        common_.postorder = 1;
        common_.supernodal = CHOLMOD_SUPERNODAL;
    }
    ~Factorisation() {
        cholmod_l_free_dense(&solution_, &common_);
        cholmod_l_free_dense(&rhs_, &common_);
        cholmod_l_free_factor(&factor_, &common_);
        cholmod_l_free_sparse(&matrix_, &common_);
        cholmod_l_finish(&common_);
    }
    Factorisation(const Factorisation&) = delete;
    Factorisation& operator=(const Factorisation&) = delete;

    // The upper triangle of the matrix, column by column, with room for `entries` entries, and
    // the right-hand side; the caller fills both.
    void allocate(Index unknowns, Index entries) {
        matrix_ = cholmod_l_allocate_sparse(
            static_cast<std::size_t>(unknowns), static_cast<std::size_t>(unknowns),
            static_cast<std::size_t>(entries), 1, 1, 1, CHOLMOD_REAL, &common_);
        raiseIfNull(matrix_);
        rhs_ = cholmod_l_zeros(static_cast<std::size_t>(unknowns), 1, CHOLMOD_REAL, &common_);
        raiseIfNull(rhs_);
    }
    Index* columnStarts() { return static_cast<Index*>(matrix_->p); }
    Index* rows() { return static_cast<Index*>(matrix_->i); }
    double* entries() { return static_cast<double*>(matrix_->x); }
    double* rhs() { return static_cast<double*>(rhs_->x); }

    // Runs the library's steps; a failure is kept for the caller. Meant to run once, on any
    // thread; `step()` tells the caller how far it got.
    void run() noexcept {
        // The library opens an OpenMP team of a fixed size of its own inside every supernode; on
        // a solve meant for one thread those threads only wait for each other (tens of thousands
        // of context switches at 1000 x 1000). No parallel region started from this thread gets
        // more than one thread.
        omp_set_max_active_levels(0);
        try {
            factor_ = cholmod_l_analyze(matrix_, &common_);
            raiseIfNull(factor_);
            step_.store(kAnalysed, std::memory_order_relaxed);
            if (beforeFactorisation_) {
                beforeFactorisation_();
            }
            cholmod_l_factorize(matrix_, factor_, &common_);
            raiseOnFailure(common_);
            if (factor_->minor < factor_->n) {
                throw RuntimeError(ErrorKind::FloatingPoint,
                                   "soluzione esatta: matrice non definita positiva");
            }
            step_.store(kFactorised, std::memory_order_relaxed);
            solveAndRefine();
            step_.store(kSolved, std::memory_order_relaxed);
        } catch (...) {
            error_ = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
    }

    std::int64_t step() const noexcept { return step_.load(std::memory_order_relaxed); }

    // Waits until run() is over or `timeout` has passed; true once it is over.
    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return finished_.wait_for(lock, timeout, [this] { return done_; });
    }

    // After run(): its failure, if any, raised here.
    void raiseFailure() const {
        if (error_) {
            std::rethrow_exception(error_);
        }
    }
    const double* solution() const { return static_cast<const double*>(solution_->x); }
    // The largest |u - mean of the neighbours| of the scaled solution.
    double residual() const noexcept { return residual_; }

private:
    void raiseIfNull(const void* made) const {
        raiseOnFailure(common_);
        if (made == nullptr) {
            throw RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta");
        }
    }

    // Solves, then refines with the same factor while some free node misses the mean of its
    // neighbours by more than the tolerance: x += A^-1 (b - A x).
    void solveAndRefine() {
        solution_ = cholmod_l_solve(CHOLMOD_A, factor_, rhs_, &common_);
        raiseIfNull(solution_);
        const double tolerance = kResidualShare * largest_;
        for (int refinement = 0;; ++refinement) {
            cholmod_dense* remainder = cholmod_l_copy_dense(rhs_, &common_);
            raiseIfNull(remainder);
            std::array<double, 2> minusOne = {-1.0, 0.0};
            std::array<double, 2> one = {1.0, 0.0};
            cholmod_l_sdmult(matrix_, 0, minusOne.data(), one.data(), solution_, remainder,
                             &common_);
            const auto* r = static_cast<const double*>(remainder->x);
            double largest = 0.0;
            for (std::size_t k = 0; k < remainder->nrow; ++k) {
                largest = std::fmax(largest, std::fabs(r[k]));
            }
            // Row k of A u = b, divided by 4, is u - (mean of the neighbours) = r / 4.
            residual_ = largest / 4.0;
            if (!(residual_ > tolerance) || refinement == kMaxRefinements) {
                cholmod_l_free_dense(&remainder, &common_);
                return;
            }
            cholmod_dense* correction = cholmod_l_solve(CHOLMOD_A, factor_, remainder, &common_);
            cholmod_l_free_dense(&remainder, &common_);
            raiseIfNull(correction);
            auto* x = static_cast<double*>(solution_->x);
            const auto* dx = static_cast<const double*>(correction->x);
            for (std::size_t k = 0; k < solution_->nrow; ++k) {
                x[k] += dx[k];
            }
            cholmod_l_free_dense(&correction, &common_);
        }
    }

    // Given back once the destructor's body has handed everything back to the library.
    HeldTurn turn_;
    cholmod_common common_{};
    cholmod_sparse* matrix_ = nullptr;
    cholmod_dense* rhs_ = nullptr;
    cholmod_factor* factor_ = nullptr;
    cholmod_dense* solution_ = nullptr;
    double largest_;
    double residual_ = 0.0;
    std::function<void()> beforeFactorisation_;

    std::atomic<std::int64_t> step_{kNumbered};
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::exception_ptr error_;
};

// The largest |value| at a node where walks stop: the scale of the solution.
double largestStoppingValue(const BoundaryGrid& grid, const WalkDomain& domain) {
    double largest = 0.0;
    for (int i = 0; i <= grid.nx(); ++i) {
        for (int j = 0; j <= grid.ny(); ++j) {
            if (domain.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
                const double value = std::fabs(grid.at(i, j));
                // A NaN makes the largest value a NaN too, not be passed over.
                largest = std::isnan(value) || value > largest ? value : largest;
            }
        }
    }
    return largest;
}

// Fills the upper triangle of the system in the numbering's order (the triangle the library
// factorises as it is, where the other would be transposed first), and its right-hand side with
// the stopping neighbours' values scaled by 2^-exponent.
void assemble(const BoundaryGrid& grid, const Numbering& numbering, int exponent,
              Factorisation& system) {
    Index* starts = system.columnStarts();
    Index* rows = system.rows();
    double* entries = system.entries();
    double* rhs = system.rhs();
    const auto column = static_cast<std::int64_t>(numbering.column());
    Index entry = 0;
    for (std::int64_t k = 0; k < numbering.count(); ++k) {
        const auto offset = static_cast<std::int64_t>(numbering.node(k));
        const int i = static_cast<int>(offset / column);
        const int j = static_cast<int>(offset % column);
        starts[k] = entry;
        // A free node lies strictly inside the rectangle: its four neighbours are on the grid.
        const std::array<Node, 4> neighbours = {
            {{static_cast<Int16>(i - 1), static_cast<Int16>(j)},
             {static_cast<Int16>(i + 1), static_cast<Int16>(j)},
             {static_cast<Int16>(i), static_cast<Int16>(j - 1)},
             {static_cast<Int16>(i), static_cast<Int16>(j + 1)}}};
        std::array<Index, 4> earlier{};
        int earlierCount = 0;
        double sum = 0.0;
        for (const Node neighbour : neighbours) {
            const std::int32_t number = numbering.number(neighbour.x, neighbour.y);
            if (number < 0) {
                sum += std::ldexp(grid.at(neighbour.x, neighbour.y), -exponent);
            } else if (number < k) {
                // Kept in increasing order, as the library wants the rows of a column.
                auto slot = static_cast<std::size_t>(earlierCount++);
                for (; slot > 0 && earlier[slot - 1] > number; --slot) {
                    earlier[slot] = earlier[slot - 1];
                }
                earlier[slot] = number;
            }
        }
        for (int n = 0; n < earlierCount; ++n) {
            rows[entry] = earlier[static_cast<std::size_t>(n)];
            entries[entry] = -1.0;
            ++entry;
        }
        rows[entry] = k;
        entries[entry] = 4.0;
        ++entry;
        rhs[k] = sum;
    }
    starts[numbering.count()] = entry;
}

// Runs the factorisation on a thread of its own and waits for it, looking at the stop request
// every few milliseconds. On a stop the thread is left to finish: it holds its own share of the
// factorisation, which is freed when it ends, and only then gives the library's turn back.
void runAnswering(const std::shared_ptr<Factorisation>& system, Progress& progress) {
    try {
        std::thread([system] { system->run(); }).detach();
    } catch (const std::system_error&) {
        system->run();  // no thread to be had: the solve runs here, to its end
    }
    std::int64_t reported = kNumbered;
    for (;;) {
        const bool over = system->waitFor(kPollInterval);
        const std::int64_t step = system->step();
        progress.advance(step - reported);
        reported = step;
        if (over) {
            return;
        }
        progress.throwIfStopRequested();
    }
}

}  // namespace

ExactSolveTooLarge::ExactSolveTooLarge(std::size_t neededBytes, std::size_t limitBytes)
    : RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta: griglia troppo grande"),
      needed_(neededBytes),
      limit_(limitBytes) {}

ExactSolution::ExactSolution(Int16 nx, Int16 ny)
    : nx_(nx),
      ny_(ny),
      values_((static_cast<std::size_t>(nx) + 1) * (static_cast<std::size_t>(ny) + 1)) {}

double ExactSolution::at(int i, int j) const {
    if (i < 0 || i > nx_ || j < 0 || j > ny_) {
        throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    }
    return values_[static_cast<std::size_t>(i) * (static_cast<std::size_t>(ny_) + 1) +
                   static_cast<std::size_t>(j)];
}

std::size_t exactSolveBytes(const WalkDomain& domain) {
    const double nodes =
        (std::max(domain.nx(), Int16{-1}) + 1.0) * (std::max(domain.ny(), Int16{-1}) + 1.0);
    const double unknowns = std::max(domain.nx() - 1, 0) * double{1} * std::max(domain.ny() - 1, 0);
    // The factor of the nested dissection of N free nodes holds about 2.8 N log2 N entries
    // (measured from 250 to 2000 steps a side, the library's relaxed supernodes included): 8 bytes
    // each, and the library's indexes and workspace beside them. Per node: the solution (8) and
    // the numbering (4). Per free node: the matrix (three entries of 16 bytes and a column
    // start), the right-hand side, solution, remainder and correction, the list of free nodes.
    // And a few MiB that the library takes whatever the size. Fitted to the peak memory of solves
    // of 250 to 2000 steps a side, less the process's own: 4 to 9 per cent above the square's,
    // a little more above the L's.
    const double bytes = 4.0 * 1048576.0 + 12.0 * nodes + 220.0 * unknowns +
                         36.0 * unknowns * std::log2(unknowns + 2.0);
    return bytes >= static_cast<double>(std::numeric_limits<std::size_t>::max())
               ? std::numeric_limits<std::size_t>::max()
               : static_cast<std::size_t>(bytes);
}

ExactSolution solveExact(const BoundaryGrid& grid, const WalkDomain& domain,
                         const ExactSolveOptions& options) {
    if (grid.nx() != domain.nx() || grid.ny() != domain.ny()) {
        throw std::invalid_argument("solveExact: grid and domain differ in size");
    }
    const std::size_t needed = exactSolveBytes(domain);
    if (needed > options.memoryLimit) {
        throw ExactSolveTooLarge(needed, options.memoryLimit);
    }
    Progress* progress = options.progress;
    if (progress != nullptr) {
        progress->begin(Stage::Exact, kSolved);
        progress->throwIfStopRequested();
    }
    try {
        // Before any memory is taken: a factorisation still running (one whose solve was stopped)
        // keeps all of its own until it ends.
        HeldTurn turn = takeTurn(options);
        ExactSolution solution(grid.nx(), grid.ny());
        const Numbering numbering(domain, progress);
        const std::int64_t unknowns = numbering.count();
        solution.freeNodes_ = unknowns;

        // Scaled by a power of two, which is exact, the largest value is in [1, 2).
        const double largest = largestStoppingValue(grid, domain);
        const int exponent = std::isfinite(largest) && largest > 0.0 ? std::ilogb(largest) : 0;
        const double* scaled = nullptr;
        std::shared_ptr<Factorisation> system;
        if (unknowns > 0) {
            system = std::make_shared<Factorisation>(std::ldexp(largest, -exponent),
                                                     std::move(turn), options.beforeFactorisation);
            system->allocate(unknowns, unknowns + numbering.freePairs());
            assemble(grid, numbering, exponent, *system);
            if (progress != nullptr) {
                progress->advance(kNumbered);
                progress->throwIfStopRequested();
                runAnswering(system, *progress);
            } else {
                system->run();
            }
            system->raiseFailure();
            scaled = system->solution();
            solution.residual_ = std::ldexp(system->residual(), exponent);
        } else if (progress != nullptr) {
            progress->advance(kSolved);
        }

        bool finite = true;
        for (int i = 0; i <= grid.nx(); ++i) {
            for (int j = 0; j <= grid.ny(); ++j) {
                const std::int32_t number = numbering.number(i, j);
                const double value =
                    number < 0 ? grid.at(i, j) : std::ldexp(scaled[number], exponent);
                solution.values_[static_cast<std::size_t>(i) * numbering.column() +
                                 static_cast<std::size_t>(j)] = value;
                finite = finite && std::isfinite(value);
            }
        }
        solution.finite_ = finite;
        return solution;
    } catch (const std::bad_alloc&) {
        throw RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta");
    }
}

}  // namespace nurlo
