// What the processor running the engine offers beyond the x86-64 baseline,
// for the few loops built twice (baseline and AVX) and chosen at run time.
// Internal to the engine.
#pragma once

namespace framira {

// True when the processor and the operating system support AVX.
inline bool ProcessorHasAvx()
{
#if defined(__x86_64__)
    static const bool avx = [] {
        // The engine may be loaded before libgcc's own initialisation runs.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return avx;
#else
    return false;
#endif
}

} // namespace framira
