// The Monte Carlo estimate at one node: the mean of the grid values where N walks end.
//
// As N grows the estimate tends to the value at the start node of the discrete harmonic function
// (every interior node the mean of its four neighbours) that takes the grid's values on the
// border. The walks run in chunks of kChunkWalks; each chunk draws from its own source, split from
// one seed forked off the caller's source, and keeps its own running sum and variance. The chunks'
// sums are added in chunk order, so a seeded estimate is the same whichever thread ran which chunk.
//
// Given a WalkPool, the estimator runs the chunks of each estimate on the pool's threads; each
// chunk leaves its result in a slot of its own, and the calling thread adds them up in chunk
// order, each as soon as it and every chunk before it are done, while the later chunks still run.
// Without a pool the chunks run one after the other on the caller. The estimate is the same to
// the last bit either way, for any number of threads.
//
// The walks step node by node (RandomWalk) or jump across the grid's empty squares (JumpWalk):
// their end nodes have the same law, so either gives the same estimate in law; the jumps take a
// few dozen draws a walk where the steps take about 0.3 n^2.
//
// Given a WalkRecorder, the estimator also hands it each walk's end, chunk by chunk in chunk
// order as each chunk is added, and traces the first walks of an estimate (walk_record.hpp), which
// reach the recorder with the first chunk. Each chunk writes its ends into its own slice of a
// buffer the recorder keeps; the draws, and so the estimate, are the same to the last bit.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "boundary_grid.hpp"
#include "jump_walk.hpp"
#include "progress.hpp"
#include "walk.hpp"
#include "walk_pool.hpp"
#include "walk_record.hpp"

namespace nurlo {

// Mean and variance of a stream of values (Welford), with the merge of two partial streams
// (Chan, Golub and LeVeque).
//
// The deviations are taken in units of 2^e, where 2^e is the largest power of two not above the
// largest |value| seen (e >= 0), and the sum of their squares is kept in units of 4^e. Scaling by
// powers of two is exact, so the figures are those of the plain method; yet values beyond 1e154,
// whose squares overflow a double, and values of both signs near the largest double, whose
// difference overflows it, still have a finite standard error. A value that is not finite (an
// infinity, a NaN) makes the mean or the standard error not finite: it is never hidden.
class RunningStats {
public:
    void add(double value) {
        fitScaleTo(std::fabs(value));
        ++count_;
        // In units of 2^e both lie below 2 in magnitude, and their difference below 4.
        const double delta = value * unscale_ - mean_ * unscale_;
        mean_ += delta / static_cast<double>(count_) * scale_;
        m2_ += delta * (value * unscale_ - mean_ * unscale_);
    }

    void merge(const RunningStats& other) {
        if (other.count_ == 0) {
            return;
        }
        if (count_ == 0) {
            *this = other;  // nothing to weigh it against
            return;
        }
        const int exponent = std::max(exponent_, other.exponent_);
        const double otherM2 = std::ldexp(other.m2_, 2 * (other.exponent_ - exponent));
        m2_ = std::ldexp(m2_, 2 * (exponent_ - exponent));
        setExponent(exponent);
        const std::int64_t count = count_ + other.count_;
        const double delta = other.mean_ * unscale_ - mean_ * unscale_;  // in units of 2^e
        const double weight = static_cast<double>(other.count_) / static_cast<double>(count);
        mean_ += delta * weight * scale_;
        m2_ += otherM2 + delta * delta * static_cast<double>(count_) * weight;
        count_ = count;
    }

