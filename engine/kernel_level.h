// The vector width the engine's pixel kernels run at, decided once per
// process: each kernel is built at every level (function target attributes,
// so the library still runs on any x86-64) and the dispatcher picks one.
// Every level gives the same bytes; only the speed differs. Internal to the
// engine.
#pragma once

namespace framira {

enum class CKernelLevel : int {
    Baseline = 0, // what every x86-64 has (SSE2), and every other processor
    Avx2 = 1,
    Avx512 = 2, // AVX-512 F, BW, DQ and VL
};

// The level the kernels run at: the widest the processor and the operating
// system support, unless FRAMIRA_SIMD asks for less (see KernelLevelFor).
CKernelLevel KernelLevel();

// "baseline", "avx2" or "avx512".
const char* KernelLevelName(CKernelLevel level);

// The widest level this processor and operating system run.
CKernelLevel SupportedKernelLevel();

// The level a FRAMIRA_SIMD value chooses on a processor supporting
// `supported`: "baseline", "avx2" or "avx512" (any case), lowered to what the
// processor has; anything else, or nothing, leaves `supported`.
CKernelLevel KernelLevelFor(const char* request, CKernelLevel supported);

// Test seam: run the kernels at `level` (lowered to what the processor has)
// until called again; ResetKernelLevelForTesting returns to the chosen level.
void SetKernelLevelForTesting(CKernelLevel level);
void ResetKernelLevelForTesting();

} // namespace framira

#if defined(__x86_64__)
// The wider levels exist only on x86-64; elsewhere the dispatchers compile to
// their baseline call alone.
#define FRAMIRA_KERNELS_X86 1
#define FRAMIRA_TARGET_AVX2 __attribute__((target("avx2")))
#define FRAMIRA_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl")))

namespace framira {

// The member of a kernel built at every level that runs at the level in use.
template <typename F>
F KernelAtLevel(F baseline, F avx2, F avx512)
{
    const CKernelLevel level = KernelLevel();
    return level == CKernelLevel::Avx512 ? avx512 : level == CKernelLevel::Avx2 ? avx2 : baseline;
}

} // namespace framira

#define FRAMIRA_KERNEL_AT_LEVEL(baseline, avx2, avx512) ::framira::KernelAtLevel(baseline, avx2, avx512)
#else
#define FRAMIRA_KERNEL_AT_LEVEL(baseline, avx2, avx512) (baseline)
#endif
