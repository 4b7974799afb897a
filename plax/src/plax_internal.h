// Engine internals: records, registry, locks, the reaper, the host cache and
// the worker. Programs never include this; the engine's tests do.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "os_thread.h"
#include "plax/plax.h"

inline constexpr std::size_t PLAX_WORKER_STACK_SIZE = 512000;

// The descriptor behind a record, shared by the record, its worker and every
// send in flight. The descriptor is released only when the last of them lets
// go, so its number cannot be handed to a new socket while anyone may still
// read from or write to it. "Closing" a connection therefore means shutting
// the socket down (which wakes its worker and tells the peer) and marking it.
struct PLAX_SocketLink {
  PLAX_Socket descriptor = PLAX_INVALID_SOCKET;
  // Serialises the sends of one connection so that each goes out whole.
  OsSemaphore send_lock;
  std::atomic<bool> closed{false};
  // PLAX_CloseGracefully: 0, or when the worker stops waiting for the peer's
  // end (OsClock_Seconds() in milliseconds); meanwhile it drops what comes.
  std::atomic<std::int64_t> drain_until_ms{0};

  explicit PLAX_SocketLink(PLAX_Socket socket) : descriptor(socket) {}
  PLAX_SocketLink(const PLAX_SocketLink&) = delete;
  PLAX_SocketLink& operator=(const PLAX_SocketLink&) = delete;
  ~PLAX_SocketLink();
};

struct PLAX_IPAEntry {
  PLAX_IPAEntry* V_Next = nullptr;
  PLAX_IPAEntry* V_Prev = nullptr;
  std::string V_IPA;
};

// Every field is guarded by PLAX_RegistryMutex.
struct PLAX_Connection {
  PLAX_Connection* V_Next = nullptr;
  PLAX_Connection* V_Prev = nullptr;
  PLAX_ID V_ID = 0;
  PLAX_EventDisconnected V_EventDisconnected = nullptr;
  PLAX_EventConnected V_EventConnected = nullptr;
  PLAX_EventNewConnection V_EventNewConnection = nullptr;
  PLAX_EventNewConnectionRefused V_EventNewConnectionRefused = nullptr;
  PLAX_EventNewData V_EventNewData = nullptr;
  PLAX_EventNewDataUDP V_EventNewDataUDP = nullptr;
  // PLAX_INVALID_SOCKET once the connection has been closed.
  PLAX_Socket V_SOCKET = PLAX_INVALID_SOCKET;
  std::int32_t V_Protocol = PLAX_PROTOCOL_TCP;
  std::uint8_t V_IsServer = 0;
  std::string V_Host;
  std::uint16_t V_Port = 0;
  // Added to by the record's worker without the registry mutex.
  std::atomic<std::int64_t> V_BytesReceived{0};
  std::int64_t V_BytesSent = 0;
  std::int32_t V_State = 0;
  OsThread V_Thread;
  std::uint8_t V_IPAMode = PLAX_IPA_MODE_NONE;
  PLAX_IPAEntry* V_IPAFirst = nullptr;
  PLAX_IPAEntry* V_IPALast = nullptr;
  // Null once the connection has been closed.
  std::shared_ptr<PLAX_SocketLink> V_Link;
};

struct PLAX_RegistryState {
  PLAX_Connection* V_First = nullptr;
  PLAX_Connection* V_Last = nullptr;
  PLAX_ID PLAX_LastID = 0;
  // Set by the clean-up: workers that start after it end at once.
  bool V_ClosingAll = false;
};

// Lock order: PLAX_RegistryMutex before PLAX_ReaperMutex; PLAX_HostCacheMutex
// is never taken while PLAX_RegistryMutex is held. None is recursive.
extern OsSemaphore PLAX_RegistryMutex;
extern OsSemaphore PLAX_ReaperMutex;
extern OsSemaphore PLAX_HostCacheMutex;
extern PLAX_RegistryState PLAX_Registry;
extern OsThread PLAX_ReaperThread;
// Guarded by PLAX_ReaperMutex.
extern std::uint8_t PLAX_ShutdownFlag;

// Registry. The caller holds PLAX_RegistryMutex for Find; New and Delete take
// it themselves.
PLAX_Connection* PLAX_FindConnection(PLAX_ID id);
PLAX_Connection* PLAX_NewConnection();
bool PLAX_DeleteConnection(PLAX_Connection*& connection);

