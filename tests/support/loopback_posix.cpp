#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "loopback_os.h"

namespace {

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

int PlainConnect(std::uint16_t port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Loopback(port);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(socket);
    return -1;
  }
  const int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return socket;
}

int PlainListen(std::uint16_t& port, int backlog) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // A fixed port may still hold connections of an earlier run waiting out their time.
  const int on = 1;
  if (port != 0) setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address = Loopback(port);
  socklen_t length = sizeof address;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket, backlog) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(socket);
    return -1;
  }
  port = ntohs(address.sin_port);
  return socket;
}

long PlainSendSome(int socket, const char* data, std::size_t size) {
  return send(socket, data, size, MSG_NOSIGNAL);
}

long PlainReceiveSome(int socket, char* buffer, std::size_t size, int wait_ms) {
  pollfd entry{socket, POLLIN, 0};
  if (poll(&entry, 1, wait_ms) <= 0) return -1;
  return recv(socket, buffer, size, 0);
}

void PlainClose(int socket) {
  if (socket >= 0) close(socket);
}

int PlainAccept(int listener) {
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

int PlainQueuedBytes(int socket) {
  int queued = 0;
  return ioctl(socket, FIONREAD, &queued) == 0 ? queued : 0;
}

void PlainSetReceiveBuffer(int socket, int bytes) {
  setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

int PlainOpenDatagram(std::uint16_t& port) {
  const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(port);
  socklen_t length = sizeof address;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(socket);
    return -1;
  }
  port = ntohs(address.sin_port);
  return socket;
}

void PlainSendDatagram(int socket, const std::string& data, std::uint16_t port) {
  const sockaddr_in to = Loopback(port);
  sendto(socket, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}
