#include <gtest/gtest.h>

#include <vector>

#include "checked.hpp"
#include "expect_error.hpp"

namespace nurlo {
namespace {

TEST(Int16Arithmetic, StaysWithinSixteenBits) {
    EXPECT_EQ(checkedAdd(32766, 1), 32767);
    EXPECT_EQ(checkedAdd(-32767, -1), -32768);
    EXPECT_EQ(checkedMul(181, 181), 32761);
    EXPECT_EQ(checkedMul(-128, 256), -32768);
    EXPECT_EQ(toInt16(-32768), -32768);
    EXPECT_EQ(toInt16(32767), 32767);
}

TEST(Int16Arithmetic, RaisesOverflowOutsideTheRange) {
    EXPECT_RUNTIME_ERROR(checkedAdd(32767, 1), ErrorKind::Overflow);
    EXPECT_RUNTIME_ERROR(checkedAdd(-32768, -1), ErrorKind::Overflow);
    EXPECT_RUNTIME_ERROR(checkedMul(200, 200), ErrorKind::Overflow);
    EXPECT_RUNTIME_ERROR(checkedMul(-1, -32768), ErrorKind::Overflow);
    EXPECT_RUNTIME_ERROR(toInt16(32768), ErrorKind::Overflow);
    EXPECT_RUNTIME_ERROR(toInt16(-32769), ErrorKind::Overflow);
}

TEST(Int16Range, VisitsEveryValueOnceAndFinishesAtTheTop) {
    std::vector<int> seen;
    for (const Int16 k : Int16Range(32765, 32767)) {
        seen.push_back(k);
    }
    EXPECT_EQ(seen, (std::vector<int>{32765, 32766, 32767}));

    int passes = 0;
    for (const Int16 k : Int16Range(-32768, 32767)) {
        static_cast<void>(k);
        ++passes;
    }
    EXPECT_EQ(passes, 65536);
}

TEST(Int16Range, EmptyWhenLastIsBelowFirst) {
    int passes = 0;
    for (const Int16 k : Int16Range(1, 0)) {
        static_cast<void>(k);
        ++passes;
    }
    for (const Int16 k : Int16Range(1, -5)) {
        static_cast<void>(k);
        ++passes;
    }
    EXPECT_EQ(passes, 0);
}

TEST(CheckedReal, PassesFiniteValuesAndUnderflow) {
    EXPECT_EQ(checkedReal(1.5), 1.5);
    EXPECT_EQ(checkedReal(1e-320), 1e-320);  // subnormal: underflow is ignored
    EXPECT_EQ(checkedReal(0.1 + 0.2), 0.1 + 0.2);
}

TEST(CheckedReal, RaisesTheFloatingPointErrorForFaults) {
    const double zero = 0.0;
    EXPECT_RUNTIME_ERROR(checkedReal(zero / zero), ErrorKind::FloatingPoint);
    EXPECT_RUNTIME_ERROR(checkedReal(1.0 / zero), ErrorKind::FloatingPoint);
    EXPECT_RUNTIME_ERROR(checkedReal(1e308 * 10.0), ErrorKind::FloatingPoint);
}

}  // namespace
}  // namespace nurlo
