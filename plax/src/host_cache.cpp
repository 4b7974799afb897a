// Host-to-address resolution with a 60-second cache. Lookups from several
// threads run one after another: the cache mutex is held across the whole
// resolution, the platform's name lookup included.
#include "intrusive_list.h"
#include "os_socket.h"
#include "plax_internal.h"

OsSemaphore PLAX_HostCacheMutex;
PLAX_HostCacheState PLAX_HostCache;
PLAX_HostCacheHooks PLAX_HostCacheCalls{OsClock_Seconds, Sock_ResolveName};

namespace {

void Remove(HostCacheEntry* entry) {
  List_Unlink(PLAX_HostCache.V_First, PLAX_HostCache.V_Last, entry);
  delete entry;
}

void PurgeLapsed(double now) {
  HostCacheEntry* entry = PLAX_HostCache.V_First;
  while (entry != nullptr) {
    HostCacheEntry* next = entry->V_Next;
    if (entry->V_Expiry <= now) Remove(entry);
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
  List_Append(PLAX_HostCache.V_First, PLAX_HostCache.V_Last, entry);
}

// A dotted address, else a name lookup. 255.255.255.255 is never accepted:
// the classic dotted conversion cannot tell it from "not an address".
bool ResolveUncached(const char* host, std::uint32_t& address) {
  address = Sock_ParseDotted(host);
  if (address != SOCK_ADDRESS_NONE) return true;
  return PLAX_HostCacheCalls.resolve_name(host, address) && address != SOCK_ADDRESS_NONE;
}

}  // namespace

PLAX_Result PLAX_ResolveHost(const char* host, std::uint32_t& address_out) {
  OsSemaphore_Take(PLAX_HostCacheMutex);
  double now = PLAX_HostCacheCalls.clock();
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
  while (PLAX_HostCache.V_First != nullptr) Remove(PLAX_HostCache.V_First);
  OsSemaphore_Release(PLAX_HostCacheMutex);
}
