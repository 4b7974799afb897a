// The socket layer on Winsock 2. Engine sockets stay non-blocking for their
// whole life: Winsock has no per-call "don't wait" flag, so every wait has a
// time-out of its own instead. Every error is read with WSAGetLastError; no
// call raises a signal, a reset peer is a failed call.
//
// A worker waiting for a socket must wake when the socket is shut down from
// another thread. A select does not reliably end on a local shutdown there,
// so a worker waits on two events instead: the socket's network event and a
// wake event that Sock_Shutdown sets.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <limits>
#include <map>

#include "os_socket.h"
#include "os_socket_address.h"

namespace {

SOCKET AsSocket(int socket) {
  return static_cast<SOCKET>(static_cast<unsigned int>(socket));
}

// A Winsock handle is a small kernel handle value, so it fits an int; the
// invalid value becomes -1.
int AsInt(SOCKET socket) {
  return socket == INVALID_SOCKET ? -1 : static_cast<int>(socket);
}

// At most INT_MAX bytes per call: Winsock counts in int.
int CallSize(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

void SetNonBlocking(SOCKET socket, bool non_blocking) {
  u_long mode = non_blocking ? 1 : 0;
  ioctlsocket(socket, FIONBIO, &mode);
}

// A child process started by the program must not keep a connection open.
void KeepFromChildren(SOCKET socket) {
  SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
}

SOCKET OpenSocket(int type, int protocol) {
  return WSASocketW(AF_INET, type, protocol, nullptr, 0,
                    WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}

// The events of one waited-on socket, made on first use and freed when the
// socket is closed.
struct SocketEvents {
  HANDLE network = nullptr;          // readable, connection waiting, closed
  HANDLE wake = nullptr;             // set by Sock_Shutdown, never reset
  DWORD receive_wait_ms = INFINITE;  // Sock_ReceiveWithin's
};

// A lock with no constructor or destructor, and a table that is never freed:
// both serve the engine's clean-up, which runs during static destruction.
SRWLOCK g_events_lock = SRWLOCK_INIT;
std::map<SOCKET, SocketEvents>& EventsTable() {
  static auto* table = new std::map<SOCKET, SocketEvents>;
  return *table;
}

// The socket's events; `watch` also ties the network event to the socket.
SocketEvents EventsOf(SOCKET socket, bool watch) {
  AcquireSRWLockExclusive(&g_events_lock);
  SocketEvents& events = EventsTable()[socket];
  if (events.wake == nullptr) events.wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (watch && events.network == nullptr) {
    // Auto-reset: the wait that sees it resets it, with no further call.
    // Winsock sets it again while bytes or connections remain after the
    // next receive or accept.
    events.network = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WSAEventSelect(socket, events.network, FD_READ | FD_ACCEPT | FD_CLOSE);
  }
  SocketEvents copy = events;
  ReleaseSRWLockExclusive(&g_events_lock);
  return copy;
}

void ForgetEvents(SOCKET socket) {
  AcquireSRWLockExclusive(&g_events_lock);
  auto found = EventsTable().find(socket);
  SocketEvents events;
  if (found != EventsTable().end()) {
    events = found->second;
    EventsTable().erase(found);
  }
  ReleaseSRWLockExclusive(&g_events_lock);
  if (events.network != nullptr) CloseHandle(events.network);
  if (events.wake != nullptr) CloseHandle(events.wake);
}

enum class Ready { kYes, kTimedOut, kFailed };

// select() for one socket. `write`: wait until it can take bytes (or a
// connect has finished); otherwise until there is something to read. A
// connect or send that fails shows in the exception set, so that set is
// always watched too and counts as ready: the next call reports the error.
Ready SelectOne(SOCKET socket, bool write, int timeout_ms) {
  fd_set wanted;
  fd_set failed;
  FD_ZERO(&wanted);
  FD_ZERO(&failed);
  FD_SET(socket, &wanted);
  FD_SET(socket, &failed);
  timeval timeout{};
  timeout.tv_sec = timeout_ms / 1000;
  timeout.tv_usec = (timeout_ms % 1000) * 1000;
  // The first argument is ignored by Winsock.
  int result = select(0, write ? nullptr : &wanted, write ? &wanted : nullptr, &failed, &timeout);
  if (result == SOCKET_ERROR) return Ready::kFailed;
  return result == 0 ? Ready::kTimedOut : Ready::kYes;
}

// `error`: what WSAGetLastError said right after the call.
SockReceive ReceiveOutcome(int result, int error, std::size_t& received) {
  received = result > 0 ? static_cast<std::size_t>(result) : 0;
  if (result > 0) return SockReceive::kData;
  if (result == 0) return SockReceive::kClosed;
  return error == WSAEWOULDBLOCK ? SockReceive::kWouldBlock : SockReceive::kFailed;
}

int SendOnce(SOCKET socket, const char* data, std::size_t size, const SockTarget* target) {
  if (target == nullptr) return send(socket, data, CallSize(size), 0);
  sockaddr_in address = SockAddress_Make(target->address, target->port);
  return sendto(socket, data, CallSize(size), 0, reinterpret_cast<const sockaddr*>(&address),
                sizeof address);
}

// One call: a datagram goes out whole or not at all, and one the system has
// no room for is dropped, as the network would drop it.
SockSend SendDatagram(SOCKET socket, const char* data, std::size_t size, const SockTarget& target,
                      std::uint32_t& sent) {
  const int result = SendOnce(socket, data, size, &target);
  if (result == SOCKET_ERROR) return SockSend::kFailed;
  sent = static_cast<std::uint32_t>(result);
  return sent == size ? SockSend::kComplete : SockSend::kFailed;
}

// How often a send waiting for room tries again: the peer may free room
// without the wait reporting it (under Wine the wait is the host system's,
// which reports room only once a good part of the buffer is free).
constexpr int kProgressCheckMs = 100;

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The stall bound counts from the last byte the platform took.
SockSend SendStream(SOCKET socket, const char* data, std::size_t size, int stall_ms,
                    std::uint32_t& sent) {
  const auto stall = std::chrono::milliseconds(stall_ms);
  auto deadline = std::chrono::steady_clock::now() + stall;
  while (sent != size) {
    const int result = SendOnce(socket, data + sent, size - sent, nullptr);
    if (result > 0) {
      sent += static_cast<std::uint32_t>(result);
      deadline = std::chrono::steady_clock::now() + stall;
      continue;
    }
    if (result == 0) continue;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return SockSend::kFailed;
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return SockSend::kStalled;
    if (SelectOne(socket, /*write=*/true, std::min(left, kProgressCheckMs)) == Ready::kFailed) {
      return SockSend::kFailed;
    }
  }
  return SockSend::kComplete;
}

bool AddressOf(int socket, bool peer, sockaddr_in& address) {
  int length = sizeof address;
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  int result = peer ? getpeername(AsSocket(socket), raw, &length)
                    : getsockname(AsSocket(socket), raw, &length);
  return result == 0 && address.sin_family == AF_INET;
}

}  // namespace

void Sock_Startup() {
  WSADATA data{};
  WSAStartup(2, &data);  // the version word 2: Winsock 2.0
}

void Sock_Cleanup() {
  WSACleanup();
}

int Sock_OpenTcp(bool non_blocking) {
  SOCKET socket = OpenSocket(SOCK_STREAM, IPPROTO_TCP);
  if (socket != INVALID_SOCKET && non_blocking) SetNonBlocking(socket, true);
  return AsInt(socket);
}

int Sock_OpenUdp() {
  return AsInt(OpenSocket(SOCK_DGRAM, IPPROTO_UDP));
}

// The events go first: once the socket is closed its number may be reused.
void Sock_Close(int socket) {
  ForgetEvents(AsSocket(socket));
  closesocket(AsSocket(socket));
}

void Sock_Shutdown(int socket) {
  shutdown(AsSocket(socket), SD_BOTH);
  SetEvent(EventsOf(AsSocket(socket), /*watch=*/false).wake);
}

void Sock_SetServing(int socket) {
  SetNonBlocking(AsSocket(socket), true);
}

void Sock_SetNoDelay(int socket) {
  BOOL on = TRUE;
  setsockopt(AsSocket(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
             sizeof on);
}

// Windows binds a port in TIME_WAIT without help, and SO_REUSEADDR there would
// let a second program take a port that this one listens on.
void Sock_PrepareListener(int socket) {
  BOOL on = TRUE;
  setsockopt(AsSocket(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
             sizeof on);
}

bool Sock_BindAny(int socket, std::uint16_t port) {
  sockaddr_in address = SockAddress_Make(htonl(INADDR_ANY), port);
  return bind(AsSocket(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool Sock_Listen(int socket, int backlog) {
  return listen(AsSocket(socket), backlog) == 0;
}

bool Sock_Connect(int socket, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  SOCKET handle = AsSocket(socket);
  sockaddr_in target = SockAddress_Make(address, port);
  if (connect(handle, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return true;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  // A refused connect lands in the exception set, not the write set.
  if (SelectOne(handle, /*write=*/true, timeout_ms) != Ready::kYes) return false;
  int error = 0;
  int length = sizeof error;
  if (getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    return false;
  }
  return error == 0;
}

// A shut-down socket counts as readable for good, as on POSIX: the next
// receive or accept reports the end.
namespace {

SockWait WaitReadable(const SocketEvents& events, DWORD timeout_ms) {
  HANDLE both[2] = {events.wake, events.network};
  DWORD result = WaitForMultipleObjects(2, both, FALSE, timeout_ms);
  if (result == WAIT_TIMEOUT) return SockWait::kTimedOut;
  if (result == WAIT_OBJECT_0) return SockWait::kReady;
  return result == WAIT_OBJECT_0 + 1 ? SockWait::kReady : SockWait::kFailed;
}

}  // namespace

SockWait Sock_WaitReadable(int socket, int timeout_ms) {
  return WaitReadable(EventsOf(AsSocket(socket), /*watch=*/true), static_cast<DWORD>(timeout_ms));
}

SockAccept Sock_Accept(int listening, int& accepted) {
  SOCKET socket = accept(AsSocket(listening), nullptr, nullptr);
  accepted = AsInt(socket);
  if (socket != INVALID_SOCKET) {
    // An accepted socket starts with the listener's event association; its
    // own worker makes its own.
    WSAEventSelect(socket, nullptr, 0);
    KeepFromChildren(socket);
    // The listener's non-blocking mode carries over; set it all the same,
    // since the worker and senders rely on it.
    SetNonBlocking(socket, true);
    return SockAccept::kAccepted;
  }
  switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK:
    case WSAECONNRESET:
    case WSAEINTR:
    case WSAENETDOWN:
      return SockAccept::kRetry;
    case WSAEMFILE:
    case WSAENOBUFS:
      return SockAccept::kExhausted;
    default:
      return SockAccept::kFailed;
  }
}

void Sock_SetReceiveWait(int socket, int timeout_ms) {
  AcquireSRWLockExclusive(&g_events_lock);
  EventsTable()[AsSocket(socket)].receive_wait_ms = static_cast<DWORD>(timeout_ms);
  ReleaseSRWLockExclusive(&g_events_lock);
}

// Winsock cannot wait inside a receive on a non-blocking socket: the events'
// wait comes first, unless the last receive left more behind.
SockReceive Sock_ReceiveWithin(int socket, char* buffer, std::size_t size, std::size_t& received,
                               bool more_expected) {
  received = 0;
  if (!more_expected) {
    const SocketEvents events = EventsOf(AsSocket(socket), /*watch=*/true);
    switch (WaitReadable(events, events.receive_wait_ms)) {
      case SockWait::kReady:
        break;
      case SockWait::kTimedOut:
        return SockReceive::kWouldBlock;
      case SockWait::kFailed:
        return SockReceive::kFailed;
    }
  }
  // Never waits: every engine socket is non-blocking once it serves (the
  // opening operations and the adoption see to that).
  int result = recv(AsSocket(socket), buffer, CallSize(size), 0);
  return ReceiveOutcome(result, result < 0 ? WSAGetLastError() : 0, received);
}

SockReceive Sock_ReceiveFrom(int socket, char* buffer, std::size_t size, std::size_t& received,
                             std::string& sender) {
  sockaddr_in from{};
  int length = sizeof from;
  int result = recvfrom(AsSocket(socket), buffer, CallSize(size), 0,
                        reinterpret_cast<sockaddr*>(&from), &length);
  int error = result < 0 ? WSAGetLastError() : 0;
  // Winsock reports a datagram longer than the buffer as an error; POSIX
  // hands over the part that fits, and so does this.
  if (error == WSAEMSGSIZE) result = CallSize(size);
  // A port-unreachable answer to an earlier datagram of ours, or one whose
  // time to live ran out on its way, is no fault of this socket: no datagram
  // this time, and the record serves on.
  if (error == WSAECONNRESET || error == WSAENETRESET) error = WSAEWOULDBLOCK;
  sender = (result >= 0 && length >= static_cast<int>(sizeof from)) ? SockAddress_Dotted(from)
                                                                    : std::string();
  return ReceiveOutcome(result, error, received);
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
  if (target != nullptr) return SendDatagram(AsSocket(socket), data, size, *target, sent);
  return SendStream(AsSocket(socket), data, size, stall_ms, sent);
}

// Winsock's conversions take empty text for an address (0.0.0.0, or this
// machine); on POSIX it is none, and so it is here.
std::uint32_t Sock_ParseDotted(const char* text) {
  return text[0] == '\0' ? SOCK_ADDRESS_NONE : inet_addr(text);
}

bool Sock_ResolveName(const char* host, std::uint32_t& address) {
  if (host[0] == '\0') return false;
  return SockAddress_Lookup(host, address);
}

bool Sock_AllowBroadcast(int socket) {
  BOOL on = TRUE;
  return setsockopt(AsSocket(socket), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                    sizeof on) == 0;
}

// More interfaces than a game's machine has; the list is cut there.
constexpr int MAX_INTERFACES = 32;

std::vector<SockInterface> Sock_Interfaces() {
  std::vector<SockInterface> found;
  const SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (probe == INVALID_SOCKET) return found;
  INTERFACE_INFO interfaces[MAX_INTERFACES] = {};
  DWORD bytes = 0;
  const int result = WSAIoctl(probe, SIO_GET_INTERFACE_LIST, nullptr, 0, interfaces,
                              sizeof interfaces, &bytes, nullptr, nullptr);
  closesocket(probe);
  if (result != 0) return found;
  for (DWORD i = 0; i < bytes / sizeof(INTERFACE_INFO); ++i) {
    const INTERFACE_INFO& entry = interfaces[i];
    if ((entry.iiFlags & IFF_UP) == 0) continue;
    found.push_back({entry.iiAddress.AddressIn.sin_addr.s_addr,
                     entry.iiNetmask.AddressIn.sin_addr.s_addr,
                     (entry.iiFlags & IFF_BROADCAST) != 0, (entry.iiFlags & IFF_LOOPBACK) != 0});
  }
  return found;
}

void Sock_ShutdownSend(int socket) {
  shutdown(AsSocket(socket), SD_SEND);
}

bool Sock_SetSendBuffer(int socket, int bytes) {
  return setsockopt(AsSocket(socket), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes),
                    sizeof bytes) == 0;
}
