// Listening sockets and the adoption of accepted connections.
#include "os_socket.h"
#include "plax_internal.h"

namespace {

constexpr int kPortMax = 65535;
constexpr int kMaxSimConReqMax = 4096;

// Checks in their fixed order; the first failing one decides the result.
PLAX_Result CheckServerArguments(int port, int max_sim_con_req,
                                 PLAX_EventNewConnection on_new_connection) {
  if (max_sim_con_req < 1 || max_sim_con_req > kMaxSimConReqMax) {
    return PLAX_GURU_MAX_SIM_CON_REQ_RANGE;
  }
  if (port < 0 || port > kPortMax) return PLAX_GURU_PORT_RANGE;
  if (on_new_connection == nullptr) return PLAX_GURU_MISSING_EVENT;
  return PLAX_GURU_NO_ERROR;
}

// A listening socket, or a negative result code.
int OpenListeningSocket(std::uint16_t port, int backlog) {
  // Non-blocking, so that a connection that vanishes between the wait and the
  // accept cannot leave the worker stuck in accept.
  int socket = Sock_OpenTcp(/*non_blocking=*/true);
  if (socket < 0) return PLAX_GURU_CANT_CREATE_SOCKET;
  Sock_PrepareListener(socket);
  if (!Sock_BindAny(socket, port)) {
    Sock_Close(socket);
    return PLAX_GURU_CANT_BIND;
  }
  if (!Sock_Listen(socket, backlog)) {
    Sock_Close(socket);
    return PLAX_GURU_CANT_LISTEN;
  }
  return socket;
}

}  // namespace

PLAX_Result PLAX_OpenServer(PLAX_ID& id_out, std::uint16_t port, std::uint16_t max_sim_con_req,
                            PLAX_EventNewConnection on_new_connection,
                            PLAX_EventNewConnectionRefused on_new_connection_refused) {
  id_out = 0;
  PLAX_Result checked = CheckServerArguments(port, max_sim_con_req, on_new_connection);
  if (checked != PLAX_GURU_NO_ERROR) return checked;
  int socket = OpenListeningSocket(port, max_sim_con_req);
  if (socket < 0) return socket;

  PLAX_RecordFill fill;
  fill.socket = socket;
  fill.is_server = 1;
  fill.port = port;
  fill.on_new_connection = on_new_connection;
  fill.on_new_connection_refused = on_new_connection_refused;
  return PLAX_StartRecord(fill, id_out);
}

PLAX_Result PLAX_AdoptSocket(PLAX_Socket accepted, PLAX_ID& id_out, std::string& peer_address_out,
                             PLAX_EventDisconnected on_disconnected,
                             PLAX_EventConnected on_connected, PLAX_EventNewData on_new_data,
                             std::string& local_address_out) {
  Sock_LocalAddress(accepted, local_address_out);
  Sock_PeerAddress(accepted, peer_address_out);
  Sock_SetServing(accepted);
  Sock_SetNoDelay(accepted);

  PLAX_RecordFill fill;
  fill.socket = accepted;
  fill.host = peer_address_out;
  fill.on_disconnected = on_disconnected;
  fill.on_connected = on_connected;
  fill.on_new_data = on_new_data;
  return PLAX_StartRecord(fill, id_out);
}

void PLAX_CloseSocket(PLAX_Socket accepted) {
  if (accepted != PLAX_INVALID_SOCKET) Sock_Close(accepted);
}
