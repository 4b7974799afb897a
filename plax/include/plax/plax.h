// PLAX: the network event engine.
//
// A program opens a client connection (PLAX_OpenClient) or a listening socket
// (PLAX_OpenServer) with one call and gets an engine connection ID back. From
// then on the engine's own threads report what happens through plain callback
// functions; the program sends and closes by ID. Every operation returns a
// result code: PLAX_GURU_NO_ERROR (-1) is success, anything else is a failure
// whose text PLAX_GURUText gives. The engine never prints and never throws.
//
// The engine starts itself before main() and cleans up during normal exit: at
// exit every connection still open is closed and its disconnected callback is
// called (on the reaper thread) before the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Engine connection ID: the first is 1, 0 never names a connection. Only
// equality has a meaning.
using PLAX_ID = std::uint32_t;

// Result code ("GURU code"): -1 is success, every failure has its own code.
using PLAX_Result = std::int32_t;

// A socket handle as the platform gives it; PLAX_INVALID_SOCKET when closed.
using PLAX_Socket = int;
inline constexpr PLAX_Socket PLAX_INVALID_SOCKET = -1;

// Byte string: length-counted, may hold zero bytes.
using PLAX_Bytes = std::string;

// A connection's bytes arrive in chunks of at most this many bytes, one
// new-data callback per chunk.
inline constexpr std::size_t PLAX_RECV_BUFFER_SIZE = 7936;

// A send whose peer takes no byte for this long fails with
// PLAX_GURU_SEND_ERROR and closes the connection: one peer that stops reading
// cannot hold its senders forever. The time counts from the last byte the
// peer's system took, so a peer that keeps reading is never cut off (its
// system frees room, and so takes bytes, once a part of its receive buffer is
// read: a reader slower than that part per PLAX_SEND_TIMEOUT_MS is not told
// from a stopped one). Kept short because the game's messages are tiny and a
// live peer on a LAN drains its buffer in far less.
inline constexpr int PLAX_SEND_TIMEOUT_MS = 2000;

inline constexpr PLAX_Result PLAX_GURU_NO_ERROR = -1;
inline constexpr PLAX_Result PLAX_GURU_UNKNOWN_ERROR = 0;
inline constexpr PLAX_Result PLAX_GURU_UNKNOWN_EVENT_ID = -2;
inline constexpr PLAX_Result PLAX_GURU_NO_SOCKET = -3;
inline constexpr PLAX_Result PLAX_GURU_CANT_CREATE_SOCKET = -4;
inline constexpr PLAX_Result PLAX_GURU_CANT_BIND = -5;
inline constexpr PLAX_Result PLAX_GURU_CANT_LISTEN = -6;
inline constexpr PLAX_Result PLAX_GURU_ALREADY_INITIALIZED = -7;
inline constexpr PLAX_Result PLAX_GURU_MAX_SIM_CON_REQ_RANGE = -8;
inline constexpr PLAX_Result PLAX_GURU_PORT_RANGE = -9;
inline constexpr PLAX_Result PLAX_GURU_CANT_RESOLVE = -10;
inline constexpr PLAX_Result PLAX_GURU_CANT_CONNECT = -11;
inline constexpr PLAX_Result PLAX_GURU_ID_NOT_FOUND = -12;
inline constexpr PLAX_Result PLAX_GURU_MISSING_EVENT = -13;
inline constexpr PLAX_Result PLAX_GURU_IPA_ALREADY_LISTED = -14;
inline constexpr PLAX_Result PLAX_GURU_IPA_NOT_LISTED = -15;
inline constexpr PLAX_Result PLAX_GURU_CALLBACK_ERROR = -16;
inline constexpr PLAX_Result PLAX_GURU_IPA_NOT_FOUND = -17;
inline constexpr PLAX_Result PLAX_GURU_SEND_ERROR = -18;
inline constexpr PLAX_Result PLAX_GURU_NOT_A_SERVER = -20;
inline constexpr PLAX_Result PLAX_GURU_NO_IPV6 = -21;

// Life-cycle states of a connection record.
inline constexpr std::int32_t PLAX_STATE_READY = 1;
inline constexpr std::int32_t PLAX_STATE_RUNNING = 2;
inline constexpr std::int32_t PLAX_STATE_CLOSED = 3;
inline constexpr std::int32_t PLAX_STATE_REAPING = 4;

inline constexpr std::int32_t PLAX_PROTOCOL_TCP = 0;
inline constexpr std::int32_t PLAX_PROTOCOL_UDP = 1;

