#include "exact_solution.hpp"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace nurlo {

namespace exact_detail {

namespace {

// The steps of a solve, in hundredths of the whole: what has been reached when each ends.
constexpr std::int64_t kSidesRead = 10;
constexpr std::int64_t kInterfaceStarted = 20;
constexpr std::int64_t kInterfaceSolved = 90;
constexpr std::int64_t kSolved = 100;

// A mode's window: the lines beyond it are damped below 2^-70 (e^-48.6), so much that no value
// they carry shows in a double. And the line from which the pivots of its elimination equal their
// limit to rounding (e^(-2 beta s) below 2^-56).
constexpr double kWindowBetas = 48.6;
constexpr double kSettledBetas = 19.5;

// A line's few modes are summed directly at the places wanted while that costs less than this
// many times the line's length, a transform's worth of work.
constexpr double kDirectShare = 24.0;

// The interface's conjugate gradients stop once no interface node misses the mean rule by more
// than this share of the largest value it sees, or after this many steps.
constexpr double kInterfaceTolerance = 1e-16;
constexpr int kMaxInterfaceSteps = 400;

// FFTW's planner keeps global state and is not safe to call from two threads at once; executing a
// plan is. Every plan of the engine is made and destroyed under this lock.
std::mutex& plannerLock() {
    static std::mutex lock;
    return lock;
}

struct FftwFree {
    void operator()(double* block) const noexcept { fftw_free(block); }
};
using AlignedBuffer = std::unique_ptr<double[], FftwFree>;

// A block of `count` doubles aligned as FFTW's plans expect.
AlignedBuffer alignedBuffer(std::size_t count) {
    auto* block = fftw_alloc_real(std::max<std::size_t>(count, 1));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return AlignedBuffer(block);
}

}  // namespace

// The type-I sine transforms of the lengths a solution uses, planned once (FFTW_ESTIMATE: no
// measuring, so a plan takes microseconds) and executed in place on aligned buffers. FFTW's
// transform is unnormalised, Y_k = 2 sum_t X_t sin(pi k t / m) for t, k = 1..m-1: applied twice it
// gives 2m times the input.
class Transforms {
public:
    Transforms() = default;
    Transforms(const Transforms&) = delete;
    Transforms& operator=(const Transforms&) = delete;
    ~Transforms() {
        const std::lock_guard lock(plannerLock());
        for (auto& [length, plan] : plans_) {
            fftw_destroy_plan(plan);
        }
    }

    // Plans the transform of `length` values (at least 1).
    void prepare(int length) {
        if (length < 1 || plans_.contains(length)) {
            return;
        }
        const AlignedBuffer buffer = alignedBuffer(static_cast<std::size_t>(length));
        fftw_plan plan = nullptr;
        {
            const std::lock_guard lock(plannerLock());
            plan = fftw_plan_r2r_1d(length, buffer.get(), buffer.get(), FFTW_RODFT00,
                                    FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
        }
        if (plan == nullptr) {
            throw std::bad_alloc();
        }
        plans_.emplace(length, plan);
    }

    // Transforms `values` (from alignedBuffer, `length` of them) in place.
    void run(int length, double* values) const {
        fftw_execute_r2r(plans_.at(length), values, values);
    }

private:
    std::map<int, fftw_plan> plans_;
};

namespace {

// One rectangle in one orientation: m steps along t, the direction of the sine modes, and n steps
// along s, the direction of the elimination; its free nodes are 0 < t < m, 0 < s < n. The values
// of its four sides are scaled.
class Spectral {
public:
    // `sLow`, `sHigh`: the sides s = 0 and s = n at t = 1..m-1; `tLow`, `tHigh`: the sides t = 0
    // and t = m at s = 1..n-1.
    Spectral(int m, int n, const std::vector<double>& sLow, const std::vector<double>& sHigh,
             const std::vector<double>& tLow, const std::vector<double>& tHigh,
             const Transforms& transforms)
        : m_(m), n_(n), transforms_(&transforms) {
        const auto modes = static_cast<std::size_t>(m - 1);
        lambda_.resize(modes);
        delta_.resize(modes);
        beta_.resize(modes);
        twoSine_.resize(modes);
        inverseSinhN_.resize(modes);
        for (int k = 1; k < m; ++k) {
            const auto slot = static_cast<std::size_t>(k - 1);
            const double half = std::sin(std::numbers::pi * k / (2.0 * m));
            const double lambda = 4.0 * half * half;  // 2 - 2 cos(k pi / m), without cancellation
            // cosh beta = 1 + lambda / 2, so e^beta - 1 = lambda / 2 + sqrt(lambda (1 + lambda /
            // 4)).
            const double delta = 0.5 * lambda + std::sqrt(lambda * (1.0 + 0.25 * lambda));
            lambda_[slot] = lambda;
            delta_[slot] = delta;
            beta_[slot] = std::log1p(delta);
            twoSine_[slot] = 2.0 * std::sin(std::numbers::pi * k / m);
            inverseSinhN_[slot] = 1.0 / -std::expm1(-2.0 * beta_[slot] * n);
        }
        lowHat_ = transformed(sLow);
        highHat_ = transformed(sHigh);
        const auto lines = static_cast<std::size_t>(n - 1);
        sum_.resize(lines);
        difference_.resize(lines);
        for (std::size_t s = 0; s < lines; ++s) {
            sum_[s] = tLow[s] + tHigh[s];
            difference_[s] = tLow[s] - tHigh[s];
        }
    }

    int m() const noexcept { return m_; }
    int n() const noexcept { return n_; }

