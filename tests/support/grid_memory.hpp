// The memory tests hand to the grids they make: room for the largest grid's outer lines, 1 MiB.
#pragma once

#include <cstddef>

namespace nurlo {
inline constexpr std::size_t kTestGridMemory = std::size_t{1} << 20;
}  // namespace nurlo
