#include "os_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include "os_socket_address.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often a send waiting for room looks whether the peer took anything:
// the system reports room for a stream only once a good part of its buffer
// is free, which a slow reader may take far longer than the stall bound to
// free.
constexpr int kProgressCheckMs = 100;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// poll() for one socket, restarting after signals with the time that is left.
int PollOne(int socket, short events, int timeout_ms, short& revents) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  pollfd entry{socket, events, 0};
  for (;;) {
    int result = poll(&entry, 1, timeout_ms);
    if (result >= 0 || errno != EINTR) {
      revents = entry.revents;
      return result;
    }
    timeout_ms = MillisecondsLeft(deadline);
  }
}

bool IsPassingAcceptError(int error) {
  switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case ECONNABORTED:
    case EPROTO:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case EPERM:
      return true;
    default:
      return false;
  }
}

SockReceive ReceiveOutcome(ssize_t result, std::size_t& received) {
  received = result > 0 ? static_cast<std::size_t>(result) : 0;
  if (result > 0) return SockReceive::kData;
  if (result == 0) return SockReceive::kClosed;
  if (errno == EAGAIN || errno == EWOULDBLOCK) return SockReceive::kWouldBlock;
  return SockReceive::kFailed;
}

ssize_t SendOnce(int socket, const char* data, std::size_t size, const SockTarget* target) {
  constexpr int kFlags = MSG_NOSIGNAL | MSG_DONTWAIT;
  if (target == nullptr) return send(socket, data, size, kFlags);
  sockaddr_in address = SockAddress_Make(target->address, target->port);
  return sendto(socket, data, size, kFlags, reinterpret_cast<const sockaddr*>(&address),
                sizeof address);
}

// The address of the peer or of this end, IPv4 only.
bool AddressOf(int socket, bool peer, sockaddr_in& address) {
  socklen_t length = sizeof address;
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  int result = peer ? getpeername(socket, raw, &length) : getsockname(socket, raw, &length);
  return result == 0 && address.sin_family == AF_INET;
}

