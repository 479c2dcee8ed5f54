// The host's one process-wide record.
#include "saver/host_state.h"

HostState g_host;
