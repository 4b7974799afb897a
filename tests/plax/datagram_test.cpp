// Datagram records: the worker's datagram loop and the datagram send path.
#include <algorithm>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

struct UdpPeer {
  int socket = -1;
  std::uint16_t port = 0;
};

// The peer receives through the engine's own socket layer.
UdpPeer OpenUdpPeer() {
  UdpPeer peer;
  peer.socket = Sock_OpenUdp();
  Sock_BindAny(peer.socket, 0);
  peer.port = Sock_LocalPort(peer.socket);
  return peer;
}

std::string ReceiveOne(int socket) {
  if (Sock_WaitReadable(socket, 5000) != SockWait::kReady) return "<none>";
  char buffer[2048];
  std::size_t received = 0;
  std::string sender;
  SockReceive result = Sock_ReceiveFrom(socket, buffer, sizeof buffer, received, sender);
  // An empty datagram reads as the end a stream would report.
  const bool got = result == SockReceive::kData || result == SockReceive::kClosed;
  return got ? std::string(buffer, received) : "<none>";
}

PLAX_ID OpenRecord(std::uint32_t options = PLAX_DATAGRAM_NONE) {
  PLAX_ID id = 0;
  std::uint16_t port = 0;
  EXPECT_EQ(PLAX_OpenDatagram(id, 0, options, Rec_OnDisconnected, Rec_OnDatagram, port),
            PLAX_GURU_NO_ERROR);
  EXPECT_NE(port, 0);
  EXPECT_EQ(port, RecordPort(id));
  EXPECT_TRUE(WaitUntil([&] { return RecordState(id) == PLAX_STATE_RUNNING; }));
  return id;
}

}  // namespace

TEST(Datagram, EachDatagramArrivesWithItsSender) {
  PLAX_ID id = OpenRecord();
  UdpPeer peer = OpenUdpPeer();
  std::uint16_t port = RecordPort(id);
  PlainSendDatagram(peer.socket, std::string("one\0", 4), port);
  PlainSendDatagram(peer.socket, "", port);  // an empty datagram is delivered, not an end
  PlainSendDatagram(peer.socket, "three", port);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDatagram, id) == 3; }));
  std::vector<RecordedEvent> events = Rec_EventsOf(id);
  EXPECT_EQ(events[0].data, std::string("one\0", 4));
  EXPECT_EQ(events[1].data, "");
  EXPECT_EQ(events[2].data, "three");
  EXPECT_EQ(events[0].address, "127.0.0.1");
  EXPECT_EQ(RecordState(id), PLAX_STATE_RUNNING);
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_ERROR);
  ExpectAllReaped();
  EXPECT_EQ(Rec_Count(EventKind::kDatagram, id), 3);  // no phantom datagram at the close
  Sock_Close(peer.socket);
}

TEST(Datagram, SendReachesNamedHostAndCounts) {
  PLAX_ID id = OpenRecord();
  UdpPeer peer = OpenUdpPeer();
  std::uint32_t sent = 0;
  EXPECT_EQ(PLAX_Send(id, "ping", sent, "127.0.0.1", peer.port), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(sent, 4u);
  EXPECT_EQ(ReceiveOne(peer.socket), "ping");
  EXPECT_EQ(PLAX_Send(id, "by name", sent, "localhost", peer.port), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(ReceiveOne(peer.socket), "by name");
  EXPECT_EQ(PLAX_Send(id, "", sent, "127.0.0.1", peer.port), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(sent, 0u);
  OsSemaphore_Take(PLAX_RegistryMutex);
  EXPECT_EQ(PLAX_FindConnection(id)->V_BytesSent, 11);
  OsSemaphore_Release(PLAX_RegistryMutex);
  CloseWhenRunning(id);
  Sock_Close(peer.socket);
  ExpectAllReaped();
}

// A datagram the platform refuses is that datagram's loss alone: the record
// keeps receiving and sending. An empty datagram goes out as one, and the
// record's end is told like a connection's.
TEST(Datagram, FailedSendKeepsTheRecordServingAndAnEmptyOneGoesOut) {
  PLAX_ID id = OpenRecord();
  UdpPeer peer = OpenUdpPeer();
  std::uint32_t sent = 9;
  const std::string oversized(70000, 'x');  // more than any datagram can hold
  EXPECT_EQ(PLAX_Send(id, oversized, sent, "127.0.0.1", peer.port), PLAX_GURU_SEND_ERROR);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(PLAX_Send(id, "", sent, "127.0.0.1", peer.port), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(ReceiveOne(peer.socket), "");
  PlainSendDatagram(peer.socket, "still", RecordPort(id));
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDatagram, id) == 1; }));
  EXPECT_EQ(PLAX_Send(id, "here", sent, "127.0.0.1", peer.port), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(ReceiveOne(peer.socket), "here");
  EXPECT_EQ(Rec_Count(EventKind::kDisconnected, id), 0);
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_ERROR);
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, id) == 1; }));
  Sock_Close(peer.socket);
  ExpectAllReaped();
}

