#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "loopback_os.h"
#include "support/loopback.h"

namespace {

// The sockets library counts its users; this harness is one of them for the
// whole run, whatever the code under test does with its own count.
void EnsureWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

SOCKET AsSocket(int socket) {
  return static_cast<SOCKET>(static_cast<unsigned int>(socket));
}

int AsInt(SOCKET socket) {
  return socket == INVALID_SOCKET ? -1 : static_cast<int>(socket);
}

SOCKET OpenTcp() {
  EnsureWinsock();
  return WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                    WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int CallSize(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

int PlainConnect(std::uint16_t port) {
  const SOCKET socket = OpenTcp();
  const sockaddr_in address = Loopback(port);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(socket);
    return -1;
  }
  const BOOL on = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return AsInt(socket);
}

// No SO_REUSEADDR here: on Windows it would let this listener share a port
// that another socket listens on.
int PlainListen(std::uint16_t& port, int backlog) {
  const SOCKET socket = OpenTcp();
  sockaddr_in address = Loopback(port);
  int length = sizeof address;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket, backlog) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(socket);
    return -1;
  }
  port = ntohs(address.sin_port);
  return AsInt(socket);
}

long PlainSendSome(int socket, const char* data, std::size_t size) {
  return send(AsSocket(socket), data, CallSize(size), 0);
}

long PlainReceiveSome(int socket, char* buffer, std::size_t size, int wait_ms) {
  WSAPOLLFD entry{AsSocket(socket), POLLRDNORM, 0};
  if (WSAPoll(&entry, 1, wait_ms) <= 0) return -1;
  return recv(AsSocket(socket), buffer, CallSize(size), 0);
}

void PlainClose(int socket) {
  if (socket >= 0) closesocket(AsSocket(socket));
}

int PlainAccept(int listener) {
  const SOCKET socket = accept(AsSocket(listener), nullptr, nullptr);
  if (socket != INVALID_SOCKET) {
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
  }
  return AsInt(socket);
}

int PlainQueuedBytes(int socket) {
  u_long queued = 0;
  return ioctlsocket(AsSocket(socket), FIONREAD, &queued) == 0 ? static_cast<int>(queued) : 0;
}

void PlainSetReceiveBuffer(int socket, int bytes) {
  setsockopt(AsSocket(socket), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
             sizeof bytes);
}

int PlainOpenDatagram(std::uint16_t& port) {
  EnsureWinsock();
  const SOCKET socket = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                   WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  sockaddr_in address = Loopback(port);
  int length = sizeof address;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(socket);
    return -1;
  }
  port = ntohs(address.sin_port);
  return AsInt(socket);
}

void PlainSendDatagram(int socket, const std::string& data, std::uint16_t port) {
  const sockaddr_in to = Loopback(port);
  sendto(AsSocket(socket), data.data(), CallSize(data.size()), 0,
         reinterpret_cast<const sockaddr*>(&to), sizeof to);
}
