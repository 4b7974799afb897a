// What a connection's worker reports: order of events, chunks and bytes.
#include "gtest/gtest.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

void ExpectConnectedDataDisconnected(PLAX_ID id) {
  std::vector<RecordedEvent> events = Rec_EventsOf(id);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front().kind, EventKind::kConnected);
  EXPECT_EQ(events.back().kind, EventKind::kDisconnected);
  for (std::size_t i = 1; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].kind, EventKind::kData) << i;
  }
}

}  // namespace

TEST(DataFlow, PeerClosingAtOnceGivesConnectedThenDisconnected) {
  LoopbackPair pair = ConnectToPlainPeer();
  PlainClose(pair.peer);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  std::vector<RecordedEvent> events = Rec_EventsOf(pair.id);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, EventKind::kConnected);
  EXPECT_EQ(events[1].kind, EventKind::kDisconnected);
  ExpectAllReaped();
}

TEST(DataFlow, BurstArrivesInOrderInBoundedChunks) {
  LoopbackPair pair = ConnectToPlainPeer();
  std::string burst = Pattern(5 * PLAX_RECV_BUFFER_SIZE + 123);
  ASSERT_TRUE(PlainSendAll(pair.peer, burst));
  ASSERT_TRUE(WaitUntil([&] { return Rec_Received(pair.id).size() == burst.size(); }));
  EXPECT_EQ(Rec_Received(pair.id), burst);
  int chunks = 0;
  for (const RecordedEvent& e : Rec_EventsOf(pair.id)) {
    if (e.kind != EventKind::kData) continue;
    ++chunks;
    EXPECT_GT(e.data.size(), 0u);
    EXPECT_LE(e.data.size(), PLAX_RECV_BUFFER_SIZE);
  }
  EXPECT_GE(chunks, 6);
  OsSemaphore_Take(PLAX_RegistryMutex);
  EXPECT_EQ(PLAX_FindConnection(pair.id)->V_BytesReceived.load(),
            static_cast<std::int64_t>(burst.size()));
  OsSemaphore_Release(PLAX_RegistryMutex);
  PlainClose(pair.peer);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  ExpectConnectedDataDisconnected(pair.id);
  ExpectAllReaped();
}

TEST(DataFlow, ZeroBytesAreDeliveredWithTheirLength) {
  LoopbackPair pair = ConnectToPlainPeer();
  const std::string bytes("\0a\0\0b\0", 6);
  ASSERT_TRUE(PlainSendAll(pair.peer, bytes));
  ASSERT_TRUE(WaitUntil([&] { return Rec_Received(pair.id).size() == bytes.size(); }));
  EXPECT_EQ(Rec_Received(pair.id), bytes);
  CloseWhenRunning(pair.id);
  PlainClose(pair.peer);
  ExpectAllReaped();
}

TEST(DataFlow, ClosedByProgramReportsDisconnectedOnceAndNothingAfter) {
  LoopbackPair pair = ConnectToPlainPeer();
  ASSERT_TRUE(PlainSendAll(pair.peer, "before"));
  ASSERT_TRUE(WaitUntil([&] { return Rec_Received(pair.id) == "before"; }));
  EXPECT_EQ(PLAX_Close(pair.id), PLAX_GURU_NO_ERROR);
  // The peer learns of the close at once, not at the worker's next time-out.
  EXPECT_EQ(PlainReceive(pair.peer, 1, 0.5), "");
  PlainSendAll(pair.peer, "after");
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  OsThread_SleepMs(50);
  EXPECT_EQ(Rec_Count(EventKind::kDisconnected, pair.id), 1);
  EXPECT_EQ(Rec_Received(pair.id), "before");
  ExpectConnectedDataDisconnected(pair.id);
  PlainClose(pair.peer);
  ExpectAllReaped();
}

TEST(DataFlow, ServerSideSeesTheSameOrder) {
  std::uint16_t port = 0;
  PLAX_ID server = OpenAdoptingServer(port);
  int client = PlainConnect(port);
  PLAX_ID adopted = Rec_WaitAdopted(0);
  for (int i = 0; i < 20; ++i) PlainSendAll(client, "x");
  ASSERT_TRUE(WaitUntil([&] { return Rec_Received(adopted).size() == 20; }));
  PlainClose(client);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, adopted) == 1; }));
  ExpectConnectedDataDisconnected(adopted);
  CloseWhenRunning(server);
  ExpectAllReaped();
}

// A worker that finds its record not READY ends without any event of its
// own; the reaper still reports the disconnection.
TEST(DataFlow, WorkerForARecordNotReadyEndsQuietly) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  int socket = PlainConnect(port);
  PLAX_Connection* record = PLAX_NewConnection();
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_ID id = record->V_ID;
  record->V_SOCKET = socket;
  record->V_Link = std::make_shared<PLAX_SocketLink>(socket);
  record->V_EventConnected = Rec_OnConnected;
  record->V_EventDisconnected = Rec_OnDisconnected;
  record->V_State = PLAX_STATE_RUNNING;
  OsThread_Start(record->V_Thread, PLAX_Worker, id, PLAX_WORKER_STACK_SIZE);
  OsSemaphore_Release(PLAX_RegistryMutex);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, id) == 1; }));
  std::vector<RecordedEvent> events = Rec_EventsOf(id);
  EXPECT_EQ(events.size(), 1u);
  PlainClose(listener);
  ExpectAllReaped();
}