// Address filter of a listening record.
inline constexpr std::uint8_t PLAX_IPA_MODE_NONE = 0;
inline constexpr std::uint8_t PLAX_IPA_MODE_DENY = 1;
inline constexpr std::uint8_t PLAX_IPA_MODE_ALLOW = 2;

// Callbacks. They run on engine threads, never on the caller's: connected,
// new-connection, refused and new-data on the record's worker thread (one
// record's events never overlap), disconnected on the reaper thread after the
// worker has ended; nothing of that record is reported after it. No engine
// lock is held during a callback, so a callback may call any engine operation.
// Address texts and received bytes are valid only during the call.
using PLAX_EventDisconnected = void (*)(PLAX_ID id);
using PLAX_EventConnected = void (*)(PLAX_ID id);
// The accepted socket belongs to the program: adopt it (PLAX_AdoptSocket) or
// close it (PLAX_CloseSocket).
using PLAX_EventNewConnection = void (*)(PLAX_ID server_id, PLAX_Socket accepted,
                                         const char* peer_address);
using PLAX_EventNewConnectionRefused = void (*)(PLAX_ID server_id, const char* peer_address);
using PLAX_EventNewData = void (*)(PLAX_ID id, const PLAX_Bytes& data);
using PLAX_EventNewDataUDP = void (*)(PLAX_ID id, const char* sender_address,
                                      const PLAX_Bytes& data);

// Every opening operation writes the new ID to `id_out` before the new
// worker thread starts, so a callback may read the caller's variable and find
// its own connection's ID there.

// Opens a TCP connection to `host` (dotted IPv4 text or a host name; names are
// cached for 60 s) and hands it to a worker thread. Blocks the caller for the
// resolution and up to `timeout_seconds` of connect wait; a refused connect
// fails at once. `id_out` is 0 on entry and after any failure. Any callback
// may be null. If the engine cannot start the connection's worker thread, the
// result is PLAX_GURU_CANT_CREATE_SOCKET and nothing is left open.
PLAX_Result PLAX_OpenClient(PLAX_ID& id_out, const char* host, std::uint16_t port,
                            PLAX_EventDisconnected on_disconnected,
                            PLAX_EventConnected on_connected, PLAX_EventNewData on_new_data,
                            std::int32_t timeout_seconds);

// Listens on `port` (0: the system chooses) on every local IPv4 address with a
// backlog of `max_sim_con_req` (1 to 4096). `on_new_connection` is required;
// `on_new_connection_refused` may be null. A worker thread that cannot be
// started gives PLAX_GURU_CANT_CREATE_SOCKET, as for PLAX_OpenClient.
PLAX_Result PLAX_OpenServer(PLAX_ID& id_out, std::uint16_t port, std::uint16_t max_sim_con_req,
                            PLAX_EventNewConnection on_new_connection,
                            PLAX_EventNewConnectionRefused on_new_connection_refused);

// Makes an offered socket an engine connection with callbacks of its own. The
// engine owns the socket from then on. Writes the peer's and the local dotted
// address (each left as it was if the platform cannot tell it). Only if the
// worker thread cannot be started: PLAX_GURU_CANT_CREATE_SOCKET, the socket is
// closed and `id_out` is left as it was.
PLAX_Result PLAX_AdoptSocket(PLAX_Socket accepted, PLAX_ID& id_out, std::string& peer_address_out,
                             PLAX_EventDisconnected on_disconnected,
                             PLAX_EventConnected on_connected, PLAX_EventNewData on_new_data,
                             std::string& local_address_out);

// Closes an offered socket that the program does not adopt.
void PLAX_CloseSocket(PLAX_Socket accepted);

// Sends all of `data` and waits until the platform has taken it. Sends on one
// connection are serialised, so every call's bytes go out whole. A peer that
// takes nothing for PLAX_SEND_TIMEOUT_MS makes the send fail with -18 and
// closes the connection; every byte it takes starts that time again, so a
// peer that keeps reading, however slowly, is never cut off. Sending no bytes
// on a connection succeeds at once. `host`/`port` are used only by datagram
// records ("0": broadcast); TCP senders pass "" and 0. A datagram, an empty
// one too, goes out whole at once or not at all: one the platform refuses or
// has no room for now is dropped with -18, and the record stays open.
// `sent_out` is 0 on entry, then the bytes taken. Data of 4 GiB or more, more
// than `sent_out` can count, is refused with -18 before any byte is sent.
PLAX_Result PLAX_Send(PLAX_ID id, const PLAX_Bytes& data, std::uint32_t& sent_out, const char* host,
                      std::uint16_t port);