    // The scaled values of line s (1 <= s < n) at t = 1..m-1, into `out`: every mode eliminated
    // from both ends within its window, then one transform.
    void line(int s, double* out) const {
        const AlignedBuffer modes = alignedBuffer(static_cast<std::size_t>(m_ - 1));
        for (int k = 1; k < m_; ++k) {
            modes[static_cast<std::size_t>(k - 1)] = modeAt(k, s);
        }
        finish(modes.get(), out);
    }

    // The part of line s (0 < s < n) that the sides s = 0 and s = n carry, at t = 1..m-1. A mode
    // whose weights sinh(beta (n - s)) / sinh(beta n) and sinh(beta s) / sinh(beta n) are both
    // below e^-48.6 adds nothing that shows; beta grows with k, so the modes end there.
    void sidesPart(int s, std::span<const int> wanted, double* out) const {
        const auto count = static_cast<std::size_t>(m_ - 1);
        const AlignedBuffer modes = alignedBuffer(count);
        std::size_t used = 0;
        for (; used < count; ++used) {
            const double beta = beta_[used];
            const double fromLow = beta * s;  // the distance to the side s = 0, in decay lengths
            const double fromHigh = beta * (n_ - s);
            if (fromLow > kWindowBetas && fromHigh > kWindowBetas) {
                break;
            }
            const double towardLow = std::exp(-fromLow);  // e^(-beta s)
            const double towardHigh = std::exp(-fromHigh);
            // sinh(beta (n - s)) / sinh(beta n) = e^(-beta s) (1 - e^(-2 beta (n - s))) / (1 -
            // e^(-2 beta n)), and the other the same with s and n - s swapped.
            const double lowWeight = towardLow * rise(fromHigh, towardHigh);
            const double highWeight = towardHigh * rise(fromLow, towardLow);
            modes[used] =
                (lowHat_[used] * lowWeight + highHat_[used] * highWeight) * inverseSinhN_[used];
        }
        // A few modes at a few places are summed directly; many, by the transform.
        const double direct = static_cast<double>(used) * static_cast<double>(wanted.size());
        if (direct > kDirectShare * static_cast<double>(m_)) {
            std::fill(modes.get() + used, modes.get() + count, 0.0);
            transforms_->run(m_ - 1, modes.get());
            const double norm = 1.0 / (2.0 * m_);
            for (std::size_t r = 0; r < wanted.size(); ++r) {
                out[r] = modes[static_cast<std::size_t>(wanted[r] - 1)] * norm;
            }
            return;
        }
        for (std::size_t r = 0; r < wanted.size(); ++r) {
            out[r] = sineSum(modes.get(), used, wanted[r]) / m_;
        }
    }

    // What line n - 1 takes from values `high` on the side s = n (t = 1..m-1), all else 0, into
    // `out`; and line 1 from values on the side s = 0, the same by symmetry.
    void sideAnswer(const double* high, double* out) const {
        const auto count = static_cast<std::size_t>(m_ - 1);
        const AlignedBuffer modes = alignedBuffer(count);
        std::copy(high, high + count, modes.get());
        transforms_->run(m_ - 1, modes.get());
        for (std::size_t slot = 0; slot < count; ++slot) {
            modes[slot] *= sinhRatio(slot, n_ - 1);
        }
        finish(modes.get(), out);
    }

    // Every free node's value, line s (1 <= s < n) at `base + s * stride + t`, through `output`
    // (a scaled value to the caller's). Answers `progress`'s stop request between blocks of work.
    template <class Output>
    void field(double* base, std::ptrdiff_t stride, Output output, const Progress* progress) const {
        const int modes = m_ - 1;
        const auto lineAt = [&](int s) { return base + s * stride + 1; };
        for (int s = 1; s < n_; ++s) {
            double* values = lineAt(s);
            for (int k = 1; k < m_; ++k) {
                const std::size_t slot = static_cast<std::size_t>(k - 1);
                const std::vector<double>& sides = k % 2 == 1 ? sum_ : difference_;
                values[slot] = twoSine_[slot] * sides[static_cast<std::size_t>(s - 1)];
            }
            if (s == 1) {
                addTo(values, lowHat_);
            }
            if (s == n_ - 1) {
                addTo(values, highHat_);
            }
        }
        // The tridiagonal systems, a block of modes at a time, so that each line's step of the
        // elimination reads one stretch of memory.
        constexpr int kBlock = 8;
        std::vector<double> pivots(static_cast<std::size_t>(n_) * kBlock);
        for (int first = 0; first < modes; first += kBlock) {
            if (progress != nullptr) {
                progress->throwIfStopRequested();
            }
            const int count = std::min(kBlock, modes - first);
            double delta[kBlock];
            for (int b = 0; b < count; ++b) {
                delta[b] = 1.0 + lambda_[static_cast<std::size_t>(first + b)];
            }
            for (int s = 1; s < n_; ++s) {
                double* values = lineAt(s) + first;
                const double* before = lineAt(s - 1) + first;
                double* inverse = pivots.data() + static_cast<std::size_t>(s) * kBlock;
                const double* inverseBefore = inverse - kBlock;
                for (int b = 0; b < count; ++b) {
                    if (s > 1) {
                        values[b] += before[b] * inverseBefore[b];
                        delta[b] = lambda_[static_cast<std::size_t>(first + b)] +
                                   delta[b] * inverseBefore[b];
                    }
                    inverse[b] = 1.0 / (1.0 + delta[b]);
                }
            }
            for (int s = n_ - 1; s >= 1; --s) {
                double* values = lineAt(s) + first;
                const double* inverse = pivots.data() + static_cast<std::size_t>(s) * kBlock;
                for (int b = 0; b < count; ++b) {
                    const double above = s + 1 < n_ ? lineAt(s + 1)[first + b] : 0.0;
                    values[b] = (values[b] + above) * inverse[b];
                }
            }
        }
        const AlignedBuffer work = alignedBuffer(static_cast<std::size_t>(modes));
        const double norm = 1.0 / (2.0 * m_);
        for (int s = 1; s < n_; ++s) {
            if (progress != nullptr && s % 64 == 0) {
                progress->throwIfStopRequested();
            }
            double* values = lineAt(s);
            std::copy(values, values + modes, work.get());
            transforms_->run(modes, work.get());
            for (int t = 0; t < modes; ++t) {
                values[t] = output(work[static_cast<std::size_t>(t)] * norm);
            }
        }
    }

private:
    // sum_k modes[k - 1] sin(k pi t / m) over the first `used` modes, the sines by rotation from
    // one angle to the next, started afresh from the library's every kRotations modes so that
    // rounding never piles up.
    double sineSum(const double* modes, std::size_t used, int t) const {
        constexpr std::size_t kRotations = 32;
        const double angle = std::numbers::pi * t / m_;
        const double stepSine = std::sin(angle);
        const double stepCosine = std::cos(angle);
        double sum = 0.0;
        for (std::size_t first = 0; first < used; first += kRotations) {
            const double start = angle * static_cast<double>(first + 1);
            double sine = std::sin(start);
            double cosine = std::cos(start);
            const std::size_t end = std::min(used, first + kRotations);
            for (std::size_t k = first; k < end; ++k) {
                sum += modes[k] * sine;
                const double next = sine * stepCosine + cosine * stepSine;
                cosine = cosine * stepCosine - sine * stepSine;
                sine = next;
            }
        }
        return sum;
    }

