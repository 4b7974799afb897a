// Datagram records: the worker's datagram loop and the datagram send path.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

struct UdpPeer {
  int socket = -1;
  std::uint16_t port = 0;
};

UdpPeer OpenUdpPeer() {
  UdpPeer peer;
  peer.socket = Sock_OpenUdp();
  Sock_BindAny(peer.socket, 0);
  peer.port = Sock_LocalPort(peer.socket);
  timeval wait{5, 0};
  setsockopt(peer.socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  return peer;
}

void SendTo(int socket, const std::string& data, std::uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sendto(socket, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

std::string ReceiveOne(int socket) {
  char buffer[2048];
  ssize_t n = recv(socket, buffer, sizeof buffer, 0);
  return n >= 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "<none>";
}

PLAX_ID OpenRecord() {
  PLAX_ID id = 0;
  EXPECT_EQ(PLAX_OpenDatagram(id, 0, Rec_OnDatagram), PLAX_GURU_NO_ERROR);
  EXPECT_TRUE(WaitUntil([&] { return RecordState(id) == PLAX_STATE_RUNNING; }));
  return id;
}

}  // namespace

TEST(Datagram, EachDatagramArrivesWithItsSender) {
  PLAX_ID id = OpenRecord();
  UdpPeer peer = OpenUdpPeer();
  std::uint16_t port = RecordPort(id);
  SendTo(peer.socket, std::string("one\0", 4), port);
  SendTo(peer.socket, "", port);  // an empty datagram is delivered, not an end
  SendTo(peer.socket, "three", port);
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
  close(peer.socket);
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
  close(peer.socket);
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
