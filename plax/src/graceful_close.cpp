// Ending a connection so that its last bytes arrive: the sending side ends
// first, and the worker drains the peer until it closes too, so that no
// unread byte turns the close into a reset that could discard them.
#include "os_socket.h"
#include "plax_internal.h"

namespace {

std::int64_t NowMs() {
  constexpr double kMsPerSecond = 1000.0;
  return static_cast<std::int64_t>(OsClock_Seconds() * kMsPerSecond);
}

}  // namespace

bool PLAX_Draining(const PLAX_SocketLink& link) {
  return link.drain_until_ms.load() != 0;
}

bool PLAX_DrainOver(const PLAX_SocketLink& link) {
  const std::int64_t until = link.drain_until_ms.load();
  return until != 0 && NowMs() >= until;
}

PLAX_Result PLAX_CloseGracefully(PLAX_ID id) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Connection* record = PLAX_FindConnection(id);
  PLAX_Result result = PLAX_GURU_NO_ERROR;
  std::shared_ptr<PLAX_SocketLink> link;
  if (record == nullptr) {
    result = PLAX_GURU_ID_NOT_FOUND;
  } else if (record->V_SOCKET == PLAX_INVALID_SOCKET) {
    result = PLAX_GURU_NO_SOCKET;
  } else if (record->V_Protocol == PLAX_PROTOCOL_TCP && record->V_IsServer == 0) {
    // Also before its worker has begun: the worker drains once it runs, so
    // a connection adopted only to be turned away ends the same way.
    link = record->V_Link;
  }
  OsSemaphore_Release(PLAX_RegistryMutex);
  if (!link) return result;
  // Never 0, which means "not draining".
  const std::int64_t until = NowMs() + PLAX_SEND_TIMEOUT_MS;
  std::int64_t idle = 0;
  link->drain_until_ms.compare_exchange_strong(idle, until == 0 ? 1 : until);
  // Under the send lock, so a send in flight goes out whole before the end.
  OsSemaphore_Take(link->send_lock);
  if (!link->closed.load()) Sock_ShutdownSend(link->descriptor);
  OsSemaphore_Release(link->send_lock);
  return result;
}