    // 1 - e^(-2x), given e^-x: by expm1 where x is small and the difference would cancel.
    static double rise(double x, double decay) {
        return x > 0.35 ? 1.0 - decay * decay : -std::expm1(-2.0 * x);
    }

    // sinh(beta q) / sinh(beta n) for the mode at `slot`, 0 <= q <= n, from exponentials of
    // negative arguments, which never overflow.
    double sinhRatio(std::size_t slot, int q) const {
        const double x = beta_[slot] * q;
        return std::exp(-beta_[slot] * (n_ - q)) * rise(x, std::exp(-x)) * inverseSinhN_[slot];
    }

    void addTo(double* values, const std::vector<double>& hat) const {
        for (std::size_t slot = 0; slot < hat.size(); ++slot) {
            values[slot] += hat[slot];
        }
    }

    std::vector<double> transformed(const std::vector<double>& side) const {
        const auto count = static_cast<std::size_t>(m_ - 1);
        const AlignedBuffer work = alignedBuffer(count);
        std::copy(side.begin(), side.begin() + static_cast<std::ptrdiff_t>(count), work.get());
        transforms_->run(m_ - 1, work.get());
        return {work.get(), work.get() + count};
    }

    // The modes back to values: the transform and its normalisation.
    void finish(double* modes, double* out) const {
        transforms_->run(m_ - 1, modes);
        const double norm = 1.0 / (2.0 * m_);
        for (std::size_t t = 0; t + 1 < static_cast<std::size_t>(m_); ++t) {
            out[t] = modes[t] * norm;
        }
    }

    // The right-hand side of mode k on line q.
    double source(int k, std::size_t slot, int q) const {
        const std::vector<double>& sides = k % 2 == 1 ? sum_ : difference_;
        double value = twoSine_[slot] * sides[static_cast<std::size_t>(q - 1)];
        if (q == 1) {
            value += lowHat_[slot];
        }
        if (q == n_ - 1) {
            value += highHat_[slot];
        }
        return value;
    }

    // Mode k of line s: the elimination from below up to s - 1 and from above down to s + 1, each
    // within the mode's window, met at s.
    double modeAt(int k, int s) const {
        const auto slot = static_cast<std::size_t>(k - 1);
        const double lambda = lambda_[slot];
        const double settledDelta = delta_[slot];
        const double damping = 1.0 / (1.0 + settledDelta);  // e^-beta
        const double window = kWindowBetas / beta_[slot];
        const double settled = kSettledBetas / beta_[slot] + 2.0;
        const std::vector<double>& sides = k % 2 == 1 ? sum_ : difference_;
        const double twoSine = twoSine_[slot];
        // Sweeps lines `count` lines toward s, from the side `edge`: line q = edge + step * r
        // for r = 0..count-1; returns the eliminated sum and the pivot share delta / (1 + delta)
        // at the last line swept.
        const auto sweep = [&](int count, bool fromLow, double& sum, double& share) {
            const auto lineAtStep = [&](int r) { return fromLow ? 1 + r : n_ - 1 - r; };
            const double edgeHat = fromLow ? lowHat_[slot] : highHat_[slot];
            double y = 0.0;
            double delta = settledDelta;
            int r = 0;
            if (count - window > settled) {
                r = static_cast<int>(count - window);  // the lines before are out of reach
            } else {
                delta = 1.0 + lambda;
                y = edgeHat + twoSine * sides[static_cast<std::size_t>(lineAtStep(0) - 1)];
                r = 1;
                const int exactUntil = std::min(count, static_cast<int>(settled));
                for (; r < exactUntil; ++r) {
                    const double inverse = 1.0 / (1.0 + delta);
                    y = twoSine * sides[static_cast<std::size_t>(lineAtStep(r) - 1)] + y * inverse;
                    delta = lambda + delta * inverse;
                }
                if (r < count) {
                    delta = settledDelta;
                }
            }
            if (fromLow) {
                const double* h = sides.data();
                for (; r < count; ++r) {
                    y = twoSine * h[r] + y * damping;
                }
            } else {
                const double* h = sides.data() + (n_ - 2);
                for (; r < count; ++r) {
                    y = twoSine * h[-r] + y * damping;
                }
            }
            sum = y / (1.0 + delta);
            share = delta / (1.0 + delta);
        };
        double below = 0.0;
        double belowShare = 1.0;  // with no line below, x_0 = 0 takes nothing from the pivot
        if (s > 1) {
            sweep(s - 1, true, below, belowShare);
        }
        double above = 0.0;
        double aboveShare = 1.0;
        if (s < n_ - 1) {
            sweep(n_ - 1 - s, false, above, aboveShare);
        }
        return (source(k, slot, s) + below + above) / (lambda + belowShare + aboveShare);
    }

