// Leaves a record in the READY state with no worker thread at exit, as a
// failed worker start once could: the engine's clean-up must still finish.
// Usage: plax_unstarted_exit_helper
#include <cstdio>

#include "plax_internal.h"

namespace {

constexpr int kExitCode = 5;

void OnDisconnected(PLAX_ID id) {
  std::printf("disconnected %u\n", id);
  std::fflush(stdout);
}

}  // namespace

int main() {
  PLAX_Connection* record = PLAX_NewConnection();
  OsSemaphore_Take(PLAX_RegistryMutex);
  record->V_State = PLAX_STATE_READY;
  record->V_EventDisconnected = OnDisconnected;
  OsSemaphore_Release(PLAX_RegistryMutex);
  std::printf("open\n");
  std::fflush(stdout);
  return kExitCode;
}
