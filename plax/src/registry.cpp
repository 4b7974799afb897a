// Connection records, their IDs and the registry that holds them.
#include "intrusive_list.h"
#include "os_socket.h"
#include "plax_internal.h"

OsSemaphore PLAX_RegistryMutex;
PLAX_RegistryState PLAX_Registry;

namespace {

void AdvanceLastID() {
  ++PLAX_Registry.PLAX_LastID;
  if (PLAX_Registry.PLAX_LastID == 0) ++PLAX_Registry.PLAX_LastID;
}

// Takes a record out of the registry; the caller holds the registry mutex and
// frees the record (and lets go of the returned link) after releasing it.
std::shared_ptr<PLAX_SocketLink> UnlinkLocked(PLAX_Connection* connection) {
  List_Unlink(PLAX_Registry.V_First, PLAX_Registry.V_Last, connection);
  PLAX_IPAClear(connection);
  return std::move(connection->V_Link);
}

void Fill(PLAX_Connection& record, const PLAX_RecordFill& fill) {
  record.V_SOCKET = fill.socket;
  record.V_Link = std::make_shared<PLAX_SocketLink>(fill.socket);
  record.V_Protocol = fill.protocol;
  record.V_IsServer = fill.is_server;
  record.V_Host = fill.host;
  record.V_Port = fill.port;
  record.V_EventDisconnected = fill.on_disconnected;
  record.V_EventConnected = fill.on_connected;
  record.V_EventNewConnection = fill.on_new_connection;
  record.V_EventNewConnectionRefused = fill.on_new_connection_refused;
  record.V_EventNewData = fill.on_new_data;
  record.V_EventNewDataUDP = fill.on_new_data_udp;
  record.V_State = PLAX_STATE_READY;
}

// The engine starts before main() and cleans up at normal exit. This object
// lives here, beside PLAX_NewConnection, because every opening operation
// calls that function: a linker that drops unreferenced objects of a static
// library therefore always keeps it.
struct EngineLifetime {
  EngineLifetime() { PLAX_Startup(); }
  ~EngineLifetime() { PLAX_Shutdown(); }
  EngineLifetime(const EngineLifetime&) = delete;
  EngineLifetime& operator=(const EngineLifetime&) = delete;
};

EngineLifetime g_engine_lifetime;

}  // namespace

PLAX_SocketLink::~PLAX_SocketLink() {
  if (descriptor != PLAX_INVALID_SOCKET) Sock_Close(descriptor);
}

PLAX_Connection* PLAX_FindConnection(PLAX_ID id) {
  for (PLAX_Connection* c = PLAX_Registry.V_First; c != nullptr; c = c->V_Next) {
    if (c->V_ID == id) return c;
  }
  return nullptr;
}

PLAX_Connection* PLAX_NewConnection() {
  auto* record = new PLAX_Connection{};
  OsSemaphore_Take(PLAX_RegistryMutex);
  AdvanceLastID();
  while (PLAX_FindConnection(PLAX_Registry.PLAX_LastID) != nullptr) AdvanceLastID();
  record->V_ID = PLAX_Registry.PLAX_LastID;
  List_Append(PLAX_Registry.V_First, PLAX_Registry.V_Last, record);
  OsSemaphore_Release(PLAX_RegistryMutex);
  return record;
}

bool PLAX_DeleteConnection(PLAX_Connection*& connection) {
  if (connection == nullptr) return false;
  OsSemaphore_Take(PLAX_RegistryMutex);
  // The link may close the descriptor; that happens outside the lock.
  std::shared_ptr<PLAX_SocketLink> link = UnlinkLocked(connection);
  OsSemaphore_Release(PLAX_RegistryMutex);
  delete connection;
  connection = nullptr;
  return true;
}

PLAX_Result PLAX_FillAndStart(PLAX_Connection* record, const PLAX_RecordFill& fill,
                              PLAX_ID& id_out) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  Fill(*record, fill);
  // The caller's variable holds the ID before the worker can run, so that a
  // callback reading it sees its own connection. The worker's first act is to
  // take the registry mutex, so it cannot see the record before it is
  // complete either.
  const PLAX_ID earlier = id_out;
  id_out = record->V_ID;
  bool started =
      OsThread_Starter.load()(record->V_Thread, PLAX_Worker, record->V_ID, PLAX_WORKER_STACK_SIZE);
  if (started) {
    OsSemaphore_Release(PLAX_RegistryMutex);
    return PLAX_GURU_NO_ERROR;
  }
  id_out = earlier;
  // Unlinked before the lock is released, so nobody ever sees a record that
  // no worker will serve. Dropping the link closes the socket.
  std::shared_ptr<PLAX_SocketLink> link = UnlinkLocked(record);
  OsSemaphore_Release(PLAX_RegistryMutex);
  delete record;
  // A reaper that saw this record while it was being made waits for the
  // registry to change; the clean-up at exit would otherwise never end.
  PLAX_WakeReaper();
  return PLAX_GURU_CANT_CREATE_SOCKET;
}

PLAX_Result PLAX_StartRecord(const PLAX_RecordFill& fill, PLAX_ID& id_out) {
  return PLAX_FillAndStart(PLAX_NewConnection(), fill, id_out);
}

std::shared_ptr<PLAX_SocketLink> PLAX_MarkClosed(PLAX_Connection& connection) {
  connection.V_SOCKET = PLAX_INVALID_SOCKET;
  connection.V_State = PLAX_STATE_CLOSED;
  std::shared_ptr<PLAX_SocketLink> link = std::move(connection.V_Link);
  if (link) link->closed.store(true);
  return link;
}

void PLAX_FinishClose(const std::shared_ptr<PLAX_SocketLink>& link) {
  if (link) Sock_Shutdown(link->descriptor);
  PLAX_WakeReaper();
}