    int m_;
    int n_;
    const Transforms* transforms_;
    std::vector<double> lambda_;        // by mode k at k - 1: 2 - 2 cos(k pi / m)
    std::vector<double> delta_;         // e^beta - 1, the pivots' limit less 1
    std::vector<double> beta_;          // cosh beta = 1 + lambda / 2
    std::vector<double> twoSine_;       // 2 sin(k pi / m)
    std::vector<double> inverseSinhN_;  // 1 / (1 - e^(-2 beta n))
    std::vector<double> lowHat_;        // the transform of the side s = 0
    std::vector<double> highHat_;       // the transform of the side s = n
    std::vector<double> sum_;           // by line s at s - 1: the sides t = 0 plus t = m
    std::vector<double> difference_;    // the side t = 0 less the side t = m
};

// The values of a rectangle's four sides, scaled, at their inner nodes.
struct Sides {
    std::vector<double> bottom;  // y = y0, x = x0 + 1..x1 - 1
    std::vector<double> top;     // y = y1
    std::vector<double> left;    // x = x0, y = y0 + 1..y1 - 1
    std::vector<double> right;   // x = x1
};

// A rectangle of free nodes x0 < x < x1, y0 < y < y1, ready in both orientations: along y (its
// modes in y, its lines the columns) and along x (modes in x, lines the rows).
struct Rectangle {
    int x0, y0, x1, y1;
    std::unique_ptr<Spectral> alongY;
    std::unique_ptr<Spectral> alongX;

    bool holds(int i, int j) const noexcept { return x0 < i && i < x1 && y0 < j && j < y1; }

    void build(const Sides& sides, const Transforms& transforms) {
        alongY = std::make_unique<Spectral>(y1 - y0, x1 - x0, sides.left, sides.right, sides.bottom,
                                            sides.top, transforms);
        alongX = std::make_unique<Spectral>(x1 - x0, y1 - y0, sides.bottom, sides.top, sides.left,
                                            sides.right, transforms);
    }
};

}  // namespace

// The rectangles of a domain, the L's interface values, and the grid's values where walks stop.
class Pieces {
public:
    Pieces(const BoundaryGrid& grid, const WalkDomain& domain, Progress* progress)
        : grid_(grid), domain_(domain) {
        const int nx = grid.nx();
        const int ny = grid.ny();
        readScale();
        if (progress != nullptr) {
            progress->advance(kSidesRead);
            progress->throwIfStopRequested();
        }
        const int a = domain.a();
        const int b = domain.b();
        const auto add = [&](int x0, int y0, int x1, int y1) {
            if (x1 - x0 >= 2 && y1 - y0 >= 2) {
                rectangles_.push_back({x0, y0, x1, y1, nullptr, nullptr});
            }
        };
        const bool cutsAcross = a > 0 && a < nx;  // the segment x = a reaches inside
        const bool cutsUp = b > 0 && b < ny;
        if (cutsAcross && cutsUp) {
            add(0, 0, nx, b);   // the bottom strip
            add(0, b, a, ny);   // the block above it, left of the corner
            add(a, b, nx, ny);  // the removed block, walled in
            interfaceLength_ = std::max(a - 1, 0);
        } else if (cutsUp && a <= 0) {
            add(0, 0, nx, b);
            add(0, b, nx, ny);
        } else if (cutsAcross && b <= 0) {
            add(0, 0, a, ny);
            add(a, 0, nx, ny);
        } else {
            add(0, 0, nx, ny);
        }
        for (const Rectangle& r : rectangles_) {
            transforms_.prepare(r.x1 - r.x0 - 1);
            transforms_.prepare(r.y1 - r.y0 - 1);
            freeNodes_ += std::int64_t{r.x1 - r.x0 - 1} * (r.y1 - r.y0 - 1);
        }
        freeNodes_ += interfaceLength_;
        if (!finite_) {
            return;  // the free nodes read NaN: nothing to solve
        }
        std::vector<Sides> sides;
        for (const Rectangle& r : rectangles_) {
            sides.push_back(sidesOf(r));
        }
        if (progress != nullptr) {
            progress->advance(kInterfaceStarted - kSidesRead);
        }
        if (interfaceLength_ > 0) {
            solveInterface(sides, progress);
        }
        if (progress != nullptr) {
            progress->advance(kInterfaceSolved - kInterfaceStarted);
            progress->throwIfStopRequested();
        }
        for (std::size_t r = 0; r < rectangles_.size(); ++r) {
            rectangles_[r].build(sides[r], transforms_);
        }
        if (progress != nullptr) {
            progress->advance(kSolved - kInterfaceSolved);
        }
    }

