// What the program hands to every computing screen: the message boxes, the random source, where
// the result file goes and the threads that run the walks.
#pragma once

#include <filesystem>
#include <variant>

#include "messages.hpp"
#include "uniform_source.hpp"
#include "walk_pool.hpp"

namespace nurlo {

// The program draws from a clock-seeded source; tests give the screens a fixed seed.
using ScreenSource = std::variant<ClockSeededSource<>, SeededSource>;

struct ScreenContext {
    Messages& messages;
    ScreenSource source;
    std::filesystem::path resultPath;  // risultato.m, beside the executable in the program
    WalkPool* pool = nullptr;          // the threads that share the walks; none: this thread only
};

}  // namespace nurlo
