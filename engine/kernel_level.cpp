// The kernel level: what the processor offers, narrowed once by FRAMIRA_SIMD.
#include "kernel_level.h"

#include <atomic>
#include <cstdlib>
#include <strings.h>

namespace framira {
namespace {

// -1 while no test has forced a level.
std::atomic<int> forcedLevel{-1};

CKernelLevel Lower(CKernelLevel a, CKernelLevel b)
{
    return static_cast<int>(a) < static_cast<int>(b) ? a : b;
}

} // namespace

const char* KernelLevelName(CKernelLevel level)
{
    switch (level) {
    case CKernelLevel::Avx512:
        return "avx512";
    case CKernelLevel::Avx2:
        return "avx2";
    case CKernelLevel::Baseline:
        break;
    }
    return "baseline";
}

CKernelLevel SupportedKernelLevel()
{
#if defined(FRAMIRA_KERNELS_X86)
    static const CKernelLevel supported = [] {
        // The engine may be loaded before libgcc's own initialisation runs.
        // The checks include the operating system's saving of the wider
        // registers, not only the instructions.
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl")) {
            return CKernelLevel::Avx512;
        }
        return __builtin_cpu_supports("avx2") ? CKernelLevel::Avx2 : CKernelLevel::Baseline;
    }();
    return supported;
#else
    return CKernelLevel::Baseline;
#endif
}

CKernelLevel KernelLevelFor(const char* request, CKernelLevel supported)
{
    if (request == nullptr) {
        return supported;
    }
    for (const CKernelLevel level : {CKernelLevel::Baseline, CKernelLevel::Avx2, CKernelLevel::Avx512}) {
        if (strcasecmp(request, KernelLevelName(level)) == 0) {
            return Lower(level, supported);
        }
    }
    return supported;
}

CKernelLevel KernelLevel()
{
    const int forced = forcedLevel.load(std::memory_order_relaxed);
    if (forced >= 0) {
        return static_cast<CKernelLevel>(forced);
    }
    // FRAMIRA_SIMD=baseline|avx2|avx512 asks for a level, read once for the
    // life of the process. A level the processor lacks is not an error: the
    // widest level it does have below the one asked for is used instead, and
    // Framira_KernelLevel() names the level actually in use.
    static const CKernelLevel chosen = KernelLevelFor(std::getenv("FRAMIRA_SIMD"), SupportedKernelLevel());
    return chosen;
}

void SetKernelLevelForTesting(CKernelLevel level)
{
    forcedLevel.store(static_cast<int>(Lower(level, SupportedKernelLevel())), std::memory_order_relaxed);
}

void ResetKernelLevelForTesting()
{
    forcedLevel.store(-1, std::memory_order_relaxed);
}

} // namespace framira