    bool finite() const noexcept { return finite_; }
    std::int64_t freeNodes() const noexcept { return freeNodes_; }
    int interfaceSteps() const noexcept { return interfaceSteps_; }

    double at(int i, int j, const Progress* progress) const {
        const Node node{static_cast<Int16>(i), static_cast<Int16>(j)};
        if (domain_.stops(node)) {
            return grid_.at(i, j);
        }
        std::vector<double> values = column(i, progress);
        return values[static_cast<std::size_t>(j)];
    }

    std::vector<double> row(int j, const Progress* progress) const {
        const int nx = grid_.nx();
        std::vector<double> values(static_cast<std::size_t>(nx) + 1);
        for (int i = 0; i <= nx; ++i) {
            values[static_cast<std::size_t>(i)] = stoppingValue(i, j);
        }
        if (!finite_) {
            return values;
        }
        std::vector<double> line;
        for (const Rectangle& r : rectangles_) {
            if (r.y0 < j && j < r.y1) {
                if (progress != nullptr) {
                    progress->throwIfStopRequested();
                }
                line.resize(static_cast<std::size_t>(r.x1 - r.x0 - 1));
                r.alongX->line(j - r.y0, line.data());
                for (int i = r.x0 + 1; i < r.x1; ++i) {
                    values[static_cast<std::size_t>(i)] =
                        unscaled(line[static_cast<std::size_t>(i - r.x0 - 1)]);
                }
            }
        }
        if (interfaceLength_ > 0 && j == domain_.b()) {
            for (int i = 1; i <= interfaceLength_; ++i) {
                values[static_cast<std::size_t>(i)] =
                    unscaled(interface_[static_cast<std::size_t>(i - 1)]);
            }
        }
        return values;
    }

    std::vector<double> column(int i, const Progress* progress) const {
        const int ny = grid_.ny();
        std::vector<double> values(static_cast<std::size_t>(ny) + 1);
        for (int j = 0; j <= ny; ++j) {
            values[static_cast<std::size_t>(j)] = stoppingValue(i, j);
        }
        if (!finite_) {
            return values;
        }
        std::vector<double> line;
        for (const Rectangle& r : rectangles_) {
            if (r.x0 < i && i < r.x1) {
                if (progress != nullptr) {
                    progress->throwIfStopRequested();
                }
                line.resize(static_cast<std::size_t>(r.y1 - r.y0 - 1));
                r.alongY->line(i - r.x0, line.data());
                for (int j = r.y0 + 1; j < r.y1; ++j) {
                    values[static_cast<std::size_t>(j)] =
                        unscaled(line[static_cast<std::size_t>(j - r.y0 - 1)]);
                }
            }
        }
        if (interfaceLength_ > 0 && 0 < i && i <= interfaceLength_) {
            values[static_cast<std::size_t>(domain_.b())] =
                unscaled(interface_[static_cast<std::size_t>(i - 1)]);
        }
        return values;
    }

    std::vector<double> samples(std::span<const int> columns, std::span<const int> rows,
                                const Progress* progress) const {
        const std::size_t height = rows.size();
        std::vector<double> values(columns.size() * height);
        // First the stopping nodes' values and the interface's; a free node of a rectangle
        // gathers its two parts, scaled, and is unscaled at the end.
        std::vector<bool> gathered(values.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            for (std::size_t r = 0; r < height; ++r) {
                const int i = columns[c];
                const int j = rows[r];
                double& value = values[c * height + r];
                if (domain_.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
                    value = grid_.at(i, j);
                } else if (!finite_) {
                    value = std::numeric_limits<double>::quiet_NaN();
                } else if (interfaceLength_ > 0 && j == domain_.b() && i <= interfaceLength_) {
                    value = unscaled(interface_[static_cast<std::size_t>(i - 1)]);
                } else {
                    gathered[c * height + r] = true;
                }
            }
        }
        if (!finite_) {
            return values;
        }
        std::vector<int> places;
        std::vector<std::size_t> slots;
        std::vector<double> part;
        for (const Rectangle& rect : rectangles_) {
            // The left and right sides' part along each sampled column, the bottom and top
            // sides' part along each sampled row, each at the samples inside the rectangle.
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const int i = columns[c];
                if (rect.x0 < i && i < rect.x1) {
                    places.clear();
                    slots.clear();
                    for (std::size_t r = 0; r < height; ++r) {
                        if (rect.holds(i, rows[r])) {
                            places.push_back(rows[r] - rect.y0);
                            slots.push_back(c * height + r);
                        }
                    }
                    addPart(*rect.alongY, i - rect.x0, places, slots, part, values, progress);
                }
            }
            for (std::size_t r = 0; r < height; ++r) {
                const int j = rows[r];
                if (rect.y0 < j && j < rect.y1) {
                    places.clear();
                    slots.clear();
                    for (std::size_t c = 0; c < columns.size(); ++c) {
                        if (rect.holds(columns[c], j)) {
                            places.push_back(columns[c] - rect.x0);
                            slots.push_back(c * height + r);
                        }
                    }
                    addPart(*rect.alongX, j - rect.y0, places, slots, part, values, progress);
                }
            }
        }
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (gathered[k]) {
                values[k] = unscaled(values[k]);
            }
        }
        return values;
    }

