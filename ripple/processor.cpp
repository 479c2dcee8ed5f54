#include "ripple/processor.h"

bool ProcessorOffersAvx2()
{
    // The runtime reports AVX2 only when OSXSAVE is set and XCR0 enables the SSE and AVX
    // state. The call to init makes the answer right even before the runtime's own
    // constructors have run.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
