#include "dense_kernels.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace nurlo {
namespace {

// Only the generic fallback is replaced, and never by kernels the processor cannot run: naming
// SkylakeX on a processor without AVX-512 would end the program on its first factorisation.
TEST(DenseKernels, OnlyTheGenericFallbackIsReplacedByKernelsTheProcessorRuns) {
    const ProcessorFeatures none{}, avx{true, false, false}, avx2{true, true, false},
        avx512{true, true, true}, avx512WithoutAvx2{true, false, true};
    struct Case {
        std::string_view libraryChoice;
        ProcessorFeatures features;
        std::string_view named;
    };
    const Case cases[] = {
        {"Prescott", avx512, "SkylakeX"},
        {"Prescott", avx2, "Haswell"},
        {"Prescott", avx, "Sandybridge"},
        {"Prescott", avx512WithoutAvx2, "Sandybridge"},
        {"Prescott", none, ""},
        {"Haswell", avx512, ""},
        {"Zen", avx2, ""},
        {"", avx512, ""},  // "": not OpenBLAS
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kernelsInsteadOf(c.libraryChoice, c.features), c.named)
            << c.libraryChoice << " " << c.features.avx << c.features.avx2AndFma
            << c.features.avx512;
    }
}

}  // namespace
}  // namespace nurlo