// Sends as much of `data` as the platform takes at once, and never waits:
// `sent_out` counts what went out, and the rest is the caller's to send later
// (PLAX_Send waits for room). While another send on the connection is in
// progress nothing is sent. Unlike PLAX_Send, taking nothing closes nothing:
// a program that has a thread of its own for waiting sends uses this to skip
// the hand-over when the way is clear. Results as PLAX_Send's; a datagram
// record gives -18.
PLAX_Result PLAX_SendNow(PLAX_ID id, const PLAX_Bytes& data, std::uint32_t& sent_out);

// Datagram records. Options of PLAX_OpenDatagram, or-ed together.
// PLAX_DATAGRAM_BROADCAST: the record may send to broadcast addresses ("0"
// for 255.255.255.255, or an interface's own, see PLAX_ListBroadcastAddresses);
// without it the platform refuses such a send (-18).
inline constexpr std::uint32_t PLAX_DATAGRAM_NONE = 0;
inline constexpr std::uint32_t PLAX_DATAGRAM_BROADCAST = 1;

// Opens a UDP socket bound to `port` on every local IPv4 address (0: the
// system chooses) and hands it to a worker thread; `port_out` gets the port
// it is bound to, like `id_out` before the worker starts (0 after a failure).
// Each datagram that arrives is handed to `on_new_data_udp` on that worker
// thread, one call per datagram, with the sender's dotted IPv4 address (no
// port) and its bytes: an empty datagram gives an empty call, one longer than
// PLAX_RECV_BUFFER_SIZE (7936 bytes) arrives cut to that size. Send with
// PLAX_Send and a host and port; a datagram that cannot be sent never ends
// the record. The record ends only when PLAX_Close closes it, its socket
// fails, or the engine cleans up at exit; `on_disconnected` (may be null)
// then tells the program, on the reaper thread, as for a connection.
// Results: PLAX_GURU_CANT_CREATE_SOCKET when the platform gives no socket or
// no worker thread, PLAX_GURU_CANT_BIND when the port is taken (or broadcast
// permission is refused); nothing is left open after a failure.
PLAX_Result PLAX_OpenDatagram(PLAX_ID& id_out, std::uint16_t port, std::uint32_t options,
                              PLAX_EventDisconnected on_disconnected,
                              PLAX_EventNewDataUDP on_new_data_udp, std::uint16_t& port_out);

// The dotted broadcast address of every IPv4 interface that is up and either
// broadcasts or is the loopback (127.255.255.255 for 127.0.0.1/8, which
// reaches the programs on this machine), each once; empty when the platform
// cannot tell. 255.255.255.255 ("0" for PLAX_Send) is not among them.
void PLAX_ListBroadcastAddresses(std::vector<std::string>& addresses_out);
// The dotted address of every IPv4 interface that is up, but the loopback,
// each once: where other machines reach this one. Empty when there is none
// or the platform cannot tell.
void PLAX_ListLocalAddresses(std::vector<std::string>& addresses_out);

// Closes a running connection: the peer is told at once, the worker ends and
// the reaper reports the disconnection. A record not yet running is left
// alone (-1). -3 if it is already closed, -12 once it is gone.
PLAX_Result PLAX_Close(PLAX_ID id);

// Limits what the platform holds unsent for an offered socket, before the
// program adopts it, to about `bytes` (the platform may round the figure up):
// a peer that stops reading then makes sends wait once that little waits for
// it, so they fail after PLAX_SEND_TIMEOUT_MS, rather than once megabytes have
// piled up. PLAX_GURU_NO_SOCKET for PLAX_INVALID_SOCKET, PLAX_GURU_SEND_ERROR
// when the platform refuses.
PLAX_Result PLAX_SetSendBuffer(PLAX_Socket accepted, std::uint32_t bytes);

// Ends a connection so that what was sent arrives ahead of the end,
// without a reset: the sending side is shut once sends in flight are out, then
// the worker reads on and drops whatever comes, no new-data callback, until
// the peer closes or PLAX_SEND_TIMEOUT_MS have passed (a second more at
// most), and the connection ends as PLAX_Close ends it, disconnected callback
// included. Also for a connection whose worker has not begun yet, such as one
// adopted only to be turned away. A send after it fails. Results as for
// PLAX_Close; a listening or datagram record is left alone.
PLAX_Result PLAX_CloseGracefully(PLAX_ID id);

// The fixed English text of a result code; "Unknown GURU-Code" for codes
// without one. Reads no engine state; callable from any thread.
std::string PLAX_GURUText(PLAX_Result code);
