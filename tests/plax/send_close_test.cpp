// Sending and closing by ID, serialised sends and the stall bound.
#include <chrono>
#include <thread>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

PLAX_Result Send(PLAX_ID id, const std::string& data, std::uint32_t& sent) {
  sent = 77;
  return PLAX_Send(id, data, sent, "", 0);
}

std::int64_t BytesSent(PLAX_ID id) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(id);
  std::int64_t sent = record != nullptr ? record->V_BytesSent : -1;
  OsSemaphore_Release(PLAX_RegistryMutex);
  return sent;
}

std::atomic<bool> g_release_disconnect{false};

// Keeps the reaper inside the callback, and so the record alive, until told.
void HeldDisconnected(PLAX_ID id) {
  Rec_OnDisconnected(id);
  while (!g_release_disconnect) OsThread_SleepMs(1);
}

}  // namespace

TEST(Send, UnknownIdGivesIdNotFound) {
  std::uint32_t sent = 0;
  EXPECT_EQ(Send(12345, "abc", sent), PLAX_GURU_ID_NOT_FOUND);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(PLAX_Close(12345), PLAX_GURU_ID_NOT_FOUND);
}

TEST(Send, BytesArriveAndAreCounted) {
  LoopbackPair pair = ConnectToPlainPeer();
  std::uint32_t sent = 0;
  const std::string message("\x01\0\0\0\x02\0\0\0\x03", 9);
  EXPECT_EQ(Send(pair.id, message, sent), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(sent, 9u);
  EXPECT_EQ(PlainReceive(pair.peer, 9), message);
  EXPECT_EQ(Send(pair.id, "", sent), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(BytesSent(pair.id), 9);
  CloseWhenRunning(pair.id);
  PlainClose(pair.peer);
  ExpectAllReaped();
}

// The sent count is 32 bits wide; a larger send would never reach its end.
// Only the claimed size is that large: a refused send reads none of the bytes.
TEST(Send, FourGibibytesOrMoreAreRefusedBeforeAnyByte) {
  int ends[2];
  ASSERT_TRUE(PlainConnectedPair(ends[0], ends[1]));
  const std::string bytes(8 << 20, 'x');
  std::uint32_t sent = 0;
  EXPECT_EQ(Sock_SendAll(ends[0], bytes.data(), std::size_t{1} << 32, nullptr, 50, sent),
            SockSend::kFailed);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(PlainReceive(ends[1], 1, 0.2), "");
  PlainClose(ends[0]);
  PlainClose(ends[1]);
}

TEST(Close, TwiceGivesNoSocketThenIdNotFoundOnceReaped) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  PLAX_ID id = 0;
  ASSERT_EQ(PLAX_OpenClient(id, "127.0.0.1", port, HeldDisconnected, nullptr, nullptr, 5),
            PLAX_GURU_NO_ERROR);
  ASSERT_TRUE(WaitUntil([&] { return RecordState(id) == PLAX_STATE_RUNNING; }));
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_ERROR);
  // While the reaper is in the disconnected callback the record still exists.
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, id) == 1; }));
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_SOCKET);
  std::uint32_t sent = 0;
  EXPECT_EQ(Send(id, "x", sent), PLAX_GURU_ID_NOT_FOUND);
  g_release_disconnect = true;
  ExpectAllReaped();
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_ID_NOT_FOUND);
  EXPECT_EQ(Rec_Count(EventKind::kDisconnected, id), 1);
  PlainClose(listener);
}

// A record whose worker has not begun serving it is left open by PLAX_Close.
TEST(Close, RecordNotYetRunningIsLeftOpen) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  int socket = PlainConnect(port);
  int peer = PlainAccept(listener);
  PLAX_Connection* record = PLAX_NewConnection();
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_ID id = record->V_ID;
  record->V_SOCKET = socket;
  record->V_Link = std::make_shared<PLAX_SocketLink>(socket);
  record->V_State = PLAX_STATE_READY;  // no worker yet
  OsSemaphore_Release(PLAX_RegistryMutex);
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(RecordState(id), PLAX_STATE_READY);
  EXPECT_EQ(RecordSocket(id), socket);
  ASSERT_TRUE(PlainSendAll(peer, "still open"));
  EXPECT_EQ(PlainReceive(socket, 10, 2.0), "still open");
  PLAX_DeleteConnection(record);  // closes the socket with the record
  EXPECT_EQ(PlainReceive(peer, 1, 2.0), "");
  PlainClose(peer);
  PlainClose(listener);
}

