// Lets tests drive the host cache with their own clock and name lookup.
#include "os_socket.h"
#include "plax_internal.h"

void PLAX_SetHostCacheHooks(const PLAX_HostCacheHooks& hooks) {
  OsSemaphore_Take(PLAX_HostCacheMutex);
  PLAX_HostCacheCalls.clock = hooks.clock != nullptr ? hooks.clock : OsClock_Seconds;
  PLAX_HostCacheCalls.resolve_name =
      hooks.resolve_name != nullptr ? hooks.resolve_name : Sock_ResolveName;
  OsSemaphore_Release(PLAX_HostCacheMutex);
}
