// The number of plain operator new calls the process has made so far. The benchmark executable
// replaces the global allocation functions to count them.
#pragma once

#include <cstdint>

namespace nurlo::bench {

std::uint64_t allocationCount() noexcept;

}  // namespace nurlo::bench