TEST(Send, PeerGoneGivesSendErrorOrIdNotFound) {
  LoopbackPair pair = ConnectToPlainPeer();
  PlainClose(pair.peer);
  std::uint32_t sent = 0;
  PLAX_Result result = PLAX_GURU_NO_ERROR;
  // The first sends may still be taken by the platform; later ones fail.
  for (int i = 0; i < 200 && result == PLAX_GURU_NO_ERROR; ++i) {
    result = Send(pair.id, std::string(1000, 'x'), sent);
    if (result == PLAX_GURU_NO_ERROR) OsThread_SleepMs(5);
  }
  EXPECT_TRUE(result == PLAX_GURU_SEND_ERROR || result == PLAX_GURU_ID_NOT_FOUND) << result;
  if (result == PLAX_GURU_SEND_ERROR) {
    EXPECT_LT(sent, 1000u);
  }
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  EXPECT_EQ(Send(pair.id, "x", sent), PLAX_GURU_ID_NOT_FOUND);
  ExpectAllReaped();
}

// Each message carries its thread's letter; if sends interleaved, a message
// read back in order would mix letters.
TEST(Send, ConcurrentSendersNeverMixTheirBytes) {
  LoopbackPair pair = ConnectToPlainPeer();
  constexpr int kThreads = 6;
  constexpr int kMessages = 40;
  constexpr std::size_t kSize = 50000;
  std::vector<std::thread> senders;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([&, t] {
      std::string message(kSize, static_cast<char>('A' + t));
      for (int m = 0; m < kMessages; ++m) {
        std::uint32_t sent = 0;
        if (PLAX_Send(pair.id, message, sent, "", 0) != PLAX_GURU_NO_ERROR) ++failures;
      }
    });
  }
  std::string received = PlainReceive(pair.peer, kThreads * kMessages * kSize, 30.0);
  for (std::thread& s : senders) s.join();
  EXPECT_EQ(failures, 0);
  ASSERT_EQ(received.size(), kThreads * kMessages * kSize);
  for (std::size_t offset = 0; offset < received.size(); offset += kSize) {
    std::string_view message(received.data() + offset, kSize);
    ASSERT_EQ(message.find_first_not_of(message[0]), std::string_view::npos) << offset;
  }
  CloseWhenRunning(pair.id);
  PlainClose(pair.peer);
  ExpectAllReaped();
}

// A peer that stops reading: the send fails within the bound, closes the
// connection, frees the senders queued behind it, and leaves other
// connections alone.
TEST(Send, StalledPeerFailsTheSendWithinTheBound) {
  LoopbackPair stuck = ConnectToPlainPeer();
  LoopbackPair healthy = ConnectToPlainPeer();
  PlainSetReceiveBuffer(stuck.peer, 4096);
  const std::string big(32 << 20, 's');
  std::atomic<PLAX_Result> queued_result{PLAX_GURU_NO_ERROR};
  std::uint32_t sent = 0;
  auto start = std::chrono::steady_clock::now();
  std::thread queued([&] {
    OsThread_SleepMs(200);  // behind the big send
    std::uint32_t queued_sent = 0;
    queued_result = PLAX_Send(stuck.id, "late", queued_sent, "", 0);
  });
  std::thread other([&] {
    OsThread_SleepMs(300);
    std::uint32_t other_sent = 0;
    EXPECT_EQ(PLAX_Send(healthy.id, "fine", other_sent, "", 0), PLAX_GURU_NO_ERROR);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.5);
  });
  EXPECT_EQ(Send(stuck.id, big, sent), PLAX_GURU_SEND_ERROR);
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  queued.join();
  other.join();
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, big.size());
  EXPECT_GE(took, PLAX_SEND_TIMEOUT_MS / 1000.0);
  EXPECT_LT(took, PLAX_SEND_TIMEOUT_MS / 1000.0 + 2.0);
  EXPECT_TRUE(queued_result == PLAX_GURU_ID_NOT_FOUND || queued_result == PLAX_GURU_SEND_ERROR);
  auto later = std::chrono::steady_clock::now();
  EXPECT_EQ(Send(stuck.id, "x", sent), PLAX_GURU_ID_NOT_FOUND);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - later).count(), 0.5);
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, stuck.id) == 1; }));
  EXPECT_EQ(PlainReceive(healthy.peer, 4), "fine");
  CloseWhenRunning(healthy.id);
  PlainClose(stuck.peer);
  PlainClose(healthy.peer);
  ExpectAllReaped();
}

