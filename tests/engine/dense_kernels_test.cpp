#include "dense_kernels.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

namespace nurlo {
namespace {

// Only the generic fallback is replaced (a choice "" is not OpenBLAS), and never by kernels the
// processor cannot run: SkylakeX without AVX-512 would end the program on its first factorisation.
TEST(DenseKernels, OnlyTheGenericFallbackIsReplacedByKernelsTheProcessorRuns) {
    const std::tuple<std::string_view, ProcessorFeatures, std::string_view> cases[] = {
        {"Prescott", {true, true, true}, "SkylakeX"},
        {"Prescott", {true, true, false}, "Haswell"},
        {"Prescott", {true, false, false}, "Sandybridge"},
        {"Prescott", {}, ""},
        {"Prescott", {true, false, true}, "Sandybridge"},
        {"Haswell", {true, true, true}, ""},
        {"Zen", {true, true, false}, ""},
        {"", {true, true, true}, ""},
    };
    for (const auto& [choice, has, named] : cases) {
        EXPECT_EQ(kernelsInsteadOf(choice, has), named)
            << choice << " " << has.avx << has.avx2AndFma << has.avx512;
    }
}

}  // namespace
}  // namespace nurlo
