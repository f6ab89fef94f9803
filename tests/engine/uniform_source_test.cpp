#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "uniform_source.hpp"

namespace nurlo {
namespace {

// A clock that always reads the same tick, as when many draws fall within one clock tick.
struct FrozenClock {
    std::uint64_t tick = 1234567;
    std::uint64_t operator()() const { return tick; }
};

template <class Source>
std::vector<double> drawWithReseed(Source& source, int count) {
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        source.reseed();
        values.push_back(source.next());
    }
    return values;
}

// Chi-square of the values over `bins` equal bins of [0, 1).
double chiSquare(const std::vector<double>& values, int bins) {
    std::vector<long> counts(static_cast<std::size_t>(bins));
    for (const double v : values) {
        ++counts[static_cast<std::size_t>(v * bins)];
    }
    const double expected = static_cast<double>(values.size()) / bins;
    double sum = 0.0;
    for (const long c : counts) {
        sum += (static_cast<double>(c) - expected) * (static_cast<double>(c) - expected) / expected;
    }
    return sum;
}

TEST(UniformSource, DrawsLieInTheUnitIntervalWithFiftyThreeBits) {
    SeededSource source(1);
    bool lowestBitSeen = false;
    for (int k = 0; k < 10000; ++k) {
        const double v = source.next();
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
        const double scaled = v * 0x1.0p53;
        ASSERT_EQ(scaled, std::floor(scaled));
        lowestBitSeen = lowestBitSeen || std::fmod(scaled, 2.0) == 1.0;
    }
    EXPECT_TRUE(lowestBitSeen);
    EXPECT_EQ(unitInterval(~std::uint64_t{0}), 1.0 - 0x1.0p-53);
    EXPECT_EQ(unitInterval(0), 0.0);
}

// Draws made within one clock tick, each after a reseed, stay uniform and independent:
// chi-square of single values (63 degrees of freedom, 0.1% critical value 103.4), of consecutive
// pairs (255 degrees of freedom, 0.1% critical value 330.5) and the lag-one correlation.
TEST(ClockSeededSource, DrawsWithinOneClockTickStayUniformAndIndependent) {
    ClockSeededSource<FrozenClock> source(42, 0);
    const int count = 200000;
    const std::vector<double> values = drawWithReseed(source, count);

    EXPECT_LT(chiSquare(values, 64), 103.4);

    std::vector<long> pairs(256);
    for (std::size_t k = 0; k + 1 < values.size(); k += 2) {
        ++pairs[static_cast<std::size_t>(values[k] * 16) * 16 +
                static_cast<std::size_t>(values[k + 1] * 16)];
    }
    const double expected = (count / 2.0) / 256.0;
    double pairChi = 0.0;
    for (const long c : pairs) {
        pairChi +=
            (static_cast<double>(c) - expected) * (static_cast<double>(c) - expected) / expected;
    }
    EXPECT_LT(pairChi, 330.5);

    double sxy = 0.0;
    for (std::size_t k = 0; k + 1 < values.size(); ++k) {
        sxy += (values[k] - 0.5) * (values[k + 1] - 0.5);
    }
    const double correlation = sxy / static_cast<double>(count - 1) / (1.0 / 12.0);
    EXPECT_LT(std::fabs(correlation), 5.0 / std::sqrt(count));

    const std::set<double> distinct(values.begin(), values.end());
    EXPECT_GT(distinct.size(), static_cast<std::size_t>(count) - 10) << "draws in one tick repeat";
}

TEST(ClockSeededSource, AReseedDoesNotResetTheStreamToAFunctionOfTheClock) {
    // Two generators with different states, reseeded from the same clock reading, draw
    // different numbers.
    ClockSeededSource<FrozenClock> first(1, 0);
    ClockSeededSource<FrozenClock> second(2, 0);
    EXPECT_NE(drawWithReseed(first, 8), drawWithReseed(second, 8));
}

TEST(ClockSeededSource, TheClockReadingChangesTheDraws) {
    ClockSeededSource<FrozenClock> early(5, 0, FrozenClock{100});
    ClockSeededSource<FrozenClock> late(5, 0, FrozenClock{101});
    const std::vector<double> a = drawWithReseed(early, 8);
    const std::vector<double> b = drawWithReseed(late, 8);
    int equal = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        equal += a[k] == b[k] ? 1 : 0;
    }
    EXPECT_LE(equal, 1) << "the first draw after a reseed already depends on the clock";
}

TEST(ClockSeededSource, TheProgramsSourcesDifferFromRunToRun) {
    auto first = ClockSeededSource<>::fromClock();
    auto second = ClockSeededSource<>::fromClock();
    EXPECT_NE(drawWithReseed(first, 4), drawWithReseed(second, 4));
}

