#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "system_memory.hpp"

namespace nurlo {
namespace {

TEST(SystemMemory, ReadsMemAvailableAndAGroupsRoomAndLeavesHeadroom) {
    EXPECT_EQ(memAvailableBytes("MemTotal:  24576000 kB\nMemAvailable:   24169472 kB\n"),
              std::size_t{24169472} * 1024);
    EXPECT_EQ(memAvailableBytes("MemTotal: 1 kB\n"), std::nullopt);
    EXPECT_EQ(groupRoomBytes("1073741824\n", "268435456\n"), std::size_t{805306368});
    EXPECT_EQ(groupRoomBytes("100\n", "300\n"), std::size_t{0});  // over its limit already
    EXPECT_EQ(groupRoomBytes("max\n", "268435456\n"), std::nullopt);

    EXPECT_EQ(addressSpaceRoomBytes(1000, 300), std::size_t{700});
    EXPECT_EQ(addressSpaceRoomBytes(300, 1000), std::size_t{0});
    EXPECT_EQ(addressSpaceRoomBytes(static_cast<std::size_t>(RLIM_INFINITY), 5), std::nullopt);

    const auto available = availableMemoryBytes();
    EXPECT_LE(gridMemoryLimit(), available.value_or(physicalMemoryBytes()));
    EXPECT_GT(gridMemoryLimit(), 0u);
}

// Under `ulimit -v` the gauge reads no more than the room left in the address space, in a child
// whose limit is 256 MiB above what it maps.
TEST(SystemMemoryDeathTest, HonoursTheAddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves the address space that the limit would take";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto gaugeCapped = [] {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t room = rlim_t{256} << 20;
        const rlim_t cap = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + room;
        const rlimit limit{cap, cap};
        if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
            std::exit(3);
        const auto available = availableMemoryBytes();
        std::exit(available && *available <= room && *available > room / 2 &&
                          gridMemoryLimit() < room
                      ? 0
                      : 1);
    };
    EXPECT_EXIT(gaugeCapped(), testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace nurlo
