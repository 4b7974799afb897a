// Opening client connections: argument checks, resolution, connect failures.
#include <atomic>
#include <chrono>
#include <string>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::atomic<int> g_lookups{0};
bool CountingResolve(const char*, std::uint32_t&) {
  ++g_lookups;
  return false;
}

PLAX_Result Open(PLAX_ID& id, const char* host, std::uint16_t port, std::int32_t timeout = 5) {
  id = 99;
  return PLAX_OpenClient(id, host, port, Rec_OnDisconnected, Rec_OnConnected, Rec_OnData, timeout);
}

// A port on which nothing listens: bound but never listening, so no other
// process can take it while the test runs.
int BoundSilentSocket(std::uint16_t& port) {
  int socket = Sock_OpenTcp(false);
  Sock_BindAny(socket, 0);
  port = Sock_LocalPort(socket);
  return socket;
}

}  // namespace

TEST(OpenClient, EmptyHostAndColonFailBeforeAnyResolutionOrSocket) {
  PLAX_HostCacheClear();
  PLAX_SetHostCacheHooks({nullptr, CountingResolve});
  int descriptors = CountOpenDescriptors();
  PLAX_ID id = 0;
  EXPECT_EQ(Open(id, "", 1), PLAX_GURU_IPA_NOT_FOUND);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(Open(id, nullptr, 1), PLAX_GURU_IPA_NOT_FOUND);
  EXPECT_EQ(Open(id, "::1", 1), PLAX_GURU_NO_IPV6);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(Open(id, "host:80", 1), PLAX_GURU_NO_IPV6);
  EXPECT_EQ(g_lookups, 0);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
  EXPECT_EQ(PLAX_HostCache.V_First, nullptr);
  PLAX_SetHostCacheHooks({});
}

TEST(OpenClient, UnresolvableHostGivesCantResolve) {
  PLAX_SetHostCacheHooks({nullptr, CountingResolve});
  PLAX_ID id = 0;
  EXPECT_EQ(Open(id, "no-such-host.invalid", 1), PLAX_GURU_CANT_RESOLVE);
  EXPECT_EQ(Open(id, "255.255.255.255", 1), PLAX_GURU_CANT_RESOLVE);
  EXPECT_EQ(id, 0u);
  PLAX_SetHostCacheHooks({});
}

TEST(OpenClient, RefusedConnectFailsAtOnce) {
  std::uint16_t port = 0;
  int silent = BoundSilentSocket(port);
  int descriptors = CountOpenDescriptors();
  PLAX_ID id = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Open(id, "127.0.0.1", port, 60), PLAX_GURU_CANT_CONNECT);
  EXPECT_LT(SecondsSince(start), 2.0);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
  PlainClose(silent);
  EXPECT_TRUE(Rec_Events().empty());
}

// A listener whose queue is full drops new handshakes, so a connect to it
// neither succeeds nor is refused: only the time-out ends it.
TEST(OpenClient, UnansweredConnectTimesOut) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 0);
  std::vector<int> queued;
  for (int i = 0; i < 2; ++i) {
    int s = Sock_OpenTcp(true);
    Sock_Connect(s, Sock_ParseDotted("127.0.0.1"), port, 200);
    queued.push_back(s);
  }
  int descriptors = CountOpenDescriptors();
  PLAX_ID id = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Open(id, "127.0.0.1", port, 0), PLAX_GURU_CANT_CONNECT);
  EXPECT_LT(SecondsSince(start), 0.5);  // time-out 0 looks once
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(Open(id, "127.0.0.1", port, 1), PLAX_GURU_CANT_CONNECT);
  EXPECT_GE(SecondsSince(start), 0.9);
  EXPECT_LT(SecondsSince(start), 3.0);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
  for (int s : queued) PlainClose(s);
  PlainClose(listener);
}

TEST(OpenClient, ConnectsByNameAndKeepsTheGivenHostText) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  PLAX_ID id = 0;
  ASSERT_EQ(Open(id, "localhost", port), PLAX_GURU_NO_ERROR);
  EXPECT_GE(id, 1u);
  OsSemaphore_Take(PLAX_RegistryMutex);
  const PLAX_Connection* record = PLAX_FindConnection(id);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->V_Host, "localhost");
  EXPECT_EQ(record->V_Port, port);
  EXPECT_EQ(record->V_IsServer, 0);
  EXPECT_EQ(record->V_Protocol, PLAX_PROTOCOL_TCP);
  OsSemaphore_Release(PLAX_RegistryMutex);
  EXPECT_TRUE(HasNoDelay(RecordSocket(id)));  // small messages go out at once
  EXPECT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kConnected, id) == 1; }));
  EXPECT_EQ(PLAX_Close(id), PLAX_GURU_NO_ERROR);
  PlainClose(listener);
  ExpectAllReaped();
}

// A worker that cannot be started is reported, and nothing is left behind.
TEST(OpenClient, FailedWorkerStartIsReported) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  int descriptors = CountOpenDescriptors();
  OsThread_FailNextStarts(1);
  PLAX_ID id = 0;
  EXPECT_EQ(Open(id, "127.0.0.1", port), PLAX_GURU_CANT_CREATE_SOCKET);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(CountOpenDescriptors(), descriptors);
  ExpectAllReaped();
  EXPECT_TRUE(Rec_Events().empty());
  PlainClose(listener);
}

namespace {

// The callers' own variables, written by the opening operations.
PLAX_ID g_client_id = 0;
PLAX_ID g_adopted_id = 0;
std::atomic<int> g_connected_calls{0};
std::atomic<int> g_wrong_ids{0};

void CheckCallersVariable(const PLAX_ID& variable, PLAX_ID id) {
  if (variable != id) ++g_wrong_ids;
  ++g_connected_calls;
}

void OnClientConnected(PLAX_ID id) {
  CheckCallersVariable(g_client_id, id);
}

void OnAdoptedConnected(PLAX_ID id) {
  CheckCallersVariable(g_adopted_id, id);
}

void AdoptIntoGlobal(PLAX_ID, PLAX_Socket accepted, const char*) {
  // The test waits for the previous connection's callbacks before it
  // connects again; this load carries that order over to this thread.
  (void)g_connected_calls.load();
  std::string peer;
  std::string local;
  PLAX_AdoptSocket(accepted, g_adopted_id, peer, nullptr, OnAdoptedConnected, nullptr, local);
}

}  // namespace

// A connected callback may read the variable the opener passed: it already
// holds the ID when the worker starts.
TEST(OpenClient, CallbacksFindTheIdInTheCallersVariable) {
  constexpr int kConnections = 200;
  PLAX_ID server = 0;
  ASSERT_EQ(PLAX_OpenServer(server, 0, 4, AdoptIntoGlobal, nullptr), PLAX_GURU_NO_ERROR);
  std::uint16_t port = RecordPort(server);
  for (int i = 1; i <= kConnections; ++i) {
    ASSERT_EQ(
        PLAX_OpenClient(g_client_id, "127.0.0.1", port, nullptr, OnClientConnected, nullptr, 5),
        PLAX_GURU_NO_ERROR);
    ASSERT_TRUE(WaitUntil([&] { return g_connected_calls == 2 * i; }));
    CloseWhenRunning(g_client_id);
  }
  EXPECT_EQ(g_wrong_ids, 0);
  CloseWhenRunning(server);
  ExpectAllReaped();
}