TEST(SeededSource, ReseedDoesNothingSoASeedRepeatsItsDraws) {
    SeededSource first(17);
    SeededSource second(17);
    EXPECT_EQ(drawWithReseed(first, 16), drawWithReseed(second, 16));
}

TEST(SeededSource, SplitStreamsDependOnlyOnTheForkedSeedAndTheIndex) {
    SeededSource parent(8);
    const SeededSource forked = parent.fork();
    SeededSource again(8);
    const SeededSource forkedAgain = again.fork();

    SeededSource a = forked.split(3);
    SeededSource b = forkedAgain.split(3);
    SeededSource c = forked.split(4);
    const std::vector<double> streamA = drawWithReseed(a, 8);
    EXPECT_EQ(streamA, drawWithReseed(b, 8));
    EXPECT_NE(streamA, drawWithReseed(c, 8));

    // A second fork gives a new seed: the next estimate draws other numbers.
    SeededSource d = parent.fork().split(3);
    EXPECT_NE(streamA, drawWithReseed(d, 8));
}

// Over `kEstimates` estimates of 512 chunks, the variance of the count of chunks whose first
// (second, tenth) draw is at least 0.75, over the binomial 512 * 0.25 * 0.75 = 96 of independent
// draws. Independent chunks give ratios of 1 with a standard error of about 0.018.
template <class ChunkOf>
std::array<double, 3> chunkCountVarianceRatios(ChunkOf chunkOf) {
    constexpr int kEstimates = 6000;
    constexpr std::array<int, 3> kDraws = {1, 2, 10};
    std::array<double, 3> sum{};
    std::array<double, 3> sumOfSquares{};
    for (std::uint64_t estimate = 0; estimate < kEstimates; ++estimate) {
        std::array<int, 3> counts{};
        for (std::uint64_t chunk = 0; chunk < 512; ++chunk) {
            auto source = chunkOf(mix64(estimate + 1), chunk);
            for (int draw = 1, k = 0; draw <= kDraws.back(); ++draw) {
                source.reseed();
                const double value = source.next();
                if (draw == kDraws[static_cast<std::size_t>(k)]) {
                    counts[static_cast<std::size_t>(k++)] += value >= 0.75 ? 1 : 0;
                }
            }
        }
        for (std::size_t k = 0; k < 3; ++k) {
            sum[k] += counts[k];
            sumOfSquares[k] += static_cast<double>(counts[k]) * counts[k];
        }
    }
    std::array<double, 3> ratios{};
    for (std::size_t k = 0; k < 3; ++k) {
        ratios[k] = (sumOfSquares[k] - sum[k] * sum[k] / kEstimates) / (kEstimates - 1) / 96.0;
    }
    return ratios;
}

// Chunks that shared their state and differed only in their stream (the public constructor with
// the chunk's index as its stream) are rejected by the same measure.
TEST(SplitSources, TheChunksOfAnEstimateDrawIndependently) {
    const auto seeded = chunkCountVarianceRatios(
        [](std::uint64_t seed, std::uint64_t chunk) { return SeededSource(seed).split(chunk); });
    const auto clocked = chunkCountVarianceRatios([](std::uint64_t seed, std::uint64_t chunk) {
        return ClockSeededSource<FrozenClock>(seed, 0).split(chunk);
    });
    const auto sharedState = chunkCountVarianceRatios(
        [](std::uint64_t seed, std::uint64_t chunk) { return SeededSource(seed, chunk); });
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(seeded[k], 1.0, 0.1) << "draw " << k;
        EXPECT_NEAR(clocked[k], 1.0, 0.1) << "draw " << k;
        EXPECT_GT(sharedState[k], 1.1) << "draw " << k;
    }
}

// Reads the clock until it shows another value than `reading`; false if not within a million.
bool clockMovesOn(const TimestampClock& clock, std::uint64_t reading) {
    for (int k = 0; k < 1000000; ++k) {
        if (clock() != reading) {
            return true;
        }
    }
    return false;
}

TEST(TimestampClock, MovesOnSoThatReseedsAtDifferentMomentsDrawDifferently) {
    const TimestampClock clock;
    EXPECT_TRUE(clockMovesOn(clock, clock()));

    // Two sources in the same state, reseeded at two moments, continue on different streams.
    ClockSeededSource<> early(5, 0);
    ClockSeededSource<> late(5, 0);
    early.reseed();
    const double first = early.next();
    ASSERT_TRUE(clockMovesOn(clock, clock()));
    late.reseed();
    EXPECT_NE(first, late.next());
}

}  // namespace
}  // namespace nurlo