// What an opening operation puts into a new record.
struct PLAX_RecordFill {
  PLAX_Socket socket = PLAX_INVALID_SOCKET;
  std::int32_t protocol = PLAX_PROTOCOL_TCP;
  std::uint8_t is_server = 0;
  std::string host;
  std::uint16_t port = 0;
  PLAX_EventDisconnected on_disconnected = nullptr;
  PLAX_EventConnected on_connected = nullptr;
  PLAX_EventNewConnection on_new_connection = nullptr;
  PLAX_EventNewConnectionRefused on_new_connection_refused = nullptr;
  PLAX_EventNewData on_new_data = nullptr;
  PLAX_EventNewDataUDP on_new_data_udp = nullptr;
};

// Registers a socket as a record in state READY and starts its worker:
// PLAX_NewConnection, then PLAX_FillAndStart.
PLAX_Result PLAX_StartRecord(const PLAX_RecordFill& fill, PLAX_ID& id_out);
// Fills a record that PLAX_NewConnection made and starts its worker. `id_out`
// receives the ID before the worker starts. If the worker cannot start, the
// socket is closed, the record is deleted, `id_out` gets back the value it
// had and the result is PLAX_GURU_CANT_CREATE_SOCKET.
PLAX_Result PLAX_FillAndStart(PLAX_Connection* record, const PLAX_RecordFill& fill,
                              PLAX_ID& id_out);

// Marks a record closed (socket -1, state CLOSED) and takes its link away;
// the caller holds PLAX_RegistryMutex and, after releasing it, hands the link
// to PLAX_FinishClose.
std::shared_ptr<PLAX_SocketLink> PLAX_MarkClosed(PLAX_Connection& connection);
// Shuts the socket down (waking its worker and any sender) and wakes the
// reaper. Takes no engine lock.
void PLAX_FinishClose(const std::shared_ptr<PLAX_SocketLink>& link);
void PLAX_WakeReaper();

// Address list of a listening record; the caller holds PLAX_RegistryMutex.
PLAX_IPAEntry* PLAX_IPAFind(PLAX_Connection* connection, const std::string& address);
bool PLAX_IPAAdd(PLAX_Connection* connection, const std::string& address);
bool PLAX_IPARemove(PLAX_Connection* connection, const std::string& address);
void PLAX_IPAClear(PLAX_Connection* connection);

// Host resolution with a 60-second cache, guarded by PLAX_HostCacheMutex.
inline constexpr double PLAX_HOST_CACHE_LIFETIME = 60.0;

struct HostCacheEntry {
  HostCacheEntry* V_Next = nullptr;
  HostCacheEntry* V_Prev = nullptr;
  std::string V_Host;
  std::uint32_t V_Address = 0;  // network byte order
  double V_Expiry = 0.0;
};

struct PLAX_HostCacheState {
  HostCacheEntry* V_First = nullptr;
  HostCacheEntry* V_Last = nullptr;
};

extern PLAX_HostCacheState PLAX_HostCache;

// -1 with the address (network byte order), or PLAX_GURU_CANT_RESOLVE.
PLAX_Result PLAX_ResolveHost(const char* host, std::uint32_t& address_out);
void PLAX_HostCacheClear();

// The engine clock and the name lookup behind the host cache; guarded by
// PLAX_HostCacheMutex. The engine holds the real ones.
struct PLAX_HostCacheHooks {
  double (*clock)() = nullptr;
  bool (*resolve_name)(const char* host, std::uint32_t& address) = nullptr;
};
extern PLAX_HostCacheHooks PLAX_HostCacheCalls;
// Puts a test's clock and lookup in place; a null member restores the real
// one. Defined in the plax_testing library, which only tests link.
void PLAX_SetHostCacheHooks(const PLAX_HostCacheHooks& hooks);

// A link that PLAX_CloseGracefully ends: while draining, received bytes are
// dropped; once the drain is over the worker ends the record.
bool PLAX_Draining(const PLAX_SocketLink& link);
bool PLAX_DrainOver(const PLAX_SocketLink& link);

// Threads.
void PLAX_Worker(PLAX_ID id);
void PLAX_Reaper(std::uint32_t unused);
void PLAX_Startup();
void PLAX_Shutdown();
