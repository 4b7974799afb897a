// Datagram records: a bound UDP socket served by the worker's datagram loop,
// sending through PLAX_Send's datagram path; and the broadcast addresses a
// program may send to.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "os_socket.h"
#include "plax_internal.h"

PLAX_Result PLAX_OpenDatagram(PLAX_ID& id_out, std::uint16_t port, std::uint32_t options,
                              PLAX_EventDisconnected on_disconnected,
                              PLAX_EventNewDataUDP on_new_data_udp, std::uint16_t& port_out) {
  id_out = 0;
  port_out = 0;
  int socket = Sock_OpenUdp();
  if (socket < 0) return PLAX_GURU_CANT_CREATE_SOCKET;
  const bool broadcast_allowed =
      (options & PLAX_DATAGRAM_BROADCAST) == 0 || Sock_AllowBroadcast(socket);
  if (!broadcast_allowed || !Sock_BindAny(socket, port)) {
    Sock_Close(socket);
    return PLAX_GURU_CANT_BIND;
  }
  PLAX_RecordFill fill;
  fill.socket = socket;
  fill.protocol = PLAX_PROTOCOL_UDP;
  fill.port = Sock_LocalPort(socket);
  fill.on_disconnected = on_disconnected;
  fill.on_new_data_udp = on_new_data_udp;
  // Known before the worker starts, as the ID is.
  port_out = fill.port;
  const PLAX_Result result = PLAX_StartRecord(fill, id_out);
  if (result != PLAX_GURU_NO_ERROR) port_out = 0;
  return result;
}

namespace {

// `address` in network byte order, whose first byte in memory is the first
// number of the dotted form on any host.
std::string Ipv4_Dotted(std::uint32_t address) {
  std::array<unsigned char, 4> bytes{};
  std::memcpy(bytes.data(), &address, bytes.size());
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

void AddressList_AddOnce(std::vector<std::string>& list, std::uint32_t address) {
  const std::string dotted = Ipv4_Dotted(address);
  if (std::find(list.begin(), list.end(), dotted) == list.end()) list.push_back(dotted);
}

}  // namespace

// Only a broadcasting interface or the loopback has a broadcast address:
// every host bit set, which for the loopback (127.0.0.1/8) reaches every
// program on this machine. A network of one address has no hosts to reach.
void PLAX_ListBroadcastAddresses(std::vector<std::string>& addresses_out) {
  addresses_out.clear();
  for (const SockInterface& entry : Sock_Interfaces()) {
    if ((!entry.broadcasts && !entry.loopback) || entry.netmask == 0xFFFFFFFFu) continue;
    AddressList_AddOnce(addresses_out, entry.address | ~entry.netmask);
  }
}

void PLAX_ListLocalAddresses(std::vector<std::string>& addresses_out) {
  addresses_out.clear();
  for (const SockInterface& entry : Sock_Interfaces()) {
    if (!entry.loopback) AddressList_AddOnce(addresses_out, entry.address);
  }
}
