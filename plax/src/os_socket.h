// The engine's view of the platform's sockets: IPv4 only, no socket inherited
// by a child process, every call retried when a signal interrupts it, no call
// raising SIGPIPE. Addresses are 32-bit values in network byte order, ports in
// host order. One implementation per platform: os_socket_posix.cpp and
// os_socket_win32.cpp; a socket is an int on both (-1: none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The value that means "no address": 255.255.255.255 in network byte order.
inline constexpr std::uint32_t SOCK_ADDRESS_NONE = 0xFFFFFFFFu;
inline constexpr std::uint32_t SOCK_ADDRESS_BROADCAST = 0xFFFFFFFFu;

// Starts and releases the platform's sockets library (Windows counts its
// users); nothing on POSIX.
void Sock_Startup();
void Sock_Cleanup();

// -1 when the platform refuses a descriptor.
int Sock_OpenTcp(bool non_blocking);
int Sock_OpenUdp();
void Sock_Close(int socket);
// Ends both directions and wakes every thread waiting on the socket, without
// releasing the descriptor number.
void Sock_Shutdown(int socket);
// Puts a connected socket into the mode its worker and senders expect. They
// wait through Sock_ReceiveWithin and Sock_SendAll, so each platform picks
// the mode its calls need.
void Sock_SetServing(int socket);
void Sock_SetNoDelay(int socket);
// Lets a restarted server bind its port while connections of the earlier run
// wait out their time, yet keeps the port refused to a second listener.
void Sock_PrepareListener(int socket);

bool Sock_BindAny(int socket, std::uint16_t port);
// Lets a datagram socket send to broadcast addresses.
bool Sock_AllowBroadcast(int socket);
// An IPv4 interface that is up: its address and netmask in network order.
struct SockInterface {
  std::uint32_t address = 0;
  std::uint32_t netmask = 0;
  bool broadcasts = false;
  bool loopback = false;
};
// Every IPv4 interface that is up, in the system's order.
std::vector<SockInterface> Sock_Interfaces();
bool Sock_Listen(int socket, int backlog);

// Connects a non-blocking socket, waiting at most `timeout_ms` (0: look once).
// True only when the connection stands: a refused connect fails at once.
bool Sock_Connect(int socket, std::uint32_t address, std::uint16_t port, int timeout_ms);

enum class SockWait { kReady, kTimedOut, kFailed };
// Waits until the socket has something to read (or an error or hang-up, which
// the next read reports).
SockWait Sock_WaitReadable(int socket, int timeout_ms);

enum class SockAccept { kAccepted, kRetry, kExhausted, kFailed };
// kRetry: nothing to take after all, or the peer gave up; kExhausted: out of
// descriptors or memory for now; kFailed: the listening socket is unusable.
SockAccept Sock_Accept(int listening, int& accepted);

enum class SockReceive { kData, kClosed, kWouldBlock, kFailed };
// How long Sock_ReceiveWithin on `socket` waits; set once, by the thread that
// receives, before its first receive.
void Sock_SetReceiveWait(int socket, int timeout_ms);
// Receives what has come, or first waits for something to come (or an error
// or hang-up, which this receive then reports) for the time that
// Sock_SetReceiveWait set: kWouldBlock when nothing came in that time. Where
// the platform can wait inside the receive, this is one call instead of a
// wait and a receive. `more_expected` (the last receive filled its buffer)
// lets a platform whose wait is a call of its own look without waiting.
SockReceive Sock_ReceiveWithin(int socket, char* buffer, std::size_t size, std::size_t& received,
                               bool more_expected);
// Receives one datagram without waiting (kWouldBlock when none is there);
// `sender` gets the sender's dotted address.
SockReceive Sock_ReceiveFrom(int socket, char* buffer, std::size_t size, std::size_t& received,
                             std::string& sender);

// The dotted address of the peer or of this end; false if the platform cannot
// tell it.
bool Sock_PeerAddress(int socket, std::string& dotted);
bool Sock_LocalAddress(int socket, std::string& dotted);
std::uint16_t Sock_LocalPort(int socket);

struct SockTarget {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

enum class SockSend { kComplete, kFailed, kStalled };
// Writes all `size` bytes on the connection, or to `target` if given: a
// datagram, even an empty one, goes out whole in one call without waiting,
// or fails (kFailed, also when the platform has no room for it now). `sent`
// counts what the platform took. kStalled: the peer of a connection took no
// byte for `stall_ms`, counted again from every byte it takes (0: whatever
// the platform cannot take at once is left, as kStalled). A size of
// 4 GiB or more, more than `sent` can count, fails before any byte is sent.
SockSend Sock_SendAll(int socket, const char* data, std::size_t size, const SockTarget* target,
                      int stall_ms, std::uint32_t& sent);

// Dotted-text conversion with the classic rules (also "127.1", hex and octal
// parts); SOCK_ADDRESS_NONE if the text is not such an address.
std::uint32_t Sock_ParseDotted(const char* text);
// Looks a host name up (IPv4 only); false if it has no address.
bool Sock_ResolveName(const char* host, std::uint32_t& address);

// Ends the sending direction only: what was sent goes out ahead of the end,
// and the socket goes on receiving.
void Sock_ShutdownSend(int socket);
// Asks the platform to hold about `bytes` unsent for the socket (it may
// round the figure); false if it refuses.
bool Sock_SetSendBuffer(int socket, int bytes);