    std::vector<double> field(const Progress* progress) const {
        const int nx = grid_.nx();
        const int ny = grid_.ny();
        const auto column = static_cast<std::size_t>(ny) + 1;
        std::vector<double> values((static_cast<std::size_t>(nx) + 1) * column);
        // The stopping nodes: the outer lines and the corner's segments. Every other node is
        // written below (or is NaN when the grid is not finite).
        if (!finite_) {
            std::fill(values.begin(), values.end(), std::numeric_limits<double>::quiet_NaN());
        }
        const auto put = [&](int i, int j) {
            values[static_cast<std::size_t>(i) * column + static_cast<std::size_t>(j)] =
                grid_.at(i, j);
        };
        for (int i = 0; i <= nx; ++i) {
            put(i, 0);
            put(i, ny);
        }
        for (int j = 0; j <= ny; ++j) {
            put(0, j);
            put(nx, j);
        }
        const int a = domain_.a();
        const int b = domain_.b();
        if (a >= 0 && a <= nx) {
            for (int j = std::max(b, 0); j <= ny; ++j) {
                put(a, j);
            }
        }
        if (b >= 0 && b <= ny) {
            for (int i = std::max(a, 0); i <= nx; ++i) {
                put(i, b);
            }
        }
        if (!finite_) {
            return values;
        }
        const auto output = [this](double scaled) { return unscaled(scaled); };
        for (const Rectangle& r : rectangles_) {
            double* base = values.data() + static_cast<std::size_t>(r.x0) * column +
                           static_cast<std::size_t>(r.y0);
            r.alongY->field(base, static_cast<std::ptrdiff_t>(column), output, progress);
        }
        for (int i = 1; i <= interfaceLength_; ++i) {
            values[static_cast<std::size_t>(i) * column + static_cast<std::size_t>(b)] =
                unscaled(interface_[static_cast<std::size_t>(i - 1)]);
        }
        return values;
    }

private:
    // Adds the part of line s of `spectral` that its sides s = 0 and s = n carry, at `places`
    // along it, to `values` at `slots`.
    static void addPart(const Spectral& spectral, int s, const std::vector<int>& places,
                        const std::vector<std::size_t>& slots, std::vector<double>& part,
                        std::vector<double>& values, const Progress* progress) {
        if (places.empty()) {
            return;
        }
        if (progress != nullptr) {
            progress->throwIfStopRequested();
        }
        part.resize(places.size());
        spectral.sidesPart(s, places, part.data());
        for (std::size_t k = 0; k < slots.size(); ++k) {
            values[slots[k]] += part[k];
        }
    }

    // The largest |value| where walks stop (a NaN if any is one), and the power of two that scales
    // it into [1, 2). The stopping nodes are the outer lines and the corner's segments.
    void readScale() {
        const int nx = grid_.nx();
        const int ny = grid_.ny();
        double largest = 0.0;
        const auto see = [&](int i, int j) {
            const double value = std::fabs(grid_.at(i, j));
            largest = std::isnan(value) || value > largest ? value : largest;
        };
        for (int i = 0; i <= nx; ++i) {
            see(i, 0);
            see(i, ny);
        }
        for (int j = 0; j <= ny; ++j) {
            see(0, j);
            see(nx, j);
        }
        const int a = domain_.a();
        const int b = domain_.b();
        if (a >= 0 && a <= nx) {
            for (int j = std::max(b, 0); j <= ny; ++j) {
                see(a, j);
            }
        }
        if (b >= 0 && b <= ny) {
            for (int i = std::max(a, 0); i <= nx; ++i) {
                see(i, b);
            }
        }
        finite_ = std::isfinite(largest);
        largest_ = largest;
        exponent_ = finite_ && largest > 0.0 ? std::ilogb(largest) : 0;
        scale_ = std::ldexp(1.0, exponent_);  // 2^-1074 at the least: a double still
    }

    double scaled(int i, int j) const { return std::ldexp(grid_.at(i, j), -exponent_); }

    // A scaled value back to the grid's scale, kept within the largest |value| where walks stop,
    // as the maximum principle has it (rounding could otherwise push a value near the largest
    // double past it).
    double unscaled(double value) const { return std::clamp(value * scale_, -largest_, largest_); }

    // The grid's value where walks stop; a NaN at a free node, written over by the caller.
    double stoppingValue(int i, int j) const {
        if (domain_.stops({static_cast<Int16>(i), static_cast<Int16>(j)})) {
            return grid_.at(i, j);
        }
        return std::numeric_limits<double>::quiet_NaN();
    }

    // The scaled values of a rectangle's sides; the interface's nodes read 0 until it is solved.
    Sides sidesOf(const Rectangle& r) const {
        Sides sides;
        const auto onSide = [&](int i, int j) {
            return domain_.stops({static_cast<Int16>(i), static_cast<Int16>(j)}) ? scaled(i, j)
                                                                                 : 0.0;
        };
        for (int i = r.x0 + 1; i < r.x1; ++i) {
            sides.bottom.push_back(onSide(i, r.y0));
            sides.top.push_back(onSide(i, r.y1));
        }
        for (int j = r.y0 + 1; j < r.y1; ++j) {
            sides.left.push_back(onSide(r.x0, j));
            sides.right.push_back(onSide(r.x1, j));
        }
        return sides;
    }

