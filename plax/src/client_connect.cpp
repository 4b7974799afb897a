// Outgoing TCP connections.
#include <climits>
#include <cstring>

#include "os_socket.h"
#include "plax_internal.h"

namespace {

constexpr int kPortMax = 65535;

int TimeoutMilliseconds(std::int32_t timeout_seconds) {
  if (timeout_seconds <= 0) return 0;
  if (timeout_seconds > INT_MAX / 1000) return INT_MAX;
  return timeout_seconds * 1000;
}

// Checks in their fixed order; the first failing one decides the result.
PLAX_Result CheckClientArguments(const char* host, int port) {
  if (port < 0 || port > kPortMax) return PLAX_GURU_PORT_RANGE;
  if (host == nullptr || host[0] == '\0') return PLAX_GURU_IPA_NOT_FOUND;
  if (std::strchr(host, ':') != nullptr) return PLAX_GURU_NO_IPV6;
  return PLAX_GURU_NO_ERROR;
}

}  // namespace

PLAX_Result PLAX_OpenClient(PLAX_ID& id_out, const char* host, std::uint16_t port,
                            PLAX_EventDisconnected on_disconnected,
                            PLAX_EventConnected on_connected, PLAX_EventNewData on_new_data,
                            std::int32_t timeout_seconds) {
  id_out = 0;
  PLAX_Result checked = CheckClientArguments(host, port);
  if (checked != PLAX_GURU_NO_ERROR) return checked;
  std::uint32_t address = 0;
  PLAX_Result resolved = PLAX_ResolveHost(host, address);
  if (resolved != PLAX_GURU_NO_ERROR) return resolved;

  int socket = Sock_OpenTcp(/*non_blocking=*/true);
  if (socket < 0) return PLAX_GURU_CANT_CREATE_SOCKET;
  if (!Sock_Connect(socket, address, port, TimeoutMilliseconds(timeout_seconds))) {
    Sock_Close(socket);
    return PLAX_GURU_CANT_CONNECT;
  }
  Sock_SetServing(socket);
  Sock_SetNoDelay(socket);

  PLAX_RecordFill fill;
  fill.socket = socket;
  fill.host = host;
  fill.port = port;
  fill.on_disconnected = on_disconnected;
  fill.on_connected = on_connected;
  fill.on_new_data = on_new_data;
  return PLAX_StartRecord(fill, id_out);
}