TEST(Datagram, ReceiverChecksComeBeforeAnySend) {
  PLAX_ID id = OpenRecord();
  std::uint32_t sent = 9;
  EXPECT_EQ(PLAX_Send(id, "x", sent, "", 1), PLAX_GURU_IPA_NOT_FOUND);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(PLAX_Send(id, "x", sent, nullptr, 1), PLAX_GURU_IPA_NOT_FOUND);
  EXPECT_EQ(PLAX_Send(id, "x", sent, "::1", 1), PLAX_GURU_NO_IPV6);
  EXPECT_EQ(PLAX_Send(id, "", sent, "::1", 1), PLAX_GURU_NO_IPV6);  // even with nothing to send
  EXPECT_EQ(PLAX_Send(id, "x", sent, "255.255.255.255", 1), PLAX_GURU_CANT_RESOLVE);
  EXPECT_EQ(sent, 0u);
  OsSemaphore_Take(PLAX_RegistryMutex);
  EXPECT_EQ(PLAX_FindConnection(id)->V_BytesSent, 0);
  OsSemaphore_Release(PLAX_RegistryMutex);
  CloseWhenRunning(id);
  ExpectAllReaped();
}

// "0" means the limited broadcast address, without resolution. No broadcast
// permission is set on the socket, so the platform refuses it: nothing leaves
// the machine, and the record stays open.
TEST(Datagram, BroadcastHostIsNotResolvedAndRefusalKeepsTheRecord) {
  PLAX_HostCacheClear();
  PLAX_ID id = OpenRecord();
  std::uint32_t sent = 9;
  EXPECT_EQ(PLAX_Send(id, "x", sent, "0", 9), PLAX_GURU_SEND_ERROR);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(PLAX_HostCache.V_First, nullptr);
  EXPECT_EQ(RecordState(id), PLAX_STATE_RUNNING);
  CloseWhenRunning(id);
  ExpectAllReaped();
}

// Asked for, broadcast permission lets a record reach every program on this
// machine through the loopback's broadcast address; a taken port fails the
// opening and leaves nothing open.
TEST(Datagram, BroadcastWhenAskedForAndATakenPortRefused) {
  std::vector<std::string> broadcasts;
  PLAX_ListBroadcastAddresses(broadcasts);
  EXPECT_NE(std::find(broadcasts.begin(), broadcasts.end(), "127.255.255.255"), broadcasts.end())
      << ::testing::PrintToString(broadcasts);
  PLAX_ID id = OpenRecord(PLAX_DATAGRAM_BROADCAST);
  UdpPeer peer = OpenUdpPeer();
  std::uint32_t sent = 0;
  EXPECT_EQ(PLAX_Send(id, "all", sent, "127.255.255.255", peer.port), PLAX_GURU_NO_ERROR);
  EXPECT_EQ(ReceiveOne(peer.socket), "all");

  PLAX_ID second = 7;
  std::uint16_t port = 7;
  EXPECT_EQ(PLAX_OpenDatagram(second, peer.port, PLAX_DATAGRAM_NONE, nullptr, Rec_OnDatagram, port),
            PLAX_GURU_CANT_BIND);
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(port, 0);
  CloseWhenRunning(id);
  Sock_Close(peer.socket);
  ExpectAllReaped();
}
