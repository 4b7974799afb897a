// Sending on and closing an existing connection, named by its ID.
#include <cstring>

#include "os_socket.h"
#include "plax_internal.h"

namespace {

constexpr int kPortMax = 65535;
constexpr const char* kBroadcastHost = "0";

struct SendTarget {
  std::shared_ptr<PLAX_SocketLink> link;
  std::int32_t protocol = PLAX_PROTOCOL_TCP;
};

// The open connection behind `id`, or false (closed or unknown: -12).
bool FindOpen(PLAX_ID id, SendTarget& target) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(id);
  bool open = record != nullptr && record->V_SOCKET != PLAX_INVALID_SOCKET && record->V_Link;
  if (open) {
    target.link = record->V_Link;
    target.protocol = record->V_Protocol;
  }
  OsSemaphore_Release(PLAX_RegistryMutex);
  return open;
}

// The receiver of a datagram, checked in the fixed order of the result codes.
PLAX_Result DatagramReceiver(const char* host, int port, SockTarget& receiver) {
  if (host == nullptr || host[0] == '\0') return PLAX_GURU_IPA_NOT_FOUND;
  if (port < 0 || port > kPortMax) return PLAX_GURU_PORT_RANGE;
  receiver.port = static_cast<std::uint16_t>(port);
  if (std::strcmp(host, kBroadcastHost) == 0) {
    receiver.address = SOCK_ADDRESS_BROADCAST;
    return PLAX_GURU_NO_ERROR;
  }
  if (std::strchr(host, ':') != nullptr) return PLAX_GURU_NO_IPV6;
  return PLAX_ResolveHost(host, receiver.address);
}

void AddSent(PLAX_ID id, std::uint32_t sent) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Connection* record = PLAX_FindConnection(id);
  if (record != nullptr) record->V_BytesSent += sent;
  OsSemaphore_Release(PLAX_RegistryMutex);
}

// A peer that stopped reading: close the connection as PLAX_Close would.
void CloseStalled(PLAX_ID id, const std::shared_ptr<PLAX_SocketLink>& stalled) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Connection* record = PLAX_FindConnection(id);
  bool same = record != nullptr && record->V_Link == stalled;
  std::shared_ptr<PLAX_SocketLink> link;
  if (same) link = PLAX_MarkClosed(*record);
  OsSemaphore_Release(PLAX_RegistryMutex);
  if (same) PLAX_FinishClose(link);
}

// Sends under the connection's send lock, so concurrent sends never
// interleave. Senders queued behind one that stalls find the link closed.
SockSend SendSerialised(PLAX_SocketLink& link, const PLAX_Bytes& data, const SockTarget* receiver,
                        std::uint32_t& sent_out, bool& closed) {
  OsSemaphore_Take(link.send_lock);
  closed = link.closed.load();
  SockSend result = SockSend::kFailed;
  if (!closed) {
    result = Sock_SendAll(link.descriptor, data.data(), data.size(), receiver, PLAX_SEND_TIMEOUT_MS,
                          sent_out);
    // Marked here, before the lock goes, so that queued senders fail at once.
    if (result == SockSend::kStalled) link.closed.store(true);
  }
  OsSemaphore_Release(link.send_lock);
  return result;
}

}  // namespace

PLAX_Result PLAX_Send(PLAX_ID id, const PLAX_Bytes& data, std::uint32_t& sent_out, const char* host,
                      std::uint16_t port) {
  sent_out = 0;
  SendTarget target;
  if (!FindOpen(id, target)) return PLAX_GURU_ID_NOT_FOUND;
  SockTarget receiver;
  const SockTarget* to = nullptr;
  if (target.protocol == PLAX_PROTOCOL_UDP) {
    PLAX_Result checked = DatagramReceiver(host, port, receiver);
    if (checked != PLAX_GURU_NO_ERROR) return checked;
    to = &receiver;
  } else if (data.empty()) {
    return PLAX_GURU_NO_ERROR;  // no bytes to send on a stream; an empty datagram goes out
  }

  bool closed = false;
  SockSend result = SendSerialised(*target.link, data, to, sent_out, closed);
  if (closed) return PLAX_GURU_ID_NOT_FOUND;
  if (result == SockSend::kStalled) CloseStalled(id, target.link);
  AddSent(id, sent_out);
  return sent_out == data.size() ? PLAX_GURU_NO_ERROR : PLAX_GURU_SEND_ERROR;
}

PLAX_Result PLAX_SendNow(PLAX_ID id, const PLAX_Bytes& data, std::uint32_t& sent_out) {
  sent_out = 0;
  SendTarget target;
  if (!FindOpen(id, target)) return PLAX_GURU_ID_NOT_FOUND;
  if (target.protocol != PLAX_PROTOCOL_TCP) return PLAX_GURU_SEND_ERROR;
  if (data.empty() || !OsSemaphore_TryTake(target.link->send_lock)) return PLAX_GURU_NO_ERROR;
  const bool closed = target.link->closed.load();
  SockSend result = SockSend::kFailed;
  // No stall time: what the platform cannot take now is left, not waited for.
  if (!closed) {
    result = Sock_SendAll(target.link->descriptor, data.data(), data.size(), nullptr, 0, sent_out);
  }
  OsSemaphore_Release(target.link->send_lock);
  if (closed) return PLAX_GURU_ID_NOT_FOUND;
  AddSent(id, sent_out);
  return result == SockSend::kFailed ? PLAX_GURU_SEND_ERROR : PLAX_GURU_NO_ERROR;
}

PLAX_Result PLAX_Close(PLAX_ID id) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Connection* record = PLAX_FindConnection(id);
  PLAX_Result result = PLAX_GURU_NO_ERROR;
  std::shared_ptr<PLAX_SocketLink> link;
  bool closing = false;
  if (record == nullptr) {
    result = PLAX_GURU_ID_NOT_FOUND;
  } else if (record->V_SOCKET == PLAX_INVALID_SOCKET) {
    result = PLAX_GURU_NO_SOCKET;
  } else if (record->V_State == PLAX_STATE_RUNNING) {
    link = PLAX_MarkClosed(*record);
    closing = true;
  }
  // A record whose worker has not begun serving it is left alone.
  OsSemaphore_Release(PLAX_RegistryMutex);
  // The socket is shut down only after the lock is released; by then the
  // record already shows it closed.
  if (closing) PLAX_FinishClose(link);
  return result;
}