// A send waiting for room when its connection is closed must end, and must
// never go on writing into whatever socket is opened next under the same
// descriptor number.
TEST(Close, WaitingSenderNeverWritesIntoALaterConnection) {
  LoopbackPair closing = ConnectToPlainPeer();
  PlainSetReceiveBuffer(closing.peer, 4096);
  std::atomic<PLAX_Result> result{PLAX_GURU_NO_ERROR};
  const std::string bulk(32 << 20, 's');
  std::thread sender([&] {
    std::uint32_t sent = 0;
    result = PLAX_Send(closing.id, bulk, sent, "", 0);
  });
  // Bytes at the peer show the send under way; it then waits for the peer to read.
  ASSERT_TRUE(WaitUntil([&] { return PlainQueuedBytes(closing.peer) > 0; }));
  OsThread_SleepMs(100);
  ASSERT_TRUE(WaitUntil([&] { return RecordState(closing.id) == PLAX_STATE_RUNNING; }));
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(PLAX_Close(closing.id), PLAX_GURU_NO_ERROR);
  LoopbackPair fresh = ConnectToPlainPeer();
  PlainReceive(closing.peer, 64 << 20, 0.3);  // makes room on the old connection
  sender.join();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            PLAX_SEND_TIMEOUT_MS / 1000.0);
  EXPECT_EQ(result, PLAX_GURU_SEND_ERROR);
  EXPECT_EQ(PlainReceive(fresh.peer, 1, 0.2).size(), 0u);
  CloseWhenRunning(fresh.id);
  PlainClose(closing.peer);
  PlainClose(fresh.peer);
  ExpectAllReaped();
}

// Closing a connection frees a sender that waits for room at once, not only
// when its stall bound runs out.
TEST(Close, EndsASendWaitingForRoom) {
  LoopbackPair pair = ConnectToPlainPeer();
  PlainSetReceiveBuffer(pair.peer, 4096);
  std::atomic<PLAX_Result> result{PLAX_GURU_NO_ERROR};
  std::atomic<bool> returned{false};
  std::thread sender([&] {
    std::uint32_t sent = 0;
    result = PLAX_Send(pair.id, std::string(32 << 20, 'w'), sent, "", 0);
    returned = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return PlainQueuedBytes(pair.peer) > 0; }));
  OsThread_SleepMs(200);  // the sender now waits for the peer to read
  CloseWhenRunning(pair.id);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(WaitUntil([&] { return returned.load(); }, 1.0));
  sender.join();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            PLAX_SEND_TIMEOUT_MS / 2000.0);
  EXPECT_EQ(result, PLAX_GURU_SEND_ERROR);
  PlainClose(pair.peer);
  ExpectAllReaped();
}

// The stall bound counts from the last byte the peer took: a peer that keeps
// reading, however slowly, keeps its connection for as long as it reads; once
// it stops, the send fails within the bound and the connection closes.
// A send that must not wait takes what fits at once and leaves the rest,
// and a peer that reads nothing costs it its bytes, not its connection.
TEST(Send, SendNowTakesWhatFitsAndNeverWaitsOrCloses) {
  LoopbackPair pair = ConnectToPlainPeer(1024);
  const std::string data(4 << 20, 'n');
  std::uint32_t sent = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PLAX_SendNow(pair.id, data, sent), PLAX_GURU_NO_ERROR);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, data.size());
  std::uint32_t more = 0;
  EXPECT_EQ(PlainReceive(pair.peer, sent, 5.0).size(), sent);
  EXPECT_EQ(Send(pair.id, "after", more), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(PlainReceive(pair.peer, 5, 5.0), "after");
  EXPECT_EQ(Rec_Count(EventKind::kDisconnected, pair.id), 0);
  PlainClose(pair.peer);
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  ExpectAllReaped();
}

TEST(Send, SlowReaderIsNeverCutOffButOneThatStopsIs) {
  constexpr std::size_t kSlowBytes = 100;
  constexpr int kSlowPauseMs = 50;
  // A small window from the start, so that the peer's system frees room in
  // it, and tells the sender, every few hundred bytes read.
  LoopbackPair pair = ConnectToPlainPeer(1024);
  std::atomic<bool> returned{false};
  std::atomic<PLAX_Result> result{PLAX_GURU_NO_ERROR};
  std::thread sender([&] {
    std::uint32_t sent = 0;
    result = PLAX_Send(pair.id, std::string(32 << 20, 'r'), sent, "", 0);
    returned = true;
  });
  using Clock = std::chrono::steady_clock;
  const auto reading_ends = Clock::now() + std::chrono::milliseconds(2 * PLAX_SEND_TIMEOUT_MS);
  std::size_t read = 0;
  while (Clock::now() < reading_ends && !returned) {
    read += PlainReceive(pair.peer, kSlowBytes, 1.0).size();
    OsThread_SleepMs(kSlowPauseMs);
  }
  EXPECT_FALSE(returned.load()) << "cut off after " << read << " bytes";
  const auto stopped = Clock::now();
  sender.join();
  const double took = std::chrono::duration<double>(Clock::now() - stopped).count();
  EXPECT_EQ(result, PLAX_GURU_SEND_ERROR);
  EXPECT_LT(took, PLAX_SEND_TIMEOUT_MS / 1000.0 + 1.0);
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  PlainClose(pair.peer);
  ExpectAllReaped();
}