    // The L's interface y = b, 0 < x < a, between the bottom strip 0..nx x 0..b and the block
    // 0..a x b..ny: the mean rule at each of its nodes, with each rectangle's answer to the
    // interface values, solved by preconditioned conjugate gradients. Its values then go into
    // both rectangles' sides.
    void solveInterface(std::vector<Sides>& sides, Progress* progress) {
        const int nx = grid_.nx();
        const int ny = grid_.ny();
        const int a = domain_.a();
        const int b = domain_.b();
        const auto count = static_cast<std::size_t>(interfaceLength_);
        const int length = interfaceLength_;
        transforms_.prepare(length);
        // The two rectangles, when they have free nodes (the strip's is the first one kept).
        const Rectangle* strip = nullptr;
        const Rectangle* block = nullptr;
        Sides* stripSides = nullptr;
        Sides* blockSides = nullptr;
        for (std::size_t r = 0; r < rectangles_.size(); ++r) {
            const Rectangle& rect = rectangles_[r];
            if (rect.x0 == 0 && rect.y0 == 0 && rect.y1 == b) {
                strip = &rect;
                stripSides = &sides[r];
            } else if (rect.x0 == 0 && rect.y0 == b && rect.x1 == a) {
                block = &rect;
                blockSides = &sides[r];
            }
        }
        std::unique_ptr<Spectral> below;
        std::unique_ptr<Spectral> above;
        // What the interface sees with its own values 0: the line next to it on each side (or
        // the grid's own line there, where a rectangle has no free node), and its two ends.
        std::vector<double> known(count, 0.0);
        std::vector<double> work(static_cast<std::size_t>(std::max(nx, a)));
        if (strip != nullptr) {
            below = std::make_unique<Spectral>(nx, b, stripSides->bottom, stripSides->top,
                                               stripSides->left, stripSides->right, transforms_);
            below->line(b - 1, work.data());
            for (std::size_t x = 0; x < count; ++x) {
                known[x] += work[x];
            }
        } else {
            for (int x = 1; x <= length; ++x) {
                known[static_cast<std::size_t>(x - 1)] += scaled(x, b - 1);
            }
        }
        if (block != nullptr) {
            above = std::make_unique<Spectral>(a, ny - b, blockSides->bottom, blockSides->top,
                                               blockSides->left, blockSides->right, transforms_);
            above->line(1, work.data());
            for (std::size_t x = 0; x < count; ++x) {
                known[x] += work[x];
            }
        } else {
            for (int x = 1; x <= length; ++x) {
                known[static_cast<std::size_t>(x - 1)] += scaled(x, b + 1);
            }
        }
        known.front() += scaled(0, b);
        known.back() += scaled(a, b);

        // The operator: 4 g less its neighbours along the line and the two rectangles' answers.
        const AlignedBuffer padded = alignedBuffer(static_cast<std::size_t>(nx));
        std::vector<double> answer(static_cast<std::size_t>(nx));
        const auto apply = [&](const std::vector<double>& g, std::vector<double>& out) {
            for (std::size_t x = 0; x < count; ++x) {
                out[x] = 4.0 * g[x] - (x > 0 ? g[x - 1] : 0.0) - (x + 1 < count ? g[x + 1] : 0.0);
            }
            if (below) {
                std::fill(padded.get(), padded.get() + nx, 0.0);
                std::copy(g.begin(), g.end(), padded.get());
                below->sideAnswer(padded.get(), answer.data());
                for (std::size_t x = 0; x < count; ++x) {
                    out[x] -= answer[x];
                }
            }
            if (above) {
                // The block's answer on its line 1 to values on its side s = 0: by symmetry the
                // same as to values on its side s = n at line n - 1.
                above->sideAnswer(g.data(), answer.data());
                for (std::size_t x = 0; x < count; ++x) {
                    out[x] -= answer[x];
                }
            }
        };
        // The preconditioner: the same operator with the strip cut to the interface's width,
        // which is diagonal in the interface's sine modes.
        std::vector<double> inversePreconditioner(count);
        for (int k = 1; k <= length; ++k) {
            const double half = std::sin(std::numbers::pi * k / (2.0 * a));
            const double lambda = 4.0 * half * half;
            const double delta = 0.5 * lambda + std::sqrt(lambda * (1.0 + 0.25 * lambda));
            const double beta = std::log1p(delta);
            const auto answerOf = [beta](int height) {
                // sinh(beta (height - 1)) / sinh(beta height)
                return height < 2 ? 0.0
                                  : std::exp(-beta) * std::expm1(-2.0 * beta * (height - 1)) /
                                        std::expm1(-2.0 * beta * height);
            };
            inversePreconditioner[static_cast<std::size_t>(k - 1)] =
                1.0 / ((2.0 + lambda - answerOf(b) - answerOf(ny - b)) * 2.0 * a);
        }
        const AlignedBuffer modes = alignedBuffer(count);
        const auto precondition = [&](const std::vector<double>& r, std::vector<double>& z) {
            std::copy(r.begin(), r.end(), modes.get());
            transforms_.run(length, modes.get());
            for (std::size_t k = 0; k < count; ++k) {
                modes[k] *= inversePreconditioner[k];
            }
            transforms_.run(length, modes.get());
            std::copy(modes.get(), modes.get() + count, z.begin());
        };
        const auto dot = [count](const std::vector<double>& u, const std::vector<double>& v) {
            double sum = 0.0;
            for (std::size_t x = 0; x < count; ++x) {
                sum += u[x] * v[x];
            }
            return sum;
        };
        const auto largestOf = [](const std::vector<double>& v) {
            double largest = 0.0;
            for (const double value : v) {
                largest = std::max(largest, std::fabs(value));
            }
            return largest;
        };

        std::vector<double> g(count);
        std::vector<double> residual(count);
        std::vector<double> z(count);
        std::vector<double> direction(count);
        std::vector<double> image(count);
        precondition(known, g);
        apply(g, image);
        for (std::size_t x = 0; x < count; ++x) {
            residual[x] = known[x] - image[x];
        }
        const double tolerance = kInterfaceTolerance * std::max(largestOf(known), 1.0);
        precondition(residual, z);
        direction = z;
        double rz = dot(residual, z);
        int step = 0;
        for (; step < kMaxInterfaceSteps && largestOf(residual) > tolerance && rz > 0.0; ++step) {
            if (progress != nullptr) {
                progress->throwIfStopRequested();
            }
            apply(direction, image);
            const double curvature = dot(direction, image);
            if (!(curvature > 0.0)) {
                break;
            }
            const double alpha = rz / curvature;
            for (std::size_t x = 0; x < count; ++x) {
                g[x] += alpha * direction[x];
                residual[x] -= alpha * image[x];
            }
            precondition(residual, z);
            const double next = dot(residual, z);
            const double ratio = next / rz;
            rz = next;
            for (std::size_t x = 0; x < count; ++x) {
                direction[x] = z[x] + ratio * direction[x];
            }
        }
        interfaceSteps_ = step;
        interface_ = g;
        for (std::size_t x = 0; x < count; ++x) {
            if (stripSides != nullptr) {
                stripSides->top[x] = g[x];
            }
            if (blockSides != nullptr) {
                blockSides->bottom[x] = g[x];
            }
        }
    }