    std::int64_t count() const noexcept { return count_; }
    double mean() const noexcept { return mean_; }
    // The sample variance; 0 with fewer than two values.
    double variance() const noexcept { return std::ldexp(scaledVariance(), 2 * exponent_); }
    // The standard error of the mean; 0 with fewer than two values.
    double standardError() const noexcept {
        if (count_ < 2) {
            return 0.0;  // with no value at all, the variance over the count would be 0 / 0
        }
        return std::ldexp(std::sqrt(scaledVariance() / static_cast<double>(count_)), exponent_);
    }

private:
    double scaledVariance() const noexcept {
        return count_ < 2 ? 0.0 : m2_ / static_cast<double>(count_ - 1);
    }
    void fitScaleTo(double magnitude) {
        // An infinity keeps the scale: it has no exponent to take.
        if (magnitude >= limit_ && magnitude <= std::numeric_limits<double>::max()) [[unlikely]] {
            const int exponent = std::ilogb(magnitude);
            m2_ = std::ldexp(m2_, 2 * (exponent_ - exponent));
            setExponent(exponent);
        }
    }
    void setExponent(int exponent) {
        exponent_ = exponent;
        scale_ = std::ldexp(1.0, exponent);
        unscale_ = std::ldexp(1.0, -exponent);
        limit_ = std::ldexp(2.0, exponent);  // infinite from 2^1023 on: no larger scale exists
    }

    std::int64_t count_ = 0;
    double mean_ = 0.0;
    double m2_ = 0.0;  // divided by 4^exponent_
    int exponent_ = 0;
    double scale_ = 1.0;  // 2^exponent_
    double unscale_ = 1.0;
    double limit_ = 2.0;
};

struct Estimate {
    double value = 0.0;          // the sum of the end values divided by N
    double standardError = 0.0;  // of that mean; 0 with fewer than two walks
    Int16 walks = 0;             // the N asked for
};

// A running sum of doubles that carries the rounding error of each addition along (Neumaier's
// compensated summation), so that the sum of N copies of one value is N times that value to the
// last bit, and the mean of walks that all end on one node is that node's value. Each addition is
// checked: a sum that overflows raises the floating-point error.
class CompensatedSum {
public:
    void add(double value) {
        const double total = checkedReal(sum_ + value);
        compensation_ +=
            std::fabs(sum_) >= std::fabs(value) ? (sum_ - total) + value : (value - total) + sum_;
        sum_ = total;
    }
    void add(const CompensatedSum& other) {
        add(other.sum_);
        add(other.compensation_);
    }
    double value() const { return checkedReal(sum_ + compensation_); }

    // The sum divided by `divisor`, as close as a double gets: the quotient of the leading part
    // is corrected with its remainder (exact, by a fused multiply-add) and the compensation. So
    // N copies of a value divided by N give that value to the last bit. A quotient that is not
    // finite (0 / 0, an overflow) raises the floating-point error.
    double dividedBy(double divisor) const {
        const double quotient = checkedReal(sum_ / divisor);
        const double remainder = std::fma(-quotient, divisor, sum_);
        return checkedReal(quotient + (remainder + compensation_) / divisor);
    }

private:
    double sum_ = 0.0;
    double compensation_ = 0.0;
};

// The walks of one chunk: the sum of their end values in walk order, and their statistics.
struct ChunkResult {
    CompensatedSum sum;
    RunningStats stats;
};

// The walk of an estimate: both end where the lattice walk ends, with the same law.
enum class WalkKind {
    Lattice,  // one node at a time (RandomWalk)
    Jump,     // across the empty squares of the grid (JumpWalk), far fewer draws
};

// How an estimate runs: on which threads, reporting to what, and with which walk.
struct EstimatorOptions {
    // The threads that share the chunks; none: the calling thread runs them one after the other.
    WalkPool* pool = nullptr;
    // Counts the finished walks and asks the walks to stop; none: the estimate runs to its end.
    Progress* progress = nullptr;
    WalkKind walk = WalkKind::Lattice;
    // Receives the walks' ends and the first walks' traces; none: nothing is recorded.
    WalkRecorder* recorder = nullptr;
};

class WalkEstimator {
public:
    // Small enough that an estimate of a thousand walks has sixteen chunks: the threads then end
    // an estimate within a fraction of a chunk of each other, however long the walks of one
    // chunk happen to be.
    static constexpr int kChunkWalks = 64;

    // The grid must have the domain's counts. The pool and the progress of `options` must
    // outlive the estimator's runs.
    WalkEstimator(const BoundaryGrid& grid, const WalkDomain& domain, EstimatorOptions options = {})
        : grid_(grid), domain_(domain), options_(options) {
        if (grid.nx() != domain.nx() || grid.ny() != domain.ny()) {
            throw std::invalid_argument("WalkEstimator: grid and domain differ in size");
        }
    }

