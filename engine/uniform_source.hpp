// The uniform random source of the walks.
//
// A walk uses two operations of a source: `reseed()`, which folds a reading of the clock into the
// generator's state, and `next()`, the next value uniform in [0, 1) with 53 random bits. The walk
// reseeds before every draw. The estimator uses two more, `fork()` and `split()` (below). Sources
// are passed to the code that draws, never global: the program uses ClockSeededSource, tests use a
// SeededSource (fixed seed, reseed does nothing) or a source of scripted values.
//
// The walks of one estimate run in chunks, possibly on several threads. `fork()` draws a fresh
// seed from a source for one estimate; `split(index)` gives the source of one chunk, a function of
// that seed and the chunk's index alone, so the chunks draw the same numbers whichever thread runs
// them and in whatever order. Each chunk gets a 128-bit state of its own as well as a stream of its
// own (splitState): PCG streams that differ only in their increment and start from one state are
// correlated, so that the first draws of the chunks of one estimate would not be independent.
#pragma once

#include <chrono>
#include <concepts>
#include <cstdint>
#include <utility>

#include <pcg_random.hpp>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace nurlo {

template <class S>
concept UniformSource = requires(S source, std::uint64_t index) {
    source.reseed();
    { source.next() } -> std::same_as<double>;
    { source.fork() } -> std::same_as<S>;
    { std::as_const(source).split(index) } -> std::same_as<S>;
};

// A 64-bit value with its bits spread over the whole word (the splitmix64 finaliser).
constexpr std::uint64_t mix64(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// The 53 high bits of a 64-bit draw as a double in [0, 1).
constexpr double unitInterval(std::uint64_t bits) {
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
}

// The starting state of the chunk `index` of an estimate seeded with `seed`: outputs 2 index + 1
// and 2 index + 2 of the splitmix64 sequence that starts at `seed`. The outputs of that sequence
// are all distinct (the finaliser is a bijection), so no two chunks of an estimate start alike.
constexpr pcg_extras::pcg128_t splitState(std::uint64_t seed, std::uint64_t index) {
    constexpr std::uint64_t kGamma = 0x9e3779b97f4a7c15ULL;
    const std::uint64_t high = mix64(seed + (2 * index + 1) * kGamma);
    const std::uint64_t low = mix64(seed + (2 * index + 2) * kGamma);
    return (static_cast<pcg_extras::pcg128_t>(high) << 64) | low;
}

// A PCG-64 generator (128-bit state, 2^127 streams) that draws from a fixed seed and stream.
// Its reseed does nothing: it is the source of the tests and of the benchmarks' reference run.
class SeededSource {
public:
    explicit SeededSource(std::uint64_t seed, std::uint64_t stream = 0)
        : seed_(seed), engine_(mix64(seed), stream) {}

    void reseed() {}
    double next() { return unitInterval(engine_()); }
    SeededSource fork() { return SeededSource(engine_(), 0); }
    SeededSource split(std::uint64_t index) const {
        return SeededSource(Split{}, splitState(seed_, index), index);
    }

private:
    // A chunk's source: its own state, its own stream. Its own splits start from the high word
    // of that state.
    struct Split {};
    SeededSource(Split, pcg_extras::pcg128_t state, std::uint64_t stream)
        : seed_(static_cast<std::uint64_t>(state >> 64)), engine_(state, stream) {}

    std::uint64_t seed_;
    pcg64 engine_;
};

// The monotonic system clock, in nanoseconds.
struct SteadyClock {
    std::uint64_t operator()() const {
        return static_cast<std::uint64_t>(
            std::chrono::steady_clock::now().time_since_epoch().count());
    }
};

// The clock the program reseeds from. On x86 it is the processor's time-stamp counter, a count of
// ticks at a constant rate read by one instruction, without a system call: about a third of the
// cost of a steady_clock reading here, and it moves between any two reseeds. Elsewhere it is the
// steady clock.
struct TimestampClock {
    std::uint64_t operator()() const {
#if defined(__x86_64__) || defined(__i386__)
        return __rdtsc();
#else
        return SteadyClock{}();
#endif
    }
};

// The program's source: a PCG-64 generator whose reseed folds the clock into its state.
//
// A reseed replaces the generator's stream selector (the odd increment of the underlying linear
// congruential step) by the chunk's own stream mixed with the clock reading, and keeps the 128-bit
// state as it is. The stream is therefore never a function of the clock alone: draws within one
// clock tick continue one ordinary PCG stream, uniform and independent, and every new tick moves
// the state onto another stream. The chunks of an estimate start from states of their own, as
// those of a SeededSource do.
template <class Clock = TimestampClock>
class ClockSeededSource {
public:
    // Seeded from the clock and the system's entropy source.
    static ClockSeededSource fromClock(Clock clock = {});

    ClockSeededSource(std::uint64_t seed, std::uint64_t stream, Clock clock = {})
        : seed_(seed), stream_(stream), clock_(clock), engine_(mix64(seed), stream) {}

    void reseed() { engine_.set_stream(stream_ ^ mix64(clock_())); }
    double next() { return unitInterval(engine_()); }
    ClockSeededSource fork() { return ClockSeededSource(engine_(), 0, clock_); }
    ClockSeededSource split(std::uint64_t index) const {
        return ClockSeededSource(Split{}, splitState(seed_, index), index, clock_);
    }

private:
    struct Split {};
    ClockSeededSource(Split, pcg_extras::pcg128_t state, std::uint64_t stream, Clock clock)
        : seed_(static_cast<std::uint64_t>(state >> 64)),
          stream_(stream),
          clock_(clock),
          engine_(state, stream) {}

    std::uint64_t seed_;
    std::uint64_t stream_;
    Clock clock_;
    pcg64 engine_;
};

std::uint64_t entropySeed();

template <class Clock>
ClockSeededSource<Clock> ClockSeededSource<Clock>::fromClock(Clock clock) {
    return ClockSeededSource(entropySeed() ^ mix64(clock()), 0, clock);
}

}  // namespace nurlo
