// The memory tests hand to the grids they make: room for the largest grid, whose values take
// 2 x 32768 + 2 x 32768 doubles, 1 MiB.
#pragma once

#include <cstddef>

namespace nurlo {

inline constexpr std::size_t kTestGridMemory = std::size_t{1} << 20;

}  // namespace nurlo
