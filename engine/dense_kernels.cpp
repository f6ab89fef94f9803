#include "dense_kernels.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

namespace nurlo {

namespace {

constexpr const char* kKernelsVariable = "OPENBLAS_CORETYPE";

}  // namespace

ProcessorFeatures processorFeatures() {
    ProcessorFeatures features;
#if defined(__x86_64__) || defined(__i386__)
    // The compiler's run-time check also asks the operating system whether it saves the wider
    // registers, so a feature reported here is one a program may use.
    __builtin_cpu_init();
    features.avx = __builtin_cpu_supports("avx") != 0;
    features.avx2AndFma = __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
    features.avx512 =
        __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512cd") != 0 &&
        __builtin_cpu_supports("avx512bw") != 0 && __builtin_cpu_supports("avx512dq") != 0 &&
        __builtin_cpu_supports("avx512vl") != 0;
#endif
    return features;
}

std::string_view kernelsInsteadOf(std::string_view libraryChoice, ProcessorFeatures features) {
    if (libraryChoice != "Prescott") {
        return {};
    }
    if (features.avx512 && features.avx2AndFma) {
        return "SkylakeX";
    }
    if (features.avx2AndFma) {
        return "Haswell";
    }
    if (features.avx) {
        return "Sandybridge";
    }
    return {};
}

std::string_view loadedKernels() {
    // Looked up rather than linked: the system BLAS may be another library.
    using CoreName = const char* (*)();
    auto* const coreName = reinterpret_cast<CoreName>(dlsym(RTLD_DEFAULT, "openblas_get_corename"));
    if (coreName == nullptr) {
        return {};
    }
    const char* const name = coreName();
    return name == nullptr ? std::string_view() : std::string_view(name);
}

void restartWithProcessorKernels(char** argv) {
    if (std::getenv(kKernelsVariable) != nullptr) {
        return;
    }
    const std::string_view kernels = kernelsInsteadOf(loadedKernels(), processorFeatures());
    if (kernels.empty()) {
        return;
    }
    // The names are string literals, so data() ends in a null character.
    if (setenv(kKernelsVariable, kernels.data(), 1) != 0) {
        return;
    }
    execv("/proc/self/exe", argv);
    // Still here: the restart failed, and the program goes on with the library's own choice.
    unsetenv(kKernelsVariable);
}

}  // namespace nurlo
