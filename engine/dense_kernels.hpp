#pragma once

#include <string_view>

namespace nurlo {

// The exact solution's factorisation spends most of its time in the dense kernels of the system
// BLAS. OpenBLAS picks them when it is loaded, from the processor's model number; versions before
// 0.3.25 (Debian 12 has 0.3.21) fall back to their generic "Prescott" kernels on a model they do
// not know, however capable the processor: on a recent Xeon the factorisation then takes about
// 40 % longer. The library lets a program name the kernels in OPENBLAS_CORETYPE, read once,
// when it is loaded.

// What the processor and the operating system together support.
struct ProcessorFeatures {
    bool avx = false;
    bool avx2AndFma = false;
    bool avx512 = false;  // the F, CD, BW, DQ and VL sets that OpenBLAS's SkylakeX kernels use
};

ProcessorFeatures processorFeatures();

// The kernels to name instead of `libraryChoice`, the kernels the library chose by itself, on a
// processor with `features`; empty where the library's choice stands. Only the generic fallback
// is replaced, by the most capable kernels the processor runs.
std::string_view kernelsInsteadOf(std::string_view libraryChoice, ProcessorFeatures features);

// The kernels the loaded OpenBLAS uses, or empty if the system BLAS is not OpenBLAS.
std::string_view loadedKernels();

// Where OpenBLAS fell back to its generic kernels on a processor that runs better ones, starts
// the program again in the same process, with the same arguments and the kernels named; returns
// where there is nothing to do, where the kernels were already named (by the user, or by this
// call before the restart) and where the restart fails. Call it first thing in main, before any
// thread starts and before any BLAS work.
void restartWithProcessorKernels(char** argv);

}  // namespace nurlo
