#pragma once

// Qt's drawing routines may return with the upper halves of the AVX registers still in use. On
// many x86 processors every later plain-SSE instruction (the maths library's sin, cos and atan
// among them) then runs many times slower until the registers are cleared, so long stretches of
// arithmetic that follow Qt drawing begin with clearUpperVectorState().

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

__attribute__((target("avx"))) inline void clearUpperVectorStateWithAvx() {
    _mm256_zeroupper();
}

inline void clearUpperVectorState() {
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx)
        clearUpperVectorStateWithAvx();
}
#else
inline void clearUpperVectorState() {}
#endif