    // `walks` walks from `start`, and the mean of the grid values where they end: the sum of
    // those values divided by `walks`.
    // - `walks` <= 0 runs no walk. Then 0 walks divide 0 by 0, the floating-point error, and a
    //   negative count gives 0.
    // - A start node off the grid raises the subscript-out-of-range error before any walk (such a
    //   walk may never meet the border).
    // - A sum that overflows a double raises the floating-point error.
    // - An error met by a chunk is raised when the in-order addition reaches that chunk, so the
    //   error seen is the same with or without a pool; the chunks after it that have not begun
    //   are not run.
    // - A stop asked for through the progress raises Interrupted within a walk or so.
    template <UniformSource Source>
    Estimate run(Node start, Int16 walks, Source& source) const {
        domain_.checkStart(start);
        if (options_.progress != nullptr) {
            options_.progress->throwIfStopRequested();
        }
        const Source seed = source.fork();
        const int chunks = chunkCount(walks);
        std::array<ChunkResult, kMaxChunks> results{};
        std::array<std::exception_ptr, kMaxChunks> errors{};
        WalkRecorder* const recorder = options_.recorder;
        std::vector<ChunkRecord> records;
        if (recorder != nullptr) {
            const std::span<WalkEnd> ends =
                recorder->endBuffer(static_cast<std::size_t>(std::max<int>(walks, 0)));
            records.resize(static_cast<std::size_t>(chunks));
            for (int chunk = 0; chunk < chunks; ++chunk) {
                records[static_cast<std::size_t>(chunk)].ends =
                    ends.subspan(static_cast<std::size_t>(chunk * kChunkWalks),
                                 static_cast<std::size_t>(walksInChunk(walks, chunk)));
            }
            if (chunks > 0) {
                records.front().traces =
                    std::clamp(recorder->tracesWanted(), 0, WalkRecorder::kTracedWalks);
            }
        }
        const auto runOne = [&](int chunk) {
            const auto slot = static_cast<std::size_t>(chunk);
            try {
                Source chunkSource = seed.split(static_cast<std::uint64_t>(chunk));
                const int chunkWalks = walksInChunk(walks, chunk);
                results[slot] = recorder == nullptr
                                    ? runChunk(start, chunkWalks, chunkSource)
                                    : runChunk(start, chunkWalks, chunkSource, &records[slot]);
            } catch (...) {
                errors[slot] = std::current_exception();
            }
        };
        CompensatedSum sum;
        RunningStats stats;
        // On the calling thread, chunk after chunk in chunk order.
        const auto addOne = [&](int chunk) {
            const auto slot = static_cast<std::size_t>(chunk);
            if (errors[slot]) {
                std::rethrow_exception(errors[slot]);
            }
            sum.add(results[slot].sum);
            stats.merge(results[slot].stats);
            if (recorder != nullptr) {
                ChunkRecord& record = records[slot];
                for (WalkTrace& trace : record.traced) {
                    recorder->traced(std::move(trace));
                }
                recorder->ended(start, record.ends);
                record.traced.clear();
            }
        };
        if (options_.pool != nullptr) {
            options_.pool->parallelForInOrder(chunks, runOne, addOne);
        } else {
            for (int chunk = 0; chunk < chunks; ++chunk) {
                runOne(chunk);
                addOne(chunk);
            }
        }
        return finish(sum, stats, walks);
    }

private:
    // The chunks of the largest count of walks.
    static constexpr int kMaxChunks = (kInt16Max + kChunkWalks - 1) / kChunkWalks;
    // From this many steps per side on, a lattice walk takes long enough (a millisecond or so)
    // that each one is counted as it ends; shorter walks are counted by the chunk, which keeps
    // the shared counter out of their way.
    static constexpr int kSideOfLongWalks = 256;

    // The chunks of an estimate of `walks` walks, and the walks of its chunk `chunk`.
    static constexpr int chunkCount(Int16 walks) {
        return walks <= 0 ? 0 : (walks + kChunkWalks - 1) / kChunkWalks;
    }
    static constexpr int walksInChunk(Int16 walks, int chunk) {
        const int first = chunk * kChunkWalks;
        return walks - first < kChunkWalks ? walks - first : kChunkWalks;
    }

