#include <gtest/gtest.h>

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

    const auto available = availableMemoryBytes();
    EXPECT_LE(gridMemoryLimit(), available.value_or(physicalMemoryBytes()));
    EXPECT_GT(gridMemoryLimit(), 0u);
}

}  // namespace
}  // namespace nurlo
