#include "support/loopback.h"

#include <algorithm>

#include "loopback_os.h"
#include "support/wait.h"

bool PlainConnectedPair(int& first, int& second) {
  std::uint16_t port = 0;
  const int listener = PlainListen(port, 1);
  first = listener < 0 ? -1 : PlainConnect(port);
  second = first < 0 ? -1 : PlainAccept(listener);
  PlainClose(listener);
  if (second >= 0) return true;
  PlainClose(first);
  first = -1;
  return false;
}

bool PlainSendAll(int socket, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const long n = PlainSendSome(socket, data.data() + sent, data.size() - sent);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::string PlainReceive(int socket, std::size_t size, double seconds) {
  const Deadline deadline = Deadline_In(seconds);
  std::string bytes;
  char buffer[65536];
  while (bytes.size() < size) {
    const long n = PlainReceiveSome(socket, buffer, std::min(sizeof buffer, size - bytes.size()),
                                    Deadline_MsLeft(deadline));
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

bool PlainReceiveDatagram(int socket, std::string& datagram, double seconds) {
  datagram.assign(65536, '\0');
  const long n = PlainReceiveSome(socket, datagram.data(), datagram.size(),
                                  Deadline_MsLeft(Deadline_In(seconds)));
  datagram.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return n >= 0;
}
