#include "dense_kernels.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace nurlo {
namespace {

// Only the generic fallback is replaced, and never by kernels the processor cannot run: naming
// SkylakeX on a processor without AVX-512 would end the program on its first factorisation.
TEST(DenseKernels, OnlyTheGenericFallbackIsReplacedByKernelsTheProcessorRuns) {
    constexpr ProcessorFeatures kNone{};
    constexpr ProcessorFeatures kAvx{true, false, false};
    constexpr ProcessorFeatures kAvx2{true, true, false};
    constexpr ProcessorFeatures kAvx512{true, true, true};
    // AVX-512 reported without AVX2 and FMA (a hypervisor's odd mask): not enough for SkylakeX.
    constexpr ProcessorFeatures kAvx512Alone{true, false, true};
    struct Case {
        std::string_view libraryChoice;
        ProcessorFeatures features;
        std::string_view named;
    };
    const Case cases[] = {
        {"Prescott", kAvx512, "SkylakeX"},
        {"Prescott", kAvx2, "Haswell"},
        {"Prescott", kAvx, "Sandybridge"},
        {"Prescott", kNone, ""},
        {"Prescott", kAvx512Alone, "Sandybridge"},
        {"Haswell", kAvx512, ""},
        {"SkylakeX", kAvx512, ""},
        {"Zen", kAvx2, ""},
        {"Cooperlake", kAvx512, ""},
        {"", kAvx512, ""},  // not OpenBLAS
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kernelsInsteadOf(c.libraryChoice, c.features), c.named)
            << c.libraryChoice << " avx " << c.features.avx << " avx2 " << c.features.avx2AndFma
            << " avx512 " << c.features.avx512;
    }
}

}  // namespace
}  // namespace nurlo
