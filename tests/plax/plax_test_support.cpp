#include "plax_test_support.h"

#include <mutex>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"

namespace {

std::mutex g_mutex;
std::vector<RecordedEvent> g_events;

void Record(RecordedEvent event) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_events.push_back(std::move(event));
}

// Empties the record before each test, so that a test run in one process
// with others sees only its own events.
struct RecorderReset : ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_events.clear();
  }
};

const bool g_reset_registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new RecorderReset);
  return true;
}();

}  // namespace

void Rec_OnConnected(PLAX_ID id) {
  Record({EventKind::kConnected, id, {}, {}, -1, 0});
}

void Rec_OnData(PLAX_ID id, const PLAX_Bytes& data) {
  Record({EventKind::kData, id, data, {}, -1, 0});
}

void Rec_OnDisconnected(PLAX_ID id) {
  Record({EventKind::kDisconnected, id, {}, {}, -1, 0});
}

void Rec_OnRefused(PLAX_ID server_id, const char* peer_address) {
  Record({EventKind::kRefused, server_id, {}, peer_address, -1, 0});
}

void Rec_OnDatagram(PLAX_ID id, const char* sender, const PLAX_Bytes& data) {
  Record({EventKind::kDatagram, id, data, sender, -1, 0});
}

void Rec_KeepNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address) {
  Record({EventKind::kNewConnection, server_id, {}, peer_address, accepted, 0});
}

void Rec_AdoptNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address) {
  PLAX_ID adopted = 0;
  std::string peer;
  std::string local;
  PLAX_AdoptSocket(accepted, adopted, peer, Rec_OnDisconnected, Rec_OnConnected, Rec_OnData, local);
  Record({EventKind::kNewConnection, server_id, local, peer_address, accepted, adopted});
}

std::vector<RecordedEvent> Rec_Events() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_events;
}

std::vector<RecordedEvent> Rec_EventsOf(PLAX_ID id) {
  std::vector<RecordedEvent> result;
  for (const RecordedEvent& e : Rec_Events()) {
    if (e.id == id) result.push_back(e);
  }
  return result;
}

int Rec_Count(EventKind kind, PLAX_ID id) {
  int count = 0;
  for (const RecordedEvent& e : Rec_EventsOf(id)) count += e.kind == kind ? 1 : 0;
  return count;
}

std::string Rec_Received(PLAX_ID id) {
  std::string bytes;
  for (const RecordedEvent& e : Rec_EventsOf(id)) {
    if (e.kind == EventKind::kData) bytes += e.data;
  }
  return bytes;
}

PLAX_ID Rec_WaitAdopted(std::size_t n) {
  PLAX_ID adopted = 0;
  WaitUntil([&] {
    std::size_t seen = 0;
    for (const RecordedEvent& e : Rec_Events()) {
      if (e.kind != EventKind::kNewConnection) continue;
      if (seen++ == n) adopted = e.adopted;
    }
    return adopted != 0;
  });
  return adopted;
}

std::int32_t RecordState(PLAX_ID id) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(id);
  std::int32_t state = record != nullptr ? record->V_State : -1;
  OsSemaphore_Release(PLAX_RegistryMutex);
  return state;
}

std::uint16_t RecordPort(PLAX_ID id) {
  PLAX_Socket socket = RecordSocket(id);
  return socket != PLAX_INVALID_SOCKET ? Sock_LocalPort(socket) : 0;
}

PLAX_Socket RecordSocket(PLAX_ID id) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(id);
  PLAX_Socket socket = record != nullptr ? record->V_SOCKET : PLAX_INVALID_SOCKET;
  OsSemaphore_Release(PLAX_RegistryMutex);
  return socket;
}

bool WaitRegistryEmpty(double seconds) {
  return WaitUntil(
      [] {
        OsSemaphore_Take(PLAX_RegistryMutex);
        bool empty = PLAX_Registry.V_First == nullptr;
        OsSemaphore_Release(PLAX_RegistryMutex);
        return empty;
      },
      seconds);
}

void CloseWhenRunning(PLAX_ID id) {
  EXPECT_TRUE(WaitUntil([&] { return RecordState(id) == PLAX_STATE_RUNNING; }));
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_ERROR);
}

PLAX_ID OpenAdoptingServer(std::uint16_t& port) {
  PLAX_ID id = 0;
  EXPECT_EQ(PLAX_OpenServer(id, 0, 16, Rec_AdoptNewConnection, Rec_OnRefused), PLAX_GURU_NO_ERROR);
  port = RecordPort(id);
  EXPECT_NE(port, 0);
  return id;
}

LoopbackPair ConnectToPlainPeer(int peer_receive_buffer) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  if (peer_receive_buffer > 0) PlainSetReceiveBuffer(listener, peer_receive_buffer);
  LoopbackPair pair;
  EXPECT_EQ(PLAX_OpenClient(pair.id, "127.0.0.1", port, Rec_OnDisconnected, Rec_OnConnected,
                            Rec_OnData, 5),
            PLAX_GURU_NO_ERROR);
  pair.peer = PlainAccept(listener);
  PlainClose(listener);
  return pair;
}

void ExpectAllReaped() {
  EXPECT_TRUE(WaitRegistryEmpty()) << "engine records left over";
}