// One call: a datagram goes out whole or not at all, and one the system has
// no room for is dropped, as the network would drop it.
SockSend SendDatagram(int socket, const char* data, std::size_t size, const SockTarget& target,
                      std::uint32_t& sent) {
  ssize_t result;
  do {
    result = SendOnce(socket, data, size, &target);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return SockSend::kFailed;
  sent = static_cast<std::uint32_t>(result);
  return sent == size ? SockSend::kComplete : SockSend::kFailed;
}

// Bytes on their way that the peer has not acknowledged yet; -1 if the system
// cannot tell. It shrinks only when the peer takes bytes.
int Unacknowledged(int socket) {
  int queued = 0;
  return ioctl(socket, SIOCOUTQ, &queued) == 0 ? queued : -1;
}

SockSend SendStream(int socket, const char* data, std::size_t size, int stall_ms,
                    std::uint32_t& sent) {
  const auto stall = std::chrono::milliseconds(stall_ms);
  Clock::time_point deadline = Clock::now() + stall;
  int unacknowledged = -1;
  while (sent != size) {
    ssize_t result = SendOnce(socket, data + sent, size - sent, nullptr);
    if (result > 0) {
      sent += static_cast<std::uint32_t>(result);
      deadline = Clock::now() + stall;
      continue;
    }
    if (result == 0 || errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SockSend::kFailed;
    // The buffer is full. Only our sends add to what is unacknowledged, so
    // any shrinking since the last look is bytes the peer took.
    const int queued = Unacknowledged(socket);
    if (queued >= 0 && queued < unacknowledged) deadline = Clock::now() + stall;
    unacknowledged = queued;
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return SockSend::kStalled;
    short revents = 0;
    if (PollOne(socket, POLLOUT, std::min(left, kProgressCheckMs), revents) < 0) {
      return SockSend::kFailed;
    }
  }
  return SockSend::kComplete;
}

}  // namespace

void Sock_Startup() {}

void Sock_Cleanup() {}

int Sock_OpenTcp(bool non_blocking) {
  int type = SOCK_STREAM | SOCK_CLOEXEC | (non_blocking ? SOCK_NONBLOCK : 0);
  return socket(AF_INET, type, 0);
}

int Sock_OpenUdp() {
  return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

void Sock_Close(int socket) {
  // Linux releases the descriptor even when close() is interrupted, so a
  // retry could close a descriptor that another thread has just been given.
  close(socket);
}

void Sock_Shutdown(int socket) {
  shutdown(socket, SHUT_RDWR);
}

// Blocking: each send asks for MSG_DONTWAIT itself, and a receive that must
// not wait does the same.
void Sock_SetServing(int socket) {
  int flags = fcntl(socket, F_GETFL, 0);
  if (flags < 0) return;
  fcntl(socket, F_SETFL, flags & ~O_NONBLOCK);
}

void Sock_SetNoDelay(int socket) {
  int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// SO_REUSEADDR on Linux still refuses a port that another socket listens on.
void Sock_PrepareListener(int socket) {
  int on = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

bool Sock_BindAny(int socket, std::uint16_t port) {
  sockaddr_in address = SockAddress_Make(htonl(INADDR_ANY), port);
  return bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool Sock_Listen(int socket, int backlog) {
  return listen(socket, backlog) == 0;
}

bool Sock_Connect(int socket, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  sockaddr_in target = SockAddress_Make(address, port);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return true;
  if (errno != EINPROGRESS && errno != EINTR) return false;
  short revents = 0;
  if (PollOne(socket, POLLOUT, timeout_ms, revents) <= 0) return false;
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
  return error == 0 && (revents & POLLOUT) != 0;
}

SockWait Sock_WaitReadable(int socket, int timeout_ms) {
  short revents = 0;
  int result = PollOne(socket, POLLIN, timeout_ms, revents);
  if (result < 0 || (revents & POLLNVAL) != 0) return SockWait::kFailed;
  return result == 0 ? SockWait::kTimedOut : SockWait::kReady;
}

SockAccept Sock_Accept(int listening, int& accepted) {
  for (;;) {
    accepted = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted >= 0) return SockAccept::kAccepted;
    if (errno == EINTR) continue;
    if (IsPassingAcceptError(errno)) return SockAccept::kRetry;
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      return SockAccept::kExhausted;
    }
    return SockAccept::kFailed;
  }
}

// The socket blocks (Sock_SetServing), so the time-out of the receive itself
// is the wait.
void Sock_SetReceiveWait(int socket, int timeout_ms) {
  timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
}

SockReceive Sock_ReceiveWithin(int socket, char* buffer, std::size_t size, std::size_t& received,
                               bool /*more_expected*/) {
  ssize_t result;
  do {
    result = recv(socket, buffer, size, 0);
  } while (result < 0 && errno == EINTR);
  return ReceiveOutcome(result, received);
}

SockReceive Sock_ReceiveFrom(int socket, char* buffer, std::size_t size, std::size_t& received,
                             std::string& sender) {
  sockaddr_in from{};
  socklen_t length = sizeof from;
  ssize_t result;
  do {
    length = sizeof from;
    result =
        recvfrom(socket, buffer, size, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
  } while (result < 0 && errno == EINTR);
  sender = (result >= 0 && length >= sizeof from) ? SockAddress_Dotted(from) : std::string();
  return ReceiveOutcome(result, received);
}

bool Sock_PeerAddress(int socket, std::string& dotted) {
  sockaddr_in address{};
  if (!AddressOf(socket, /*peer=*/true, address)) return false;
  dotted = SockAddress_Dotted(address);
  return true;
}

bool Sock_LocalAddress(int socket, std::string& dotted) {
  sockaddr_in address{};
  if (!AddressOf(socket, /*peer=*/false, address)) return false;
  dotted = SockAddress_Dotted(address);
  return true;
}

std::uint16_t Sock_LocalPort(int socket) {
  sockaddr_in address{};
  return AddressOf(socket, /*peer=*/false, address) ? ntohs(address.sin_port) : 0;
}

SockSend Sock_SendAll(int socket, const char* data, std::size_t size, const SockTarget* target,
                      int stall_ms, std::uint32_t& sent) {
  // The count is 32 bits wide: a size it cannot hold would never be reached,
  // and the offset would wrap round to bytes already sent.
  if (size > std::numeric_limits<std::uint32_t>::max()) return SockSend::kFailed;
  if (target != nullptr) return SendDatagram(socket, data, size, *target, sent);
  return SendStream(socket, data, size, stall_ms, sent);
}

std::uint32_t Sock_ParseDotted(const char* text) {
  return inet_addr(text);
}

bool Sock_ResolveName(const char* host, std::uint32_t& address) {
  return SockAddress_Lookup(host, address);
}

bool Sock_AllowBroadcast(int socket) {
  int on = 1;
  return setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

std::vector<SockInterface> Sock_Interfaces() {
  std::vector<SockInterface> found;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr) continue;
    if (entry->ifa_addr->sa_family != AF_INET || (entry->ifa_flags & IFF_UP) == 0) continue;
    found.push_back({reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr,
                     reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr,
                     (entry->ifa_flags & IFF_BROADCAST) != 0,
                     (entry->ifa_flags & IFF_LOOPBACK) != 0});
  }
  freeifaddrs(list);
  return found;
}

void Sock_ShutdownSend(int socket) {
  shutdown(socket, SHUT_WR);
}

bool Sock_SetSendBuffer(int socket, int bytes) {
  return setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
}
