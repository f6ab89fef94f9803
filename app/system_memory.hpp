// How much memory a new grid may take: what the system reports available to this process, less
// some headroom, so that a grid too large is refused up front with the out-of-memory report
// instead of the process being killed while the grid is filled.
//
// The memory available is the least of the system's MemAvailable (free memory plus what the
// kernel can reclaim) and, where the process runs in a control group with a memory limit (a
// container, a systemd slice), that limit less the group's usage, for its group and every group
// above it (cgroup v2 memory.max / memory.current, cgroup v1 memory.limit_in_bytes /
// memory.usage_in_bytes), and, where the process has a limit on its address space (RLIMIT_AS, as
// `ulimit -v` sets), that limit less the address space it already takes: past it every
// allocation fails, whatever memory the system has free.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace nurlo {

// The bytes of MemAvailable in the text of /proc/meminfo, if it has that line.
std::optional<std::size_t> memAvailableBytes(std::string_view meminfo);

// The room left under a control group's limit: limit less usage (0 when over), or nothing when
// the limit is "max" or not a number.
std::optional<std::size_t> groupRoomBytes(std::string_view limit, std::string_view usage);

// The room left under an address-space limit of `limit` bytes for a process that takes `used`
// bytes of it (0 when over); nothing for no limit (RLIM_INFINITY).
std::optional<std::size_t> addressSpaceRoomBytes(std::size_t limit, std::size_t used);

// The memory available to this process now (see above), or nothing when the system says nothing.
std::optional<std::size_t> availableMemoryBytes();

// The bytes of physical memory of this machine, or the largest size_t when the system does not
// say.
std::size_t physicalMemoryBytes();

// The bytes a new grid may take: seven eighths of the memory available, or the physical memory
// when the system reports nothing more precise.
std::size_t gridMemoryLimit();

}  // namespace nurlo
