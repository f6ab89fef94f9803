#include "system_memory.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>

namespace nurlo {
namespace {

// The number that `text` begins with, blanks before it skipped.
std::optional<std::size_t> number(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::size_t value = 0;
    if (!(in >> value)) {
        return std::nullopt;
    }
    return value;
}

// The whole text of a file, or nothing when it cannot be read.
std::optional<std::string> readText(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void keepLeast(std::optional<std::size_t>& least, std::optional<std::size_t> candidate) {
    if (candidate && (!least || *candidate < *least)) {
        least = candidate;
    }
}

// The least room under the limits of the group at `path` below `mount` and of every group
// above it, reading `limitFile` and `usageFile` in each.
std::optional<std::size_t> roomUnderGroups(const std::string& mount, std::string path,
                                           const char* limitFile, const char* usageFile) {
    std::optional<std::size_t> least;
    for (;;) {
        const std::string folder = mount + path + (path.empty() || path.back() != '/' ? "/" : "");
        const auto limit = readText(folder + limitFile);
        const auto usage = readText(folder + usageFile);
        if (limit && usage) {
            keepLeast(least, groupRoomBytes(*limit, *usage));
        }
        const auto slash = path.find_last_of('/');
        if (path.empty() || path == "/" || slash == std::string::npos) {
            return least;
        }
        path.erase(slash == 0 ? 1 : slash);
    }
}

}  // namespace

std::optional<std::size_t> memAvailableBytes(std::string_view meminfo) {
    constexpr std::string_view kKey = "MemAvailable:";
    const auto at = meminfo.find(kKey);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = meminfo.substr(at + kKey.size());
    rest = rest.substr(0, rest.find('\n'));
    const auto unit = rest.find("kB");
    const auto kibibytes = number(rest.substr(0, unit));
    if (!kibibytes || *kibibytes > std::numeric_limits<std::size_t>::max() / 1024) {
        return std::nullopt;
    }
    return unit == std::string_view::npos ? *kibibytes : *kibibytes * 1024;
}

std::optional<std::size_t> groupRoomBytes(std::string_view limit, std::string_view usage) {
    const auto limitBytes = number(limit);
    const auto usageBytes = number(usage);
    if (!limitBytes || !usageBytes) {
        return std::nullopt;
    }
    return *limitBytes > *usageBytes ? *limitBytes - *usageBytes : 0;
}

std::optional<std::size_t> addressSpaceRoomBytes(std::size_t limit, std::size_t used) {
    if (limit == static_cast<std::size_t>(RLIM_INFINITY)) {
        return std::nullopt;
    }
    return limit > used ? limit - used : 0;
}

std::optional<std::size_t> availableMemoryBytes() {
    std::optional<std::size_t> least;
    // The address space: its limit, and the pages the process has mapped (the first number of
    // /proc/self/statm).
    rlimit addressSpace{};
    if (getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY) {
        const auto pages = number(readText("/proc/self/statm").value_or(std::string()));
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages && pageSize > 0) {
            keepLeast(least, addressSpaceRoomBytes(static_cast<std::size_t>(addressSpace.rlim_cur),
                                                   *pages * static_cast<std::size_t>(pageSize)));
        }
    }
    if (const auto meminfo = readText("/proc/meminfo")) {
        keepLeast(least, memAvailableBytes(*meminfo));
    }
    // Lines of /proc/self/cgroup: "0::/path" for cgroup v2, "4:memory:/path" for v1's memory
    // controller (possibly among others, "4:cpu,memory:/path").
    std::istringstream groups(readText("/proc/self/cgroup").value_or(std::string()));
    for (std::string line; std::getline(groups, line);) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (controllers.empty()) {
            keepLeast(least,
                      roomUnderGroups("/sys/fs/cgroup", path, "memory.max", "memory.current"));
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            keepLeast(least, roomUnderGroups("/sys/fs/cgroup/memory", path, "memory.limit_in_bytes",
                                             "memory.usage_in_bytes"));
        }
    }
    return least;
}

std::size_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return static_cast<std::size_t>(-1);
    }
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

std::size_t gridMemoryLimit() {
    const auto available = availableMemoryBytes();
    if (!available) {
        return physicalMemoryBytes();
    }
    return *available - *available / 8;
}

}  // namespace nurlo