    BoundaryGrid grid_;
    WalkDomain domain_;
    Transforms transforms_;
    std::vector<Rectangle> rectangles_;
    int interfaceLength_ = 0;
    std::vector<double> interface_;  // scaled, by x at x - 1
    double largest_ = 0.0;
    int exponent_ = 0;
    double scale_ = 1.0;  // 2^exponent
    bool finite_ = true;
    std::int64_t freeNodes_ = 0;
    int interfaceSteps_ = 0;
};

}  // namespace exact_detail

namespace {

// Runs `work`, turning a failed allocation into the program's out-of-memory error.
template <class Work>
auto answering(Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta");
    }
}

}  // namespace

ExactSolveTooLarge::ExactSolveTooLarge(std::size_t neededBytes, std::size_t limitBytes)
    : RuntimeError(ErrorKind::OutOfMemory, "soluzione esatta: griglia troppo grande"),
      needed_(neededBytes),
      limit_(limitBytes) {}

ExactSolution::ExactSolution(Int16 nx, Int16 ny, std::unique_ptr<exact_detail::Pieces> pieces)
    : nx_(nx),
      ny_(ny),
      pieces_(std::move(pieces)),
      finite_(pieces_->finite()),
      freeNodes_(pieces_->freeNodes()),
      interfaceSteps_(pieces_->interfaceSteps()) {}
ExactSolution::ExactSolution(ExactSolution&&) noexcept = default;
ExactSolution& ExactSolution::operator=(ExactSolution&&) noexcept = default;
ExactSolution::~ExactSolution() = default;

double ExactSolution::at(int i, int j, const Progress* progress) const {
    if (i < 0 || i > nx_ || j < 0 || j > ny_) {
        throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    }
    return answering([&] { return pieces_->at(i, j, progress); });
}

std::vector<double> ExactSolution::row(int j, const Progress* progress) const {
    if (j < 0 || j > ny_) {
        throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    }
    return answering([&] { return pieces_->row(j, progress); });
}

std::vector<double> ExactSolution::column(int i, const Progress* progress) const {
    if (i < 0 || i > nx_) {
        throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    }
    return answering([&] { return pieces_->column(i, progress); });
}

std::vector<double> ExactSolution::samples(std::span<const int> columns, std::span<const int> rows,
                                           const Progress* progress) const {
    for (const int i : columns) {
        if (i < 0 || i > nx_) {
            throw RuntimeError(ErrorKind::SubscriptOutOfRange);
        }
    }
    for (const int j : rows) {
        if (j < 0 || j > ny_) {
            throw RuntimeError(ErrorKind::SubscriptOutOfRange);
        }
    }
    return answering([&] { return pieces_->samples(columns, rows, progress); });
}

std::vector<double> ExactSolution::field(const Progress* progress) const {
    return answering([&] { return pieces_->field(progress); });
}

std::size_t ExactSolution::fieldBytes() const noexcept {
    return (static_cast<std::size_t>(nx_) + 1) * (static_cast<std::size_t>(ny_) + 1) *
           sizeof(double);
}

std::size_t exactSolveBytes(const WalkDomain& domain) {
    // Per node of the outer lines: the grid's copy, each rectangle's sides and sine coefficients
    // in both orientations, its modes' constants, the transforms' plans and work, the interface's
    // vectors: below 250 bytes measured (the L of 32766 steps a side took 21 MiB at its peak, the
    // process and its grid included); and a few hundred KiB whatever the size.
    const double sides = std::max(domain.nx() + 1.0, 1.0) + std::max(domain.ny() + 1.0, 1.0);
    return static_cast<std::size_t>((1u << 20) + 512.0 * sides);
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
        progress->begin(Stage::Exact, exact_detail::kSolved);
        progress->throwIfStopRequested();
    }
    return answering([&] {
        return ExactSolution(grid.nx(), grid.ny(),
                             std::make_unique<exact_detail::Pieces>(grid, domain, progress));
    });
}

}  // namespace nurlo
