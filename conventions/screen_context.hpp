// What the program hands to every computing screen: the message boxes, the random source, where
// the result file goes, the threads that run the walks and how much memory a grid may take.
//
// Every part must be given (the references leave no default), so a context without the pool or
// the memory gauge cannot be built: the program builds one at start-up, tests build their own.
#pragma once

#include <cstddef>
#include <filesystem>
#include <variant>

#include "messages.hpp"
#include "uniform_source.hpp"
#include "walk_pool.hpp"

namespace nurlo {

// The program draws from a clock-seeded source; tests give the screens a fixed seed.
using ScreenSource = std::variant<ClockSeededSource<>, SeededSource>;

// What a calculation draws on: the threads, the random source and the memory a grid may take.
struct CalculationResources {
    WalkPool& pool;
    ScreenSource& source;
    std::size_t (&availableMemory)();
};

struct ScreenContext {
    Messages& messages;
    ScreenSource source;
    std::filesystem::path resultPath;  // risultato.m, beside the executable in the program
    WalkPool& pool;                    // the threads that share the walks
    // The bytes a new grid may take at most, asked anew for every grid.
    std::size_t (&availableMemory)();

    CalculationResources resources() { return {pool, source, availableMemory}; }
};

}  // namespace nurlo
