#include <gtest/gtest.h>

#include "boundary_grid.hpp"
#include "system_memory.hpp"

namespace nurlo {
namespace {

TEST(SystemMemory, ReadsMemAvailableInKibibytes) {
    EXPECT_EQ(memAvailableBytes("MemTotal:       24576000 kB\n"
                                "MemFree:        23000000 kB\n"
                                "MemAvailable:   24169472 kB\n"
                                "Buffers:           1024 kB\n"),
              std::size_t{24169472} * 1024);
    EXPECT_EQ(memAvailableBytes("MemTotal: 1 kB\nMemFree: 1 kB\n"), std::nullopt);
    EXPECT_EQ(memAvailableBytes("MemAvailable: lots\n"), std::nullopt);
}

TEST(SystemMemory, AGroupsRoomIsItsLimitLessItsUsage) {
    EXPECT_EQ(groupRoomBytes("1073741824\n", "268435456\n"), std::size_t{805306368});
    EXPECT_EQ(groupRoomBytes("100\n", "300\n"), std::size_t{0});  // over its limit already
    EXPECT_EQ(groupRoomBytes("max\n", "268435456\n"), std::nullopt);
    EXPECT_EQ(groupRoomBytes("", "1"), std::nullopt);
}

TEST(SystemMemory, TheGridLimitLeavesHeadroomBelowWhatIsAvailable) {
    const auto available = availableMemoryBytes();
    const std::size_t limit = gridMemoryLimit();
    EXPECT_GT(limit, 0u);
    EXPECT_LE(limit, physicalMemoryBytes());
    if (available) {
        EXPECT_LT(limit, *available);
    }
}

}  // namespace
}  // namespace nurlo
