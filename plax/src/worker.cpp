// The per-record worker thread: waits on the record's socket and turns what
// happens there into the program's callbacks.
#include "os_socket.h"
#include "plax_internal.h"

namespace {

// Bounds how long a worker runs on after its record was closed elsewhere.
constexpr int kWaitTimeoutMs = 1000;
// Pause after an accept that failed for lack of descriptors or memory, so
// that a connection waiting in the queue does not make the worker spin.
constexpr int kAcceptBackoffMs = 100;

// What the worker copies from its record when it starts. The record itself
// outlives the worker (only the reaper frees it, after joining this thread).
struct WorkerView {
  PLAX_ID id = 0;
  PLAX_Connection* record = nullptr;
  std::shared_ptr<PLAX_SocketLink> link;
  PLAX_Socket socket = PLAX_INVALID_SOCKET;
  std::int32_t protocol = PLAX_PROTOCOL_TCP;
  std::uint8_t is_server = 0;
  PLAX_EventConnected on_connected = nullptr;
  PLAX_EventNewConnection on_new_connection = nullptr;
  PLAX_EventNewConnectionRefused on_refused = nullptr;
  PLAX_EventNewData on_new_data = nullptr;
  PLAX_EventNewDataUDP on_new_data_udp = nullptr;
};

enum class Pass { kReadable, kIdle, kEnd };

void CopyRecord(PLAX_Connection& record, WorkerView& view) {
  view.record = &record;
  view.link = record.V_Link;
  view.socket = record.V_SOCKET;
  view.protocol = record.V_Protocol;
  view.is_server = record.V_IsServer;
  view.on_connected = record.V_EventConnected;
  view.on_new_connection = record.V_EventNewConnection;
  view.on_refused = record.V_EventNewConnectionRefused;
  view.on_new_data = record.V_EventNewData;
  view.on_new_data_udp = record.V_EventNewDataUDP;
}

// True until the record is closed. Closing marks the link under the registry
// mutex, and the record outlives this worker, so no lock is needed here: a
// busy socket's every receive would otherwise contend with the senders.
bool StillOpen(const WorkerView& view) {
  return view.link && !view.link->closed.load();
}

Pass BeginPass(const WorkerView& view) {
  if (!StillOpen(view)) return Pass::kEnd;
  switch (Sock_WaitReadable(view.socket, kWaitTimeoutMs)) {
    case SockWait::kReady:
      return Pass::kReadable;
    case SockWait::kTimedOut:
      return Pass::kIdle;
    case SockWait::kFailed:
      break;
  }
  return Pass::kEnd;
}

// Adds a receive to the record's count. False if the record was closed
// meanwhile: what was read then is not delivered.
bool CountReceived(const WorkerView& view, std::size_t size) {
  if (!StillOpen(view)) return false;
  view.record->V_BytesReceived.fetch_add(static_cast<std::int64_t>(size));
  return true;
}

bool Admitted(const WorkerView& view, const std::string& address) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  std::uint8_t mode = view.record->V_IPAMode;
  bool listed = PLAX_IPAFind(view.record, address) != nullptr;
  OsSemaphore_Release(PLAX_RegistryMutex);
  if (mode == PLAX_IPA_MODE_DENY) return !listed;
  if (mode == PLAX_IPA_MODE_ALLOW) return listed;
  return true;
}

void Offer(const WorkerView& view, PLAX_Socket accepted) {
  std::string address;
  if (!Sock_PeerAddress(accepted, address)) address.clear();
  if (Admitted(view, address)) {
    if (view.on_new_connection != nullptr) {
      view.on_new_connection(view.id, accepted, address.c_str());
    } else {
      Sock_Close(accepted);
    }
    return;
  }
  Sock_Close(accepted);
  if (view.on_refused != nullptr) view.on_refused(view.id, address.c_str());
}