    // What one chunk records for a recorder: the traces of its first `traces` walks, and the
    // ends of all of them in its slice of the recorder's buffer.
    struct ChunkRecord {
        int traces = 0;
        std::vector<WalkTrace> traced;
        std::span<WalkEnd> ends;
    };

    // The walks of one chunk; with `record`, recording them there.
    template <UniformSource Source>
    ChunkResult runChunk(Node start, int walks, Source& source,
                         ChunkRecord* record = nullptr) const {
        if (options_.walk == WalkKind::Jump) {
            return runWalks(JumpWalk(domain_, start), walks, source, false, record);
        }
        const bool countEachWalk =
            domain_.nx() >= kSideOfLongWalks || domain_.ny() >= kSideOfLongWalks;
        return runWalks(RandomWalk(domain_, start), walks, source, countEachWalk, record);
    }

    template <class Walk, UniformSource Source>
    ChunkResult runWalks(const Walk& walk, int walks, Source& source, bool countEachWalk,
                         ChunkRecord* record) const {
        if (record != nullptr) {
            return walkLoop<true>(walk, walks, source, countEachWalk, record);
        }
        return walkLoop<false>(walk, walks, source, countEachWalk, nullptr);
    }

    // The walk loop, compiled apart for recording and not, so that the loop that records nothing
    // has nothing of the recording in it.
    template <bool kRecording, class Walk, UniformSource Source>
    ChunkResult walkLoop(const Walk& walk, int walks, Source& source, bool countEachWalk,
                         ChunkRecord* record) const {
        ChunkResult result;
        Progress* progress = options_.progress;
        for (int k = 0; k < walks; ++k) {
            Node end;
            if constexpr (kRecording) {
                if (k < record->traces) {
                    if (progress != nullptr) {
                        progress->throwIfStopRequested();
                    }
                    WalkTrace trace;
                    trace.start = walk.start();
                    end = runTraced(walk, source, progress, trace);
                    record->traced.push_back(std::move(trace));
                } else if (progress != nullptr) {
                    progress->throwIfStopRequested();
                    end = runOne(walk, source, *progress);
                } else {
                    end = walk.run(source);
                }
            } else if (progress != nullptr) {
                progress->throwIfStopRequested();
                end = runOne(walk, source, *progress);
            } else {
                end = walk.run(source);
            }
            const double value = grid_.at(end.x, end.y);
            result.sum.add(value);
            result.stats.add(value);
            if constexpr (kRecording) {
                record->ends[static_cast<std::size_t>(k)] = {end, value};
            }
            if (progress != nullptr && countEachWalk) {
                progress->advance(1);
            }
        }
        if (progress != nullptr && !countEachWalk) {
            progress->advance(walks);
        }
        return result;
    }

    // One walk that looks at a request to stop as it goes: a lattice walk may be long.
    template <UniformSource Source>
    static Node runOne(const RandomWalk& walk, Source& source, const Progress& progress) {
        return walk.run(source, &progress);
    }
    template <UniformSource Source>
    static Node runOne(const JumpWalk& walk, Source& source, const Progress&) {
        return walk.run(source);
    }

    // One walk, traced.
    template <UniformSource Source>
    static Node runTraced(const RandomWalk& walk, Source& source, const Progress* progress,
                          WalkTrace& trace) {
        TraceTo to(trace);
        return walk.run(source, progress, to);
    }
    template <UniformSource Source>
    static Node runTraced(const JumpWalk& walk, Source& source, const Progress*, WalkTrace& trace) {
        TraceTo to(trace);
        JumpCounts counts;
        return walk.run(source, counts, to);
    }

    static Estimate finish(const CompensatedSum& sum, const RunningStats& stats, Int16 walks) {
        Estimate estimate;
        estimate.walks = walks;
        estimate.standardError = stats.standardError();
        // 0.0 / N for a negative N is -0; the estimate of no walk is a plain 0.
        estimate.value = walks < 0 ? 0.0 : sum.dividedBy(walks);
        return estimate;
    }

    const BoundaryGrid& grid_;
    WalkDomain domain_;
    EstimatorOptions options_;
};

}  // namespace nurlo
