// Host-to-address resolution with a 60-second cache. Lookups from several
// threads run one after another: the cache mutex is held across the whole
// resolution, the platform's name lookup included.
#include "os_socket.h"
#include "plax_internal.h"

OsSemaphore PLAX_HostCacheMutex;
PLAX_HostCacheState PLAX_HostCache;

namespace {

// Guarded by PLAX_HostCacheMutex.
PLAX_HostCacheHooks g_hooks;

void Unlink(HostCacheEntry* entry) {
  if (PLAX_HostCache.V_First == entry) PLAX_HostCache.V_First = entry->V_Next;
  if (PLAX_HostCache.V_Last == entry) PLAX_HostCache.V_Last = entry->V_Prev;
  if (entry->V_Prev != nullptr) entry->V_Prev->V_Next = entry->V_Next;
  if (entry->V_Next != nullptr) entry->V_Next->V_Prev = entry->V_Prev;
  delete entry;
}

void PurgeLapsed(double now) {
  HostCacheEntry* entry = PLAX_HostCache.V_First;
  while (entry != nullptr) {
    HostCacheEntry* next = entry->V_Next;
    if (entry->V_Expiry <= now) Unlink(entry);
    entry = next;
  }
}

const HostCacheEntry* Lookup(const char* host) {
  for (const HostCacheEntry* e = PLAX_HostCache.V_First; e != nullptr; e = e->V_Next) {
    if (e->V_Host == host) return e;
  }
  return nullptr;
}

void Append(const char* host, std::uint32_t address, double now) {
  auto* entry = new HostCacheEntry{};
  entry->V_Host = host;
  entry->V_Address = address;
  entry->V_Expiry = now + PLAX_HOST_CACHE_LIFETIME;
  entry->V_Prev = PLAX_HostCache.V_Last;
  if (PLAX_HostCache.V_Last != nullptr) PLAX_HostCache.V_Last->V_Next = entry;
  if (PLAX_HostCache.V_First == nullptr) PLAX_HostCache.V_First = entry;
  PLAX_HostCache.V_Last = entry;
}

// A dotted address, else a name lookup. 255.255.255.255 is never accepted:
// the classic dotted conversion cannot tell it from "not an address".
bool ResolveUncached(const char* host, std::uint32_t& address) {
  address = Sock_ParseDotted(host);
  if (address != SOCK_ADDRESS_NONE) return true;
  bool found = g_hooks.resolve_name != nullptr ? g_hooks.resolve_name(host, address)
                                               : Sock_ResolveName(host, address);
  return found && address != SOCK_ADDRESS_NONE;
}

double ClockLocked() {
  return g_hooks.clock != nullptr ? g_hooks.clock() : OsClock_Seconds();
}

}  // namespace

PLAX_Result PLAX_ResolveHost(const char* host, std::uint32_t& address_out) {
  OsSemaphore_Take(PLAX_HostCacheMutex);
  double now = ClockLocked();
  PurgeLapsed(now);
  const HostCacheEntry* hit = Lookup(host);
  std::uint32_t address = 0;
  bool found = hit != nullptr;
  if (found) {
    address = hit->V_Address;
  } else if (ResolveUncached(host, address)) {
    Append(host, address, now);
    found = true;
  }
  OsSemaphore_Release(PLAX_HostCacheMutex);
  if (!found) return PLAX_GURU_CANT_RESOLVE;
  address_out = address;
  return PLAX_GURU_NO_ERROR;
}

void PLAX_HostCacheClear() {
  OsSemaphore_Take(PLAX_HostCacheMutex);
  while (PLAX_HostCache.V_First != nullptr) Unlink(PLAX_HostCache.V_First);
  OsSemaphore_Release(PLAX_HostCacheMutex);
}

void PLAX_SetHostCacheHooks(const PLAX_HostCacheHooks& hooks) {
  OsSemaphore_Take(PLAX_HostCacheMutex);
  g_hooks = hooks;
  OsSemaphore_Release(PLAX_HostCacheMutex);
}