void AcceptLoop(const WorkerView& view) {
  for (;;) {
    Pass pass = BeginPass(view);
    if (pass == Pass::kEnd) return;
    if (pass == Pass::kIdle) continue;
    PLAX_Socket accepted = PLAX_INVALID_SOCKET;
    switch (Sock_Accept(view.socket, accepted)) {
      case SockAccept::kAccepted:
        Offer(view, accepted);
        break;
      case SockAccept::kRetry:
        break;
      case SockAccept::kExhausted:
        OsThread_SleepMs(kAcceptBackoffMs);
        break;
      case SockAccept::kFailed:
        return;
    }
  }
}

// A data socket waits inside its receive: the worker's wait and its receive
// are one call where the platform allows it.
void DataLoop(const WorkerView& view) {
  if (view.on_connected != nullptr) view.on_connected(view.id);
  Sock_SetReceiveWait(view.socket, kWaitTimeoutMs);
  char buffer[PLAX_RECV_BUFFER_SIZE];
  bool buffer_was_full = false;
  for (;;) {
    if (!StillOpen(view) || PLAX_DrainOver(*view.link)) return;
    std::size_t received = 0;
    SockReceive result =
        Sock_ReceiveWithin(view.socket, buffer, sizeof buffer, received, buffer_was_full);
    buffer_was_full = received == sizeof buffer;
    if (result == SockReceive::kWouldBlock) continue;  // nothing came: a pass of its own
    if (result != SockReceive::kData) return;
    PLAX_Bytes data(buffer, received);
    if (!CountReceived(view, received)) return;
    if (view.on_new_data != nullptr && !PLAX_Draining(*view.link)) view.on_new_data(view.id, data);
  }
}

// Delivers every datagram that has come, until none is left; false once the
// socket failed or the record was closed. An empty datagram is a datagram
// like any other.
bool DeliverWaitingDatagrams(const WorkerView& view, char* buffer, std::size_t size) {
  for (;;) {
    std::size_t received = 0;
    std::string sender;
    const SockReceive result = Sock_ReceiveFrom(view.socket, buffer, size, received, sender);
    if (result == SockReceive::kWouldBlock) return true;
    if (result == SockReceive::kFailed) return false;
    PLAX_Bytes data(buffer, received);
    if (!CountReceived(view, received)) return false;
    if (view.on_new_data_udp != nullptr) view.on_new_data_udp(view.id, sender.c_str(), data);
  }
}

// One wait serves every datagram that has come meanwhile: a busy socket, a
// flood above all, costs a receive per datagram and not a wait as well.
void DatagramLoop(const WorkerView& view) {
  char buffer[PLAX_RECV_BUFFER_SIZE];
  for (;;) {
    Pass pass = BeginPass(view);
    if (pass == Pass::kEnd) return;
    if (pass == Pass::kIdle) continue;
    if (!DeliverWaitingDatagrams(view, buffer, sizeof buffer)) return;
  }
}

// Marks the record closed and wakes the reaper; the caller holds the registry
// mutex, which this releases. The worker's own link goes when it returns,
// which releases the descriptor unless a send still uses it.
void EndLocked(PLAX_ID id) {
  PLAX_Connection* record = PLAX_FindConnection(id);
  std::shared_ptr<PLAX_SocketLink> link;
  if (record != nullptr) link = PLAX_MarkClosed(*record);
  OsSemaphore_Release(PLAX_RegistryMutex);
  if (record != nullptr) PLAX_FinishClose(link);
}

void Serve(const WorkerView& view) {
  if (view.protocol == PLAX_PROTOCOL_UDP) {
    DatagramLoop(view);
  } else if (view.is_server != 0) {
    AcceptLoop(view);
  } else {
    DataLoop(view);
  }
}

}  // namespace

void PLAX_Worker(PLAX_ID id) {
  WorkerView view;
  view.id = id;
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Connection* record = PLAX_FindConnection(id);
  if (record == nullptr) {
    OsSemaphore_Release(PLAX_RegistryMutex);
    return;
  }
  CopyRecord(*record, view);
  if (record->V_State != PLAX_STATE_READY || PLAX_Registry.V_ClosingAll) {
    EndLocked(id);
    return;
  }
  record->V_State = PLAX_STATE_RUNNING;
  OsSemaphore_Release(PLAX_RegistryMutex);
  Serve(view);
  OsSemaphore_Take(PLAX_RegistryMutex);
  EndLocked(id);
}
