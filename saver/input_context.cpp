// Taking the input method's context from the saver window and giving it back; what was
// taken is kept in the host's record.
#include "saver/input_context.h"

#include "saver/host_state.h"

void DetachInputContext(HWND hWnd)
{
    HMODULE imm = GetModuleHandleA("IMM32.DLL");
    if (!imm) return;
    g_host.associateContext = reinterpret_cast<AssociateContextFunction>(
        reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")));
    if (g_host.associateContext) g_host.savedInputContext = g_host.associateContext(hWnd, nullptr);
}

void RestoreInputContext(HWND hWnd)
{
    if (g_host.associateContext && g_host.savedInputContext)
        g_host.associateContext(hWnd, g_host.savedInputContext);
}
