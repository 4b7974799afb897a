// Listening records, the offer of accepted sockets, the address filter and
// adoption.
#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

PLAX_Result OpenServer(PLAX_ID& id, std::uint16_t port, std::uint16_t backlog,
                       PLAX_EventNewConnection on_new = Rec_KeepNewConnection,
                       PLAX_EventNewConnectionRefused on_refused = Rec_OnRefused) {
  id = 99;
  return PLAX_OpenServer(id, port, backlog, on_new, on_refused);
}

void SetFilter(PLAX_ID server, std::uint8_t mode, const char* listed) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Connection* record = PLAX_FindConnection(server);
  record->V_IPAMode = mode;
  if (listed != nullptr) PLAX_IPAAdd(record, listed);
  OsSemaphore_Release(PLAX_RegistryMutex);
}

int CountKind(EventKind kind) {
  int count = 0;
  for (const RecordedEvent& e : Rec_Events()) count += e.kind == kind ? 1 : 0;
  return count;
}

// Connects once and says whether the offer was made (true) or refused.
bool ConnectAndSeeOffer(std::uint16_t port) {
  int offers = CountKind(EventKind::kNewConnection);
  int refusals = CountKind(EventKind::kRefused);
  int client = PlainConnect(port);
  EXPECT_TRUE(WaitUntil([&] {
    return CountKind(EventKind::kNewConnection) + CountKind(EventKind::kRefused) >
           offers + refusals;
  }));
  PlainClose(client);
  return CountKind(EventKind::kNewConnection) > offers;
}

void CloseKeptSockets() {
  for (const RecordedEvent& e : Rec_Events()) {
    if (e.kind == EventKind::kNewConnection && e.adopted == 0) PLAX_CloseSocket(e.socket);
  }
}

}  // namespace

TEST(OpenServer, ChecksComeInTheirOrder) {
  int descriptors = CountOpenDescriptors();
  PLAX_ID id = 0;
  EXPECT_EQ(OpenServer(id, 0, 0, nullptr), PLAX_GURU_MAX_SIM_CON_REQ_RANGE);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(OpenServer(id, 0, 4097, nullptr), PLAX_GURU_MAX_SIM_CON_REQ_RANGE);
  EXPECT_EQ(OpenServer(id, 0, 1, nullptr), PLAX_GURU_MISSING_EVENT);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST(OpenServer, BacklogBoundsAreAcceptedAndPortZeroIsChosenBySystem) {
  PLAX_ID low = 0;
  PLAX_ID high = 0;
  ASSERT_EQ(OpenServer(low, 0, 1, Rec_KeepNewConnection, nullptr), PLAX_GURU_NO_ERROR);
  ASSERT_EQ(OpenServer(high, 0, 4096), PLAX_GURU_NO_ERROR);
  EXPECT_NE(RecordPort(low), 0);
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(low);
  EXPECT_EQ(record->V_Port, 0);
  EXPECT_EQ(record->V_IsServer, 1);
  EXPECT_EQ(record->V_Host, "");
  OsSemaphore_Release(PLAX_RegistryMutex);
  CloseWhenRunning(low);
  CloseWhenRunning(high);
  ExpectAllReaped();
}

TEST(OpenServer, FailedWorkerStartIsReportedAndLeavesNoSocket) {
  int descriptors = CountOpenDescriptors();
  OsThread_FailNextStarts(1);
  PLAX_ID id = 0;
  EXPECT_EQ(OpenServer(id, 0, 4), PLAX_GURU_CANT_CREATE_SOCKET);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
  ExpectAllReaped();
}

TEST(OpenServer, TakenPortGivesCantBindAndLeavesNoSocket) {
  PLAX_ID first = 0;
  ASSERT_EQ(OpenServer(first, 0, 4), PLAX_GURU_NO_ERROR);
  std::uint16_t port = RecordPort(first);
  int descriptors = CountOpenDescriptors();
  PLAX_ID second = 0;
  EXPECT_EQ(OpenServer(second, port, 4), PLAX_GURU_CANT_BIND);
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
  CloseWhenRunning(first);
  ExpectAllReaped();
}

// Without address reuse a restarted server would fail while the old
// connections sit in TIME_WAIT.
TEST(OpenServer, PortCanBeReopenedRightAfterItsConnectionsClosed) {
  std::uint16_t port = 0;
  PLAX_ID server = OpenAdoptingServer(port);
  int client = PlainConnect(port);
  PLAX_ID adopted = Rec_WaitAdopted(0);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kConnected, adopted) == 1; }));
  CloseWhenRunning(adopted);  // the server side closes first: it holds TIME_WAIT
  PlainReceive(client, 1, 2.0);
  PlainClose(client);
  CloseWhenRunning(server);
  ExpectAllReaped();
  PLAX_ID again = 0;
  EXPECT_EQ(OpenServer(again, port, 4), PLAX_GURU_NO_ERROR);
  CloseWhenRunning(again);
  ExpectAllReaped();
}

TEST(AcceptLoop, EveryConnectionIsOfferedWithoutFilter) {
  PLAX_ID server = 0;
  ASSERT_EQ(OpenServer(server, 0, 4), PLAX_GURU_NO_ERROR);
  EXPECT_TRUE(ConnectAndSeeOffer(RecordPort(server)));
  std::vector<RecordedEvent> events = Rec_EventsOf(server);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].address, "127.0.0.1");
  EXPECT_GE(events[0].socket, 0);
  EXPECT_EQ(Rec_Count(EventKind::kConnected, server), 0);  // never for a listener
  CloseKeptSockets();
  CloseWhenRunning(server);
  ExpectAllReaped();
}

