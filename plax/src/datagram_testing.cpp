// Datagram records. No public operation opens one; the worker and PLAX_Send
// serve them, and tests open them here to reach those paths.
#include "os_socket.h"
#include "plax_internal.h"

PLAX_Result PLAX_OpenDatagram(PLAX_ID& id_out, std::uint16_t port,
                              PLAX_EventNewDataUDP on_new_data_udp) {
  id_out = 0;
  int socket = Sock_OpenUdp();
  if (socket < 0) return PLAX_GURU_CANT_CREATE_SOCKET;
  if (!Sock_BindAny(socket, port)) {
    Sock_Close(socket);
    return PLAX_GURU_CANT_BIND;
  }
  PLAX_RecordFill fill;
  fill.socket = socket;
  fill.protocol = PLAX_PROTOCOL_UDP;
  fill.port = port;
  fill.on_new_data_udp = on_new_data_udp;
  return PLAX_StartRecord(fill, id_out);
}
