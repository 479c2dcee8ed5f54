// What the processor offers beyond SSE2, which the whole program is built for, and how
// code that uses SIMD registers is entered.
#pragma once

// True when the processor has AVX2 and the system saves the 256-bit registers on a task
// switch, so code built for AVX2 may run.
bool ProcessorOffersAvx2();

// On 32-bit Windows a window procedure, or a worker thread, may be entered with a stack
// aligned to 4 bytes only, while spilled SSE registers need 16, so the SIMD entries align
// it (functions that keep wider registers on the stack align it further themselves).
#if defined(__i386__)
#define SIMD_ENTRY __attribute__((force_align_arg_pointer))
#else
#define SIMD_ENTRY
#endif