TEST(AcceptLoop, DenyModeRefusesListedAddresses) {
  PLAX_ID server = 0;
  ASSERT_EQ(OpenServer(server, 0, 4), PLAX_GURU_NO_ERROR);
  std::uint16_t port = RecordPort(server);
  SetFilter(server, PLAX_IPA_MODE_DENY, "127.0.0.2");
  EXPECT_TRUE(ConnectAndSeeOffer(port));
  SetFilter(server, PLAX_IPA_MODE_DENY, "127.0.0.1");
  int descriptors = CountOpenDescriptors();
  EXPECT_FALSE(ConnectAndSeeOffer(port));
  EXPECT_EQ(CountOpenDescriptors(), descriptors);  // the refused socket is closed
  std::vector<RecordedEvent> events = Rec_EventsOf(server);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, EventKind::kRefused);
  EXPECT_EQ(events[1].address, "127.0.0.1");
  CloseKeptSockets();
  CloseWhenRunning(server);
  ExpectAllReaped();
}

TEST(AcceptLoop, AllowModeOffersOnlyListedAddresses) {
  PLAX_ID server = 0;
  ASSERT_EQ(OpenServer(server, 0, 4), PLAX_GURU_NO_ERROR);
  std::uint16_t port = RecordPort(server);
  SetFilter(server, PLAX_IPA_MODE_ALLOW, nullptr);
  EXPECT_FALSE(ConnectAndSeeOffer(port));
  SetFilter(server, PLAX_IPA_MODE_ALLOW, "127.0.0.1");
  EXPECT_TRUE(ConnectAndSeeOffer(port));
  CloseKeptSockets();
  CloseWhenRunning(server);
  ExpectAllReaped();
}

TEST(AcceptLoop, RefusalWithoutCallbackJustClosesTheSocket) {
  PLAX_ID server = 0;
  ASSERT_EQ(OpenServer(server, 0, 4, Rec_KeepNewConnection, nullptr), PLAX_GURU_NO_ERROR);
  SetFilter(server, PLAX_IPA_MODE_ALLOW, nullptr);
  int client = PlainConnect(RecordPort(server));
  EXPECT_EQ(PlainReceive(client, 1, 5.0), "");  // closed by the engine
  PlainClose(client);
  EXPECT_TRUE(Rec_Events().empty());
  CloseWhenRunning(server);
  ExpectAllReaped();
}

TEST(AdoptSocket, WritesAddressesAndServesTheConnection) {
  std::uint16_t port = 0;
  PLAX_ID server = OpenAdoptingServer(port);
  int client = PlainConnect(port);
  PLAX_ID adopted = Rec_WaitAdopted(0);
  ASSERT_NE(adopted, 0u);
  EXPECT_NE(adopted, server);
  RecordedEvent offer = Rec_EventsOf(server).at(0);
  EXPECT_EQ(offer.data, "127.0.0.1");  // the local address written by the adoption
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(adopted);
  EXPECT_EQ(record->V_Host, "127.0.0.1");
  EXPECT_EQ(record->V_Port, 0);
  EXPECT_EQ(record->V_IsServer, 0);
  OsSemaphore_Release(PLAX_RegistryMutex);
  EXPECT_TRUE(HasNoDelay(RecordSocket(adopted)));  // small messages go out at once
  ASSERT_TRUE(PlainSendAll(client, "hello"));
  EXPECT_TRUE(WaitUntil([&] { return Rec_Received(adopted) == "hello"; }));
  PlainClose(client);
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, adopted) == 1; }));
  CloseWhenRunning(server);
  ExpectAllReaped();
}

TEST(AdoptSocket, PeerAlreadyGoneStillConnectsThenDisconnects) {
  PLAX_ID server = 0;
  ASSERT_EQ(OpenServer(server, 0, 4), PLAX_GURU_NO_ERROR);
  int client = PlainConnect(RecordPort(server));
  ASSERT_TRUE(WaitUntil([] { return CountKind(EventKind::kNewConnection) == 1; }));
  PlainClose(client);
  PLAX_ID adopted = 0;
  std::string peer = "unchanged";
  std::string local;
  EXPECT_EQ(PLAX_AdoptSocket(Rec_EventsOf(server).at(0).socket, adopted, peer, Rec_OnDisconnected,
                             Rec_OnConnected, Rec_OnData, local),
            PLAX_GURU_NO_ERROR);
  EXPECT_NE(adopted, 0u);
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, adopted) == 1; }));
  std::vector<RecordedEvent> events = Rec_EventsOf(adopted);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, EventKind::kConnected);
  EXPECT_EQ(events[1].kind, EventKind::kDisconnected);
  CloseWhenRunning(server);
  ExpectAllReaped();
}

TEST(AdoptSocket, FailedWorkerStartClosesTheSocketAndReportsIt) {
  PLAX_ID server = 0;
  ASSERT_EQ(OpenServer(server, 0, 4), PLAX_GURU_NO_ERROR);
  int client = PlainConnect(RecordPort(server));
  ASSERT_TRUE(WaitUntil([] { return CountKind(EventKind::kNewConnection) == 1; }));
  OsThread_FailNextStarts(1);
  PLAX_ID adopted = 77;
  std::string peer;
  std::string local;
  EXPECT_EQ(PLAX_AdoptSocket(Rec_EventsOf(server).at(0).socket, adopted, peer, Rec_OnDisconnected,
                             Rec_OnConnected, Rec_OnData, local),
            PLAX_GURU_CANT_CREATE_SOCKET);
  EXPECT_EQ(adopted, 77u);                      // left as it was
  EXPECT_EQ(PlainReceive(client, 1, 5.0), "");  // the peer sees the close
  PlainClose(client);
  CloseWhenRunning(server);
  ExpectAllReaped();
}
