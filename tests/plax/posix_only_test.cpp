// Engine tests that only Linux can run: they starve the process of
// descriptors through its resource limit, read the signal mask or count
// context switches, none of which Windows has. The behaviour under test is
// the same engine code on every platform.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

// Lowers the descriptor limit so that the next new descriptor fails; returns
// the old limit's soft value for RestoreDescriptorLimit.
std::uint64_t ExhaustDescriptors() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  std::uint64_t saved = limit.rlim_cur;
  int lowest_free = dup(0);
  close(lowest_free);
  limit.rlim_cur = static_cast<rlim_t>(lowest_free);
  EXPECT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
  return saved;
}

void RestoreDescriptorLimit(std::uint64_t soft_limit) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(soft_limit);
  setrlimit(RLIMIT_NOFILE, &limit);
}

// Voluntary context switches of every thread of this process.
long ContextSwitches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw;
}

// Both serve a test that the address-sanitizer build leaves out.
[[maybe_unused]] int CountKind(EventKind kind) {
  int count = 0;
  for (const RecordedEvent& e : Rec_Events()) count += e.kind == kind ? 1 : 0;
  return count;
}

[[maybe_unused]] void CloseKeptSockets() {
  for (const RecordedEvent& e : Rec_Events()) {
    if (e.kind == EventKind::kNewConnection && e.adopted == 0) PLAX_CloseSocket(e.socket);
  }
}

}  // namespace

// Descriptor limits are POSIX's; Windows has no per-process socket cap to hit.
TEST(OpenClient, NoDescriptorLeftGivesCantCreateSocket) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 4);
  std::uint64_t saved = ExhaustDescriptors();
  PLAX_ID id = 99;
  PLAX_Result result =
      PLAX_OpenClient(id, "127.0.0.1", port, Rec_OnDisconnected, Rec_OnConnected, Rec_OnData, 5);
  RestoreDescriptorLimit(saved);
  EXPECT_EQ(result, PLAX_GURU_CANT_CREATE_SOCKET);
  EXPECT_EQ(id, 0u);
  PlainClose(listener);
}

// Descriptor limits are POSIX's; Windows has no per-process socket cap to hit.
TEST(OpenServer, NoDescriptorLeftGivesCantCreateSocket) {
  std::uint64_t saved = ExhaustDescriptors();
  PLAX_ID id = 99;
  PLAX_Result result = PLAX_OpenServer(id, 0, 4, Rec_KeepNewConnection, Rec_OnRefused);
  RestoreDescriptorLimit(saved);
  EXPECT_EQ(result, PLAX_GURU_CANT_CREATE_SOCKET);
  EXPECT_EQ(id, 0u);
}

// Running out of descriptors for a moment must not end the listener. Not in
// the address-sanitizer build: its runtime needs descriptors of its own to
// check memory, so the process cannot be starved of them; the other builds
// run it.
#ifndef __SANITIZE_ADDRESS__
TEST(AcceptLoop, ListenerSurvivesRunningOutOfDescriptors) {
  PLAX_ID server = 0;
  ASSERT_EQ(PLAX_OpenServer(server, 0, 4, Rec_KeepNewConnection, Rec_OnRefused),
            PLAX_GURU_NO_ERROR);
  std::uint16_t port = RecordPort(server);
  int client = Sock_OpenTcp(false);
  std::uint64_t saved = ExhaustDescriptors();
  bool connected = Sock_Connect(client, Sock_ParseDotted("127.0.0.1"), port, 2000);
  OsThread_SleepMs(300);  // the worker meets the limit on accept meanwhile
  RestoreDescriptorLimit(saved);
  ASSERT_TRUE(connected);
  EXPECT_EQ(RecordState(server), PLAX_STATE_RUNNING);
  EXPECT_TRUE(WaitUntil([] { return CountKind(EventKind::kNewConnection) == 1; }));
  PlainClose(client);
  CloseKeptSockets();
  CloseWhenRunning(server);
  ExpectAllReaped();
}
#endif

// An idle engine sleeps: the reaper is woken by events, not by a timer.
// Context switches are counted by getrusage, which Windows lacks.
TEST(Lifecycle, IdleEngineDoesNotWakeUp) {
  long before = ContextSwitches();
  OsThread_SleepMs(1000);
  long woken = ContextSwitches() - before;
  EXPECT_LT(woken, 50);  // a timer-driven reaper would wake about 1000 times
}

namespace {

std::atomic<int> stop_signals_blocked_on_worker{-1};
std::atomic<int> stop_signals_blocked_on_reaper{-1};

int StopSignalsBlockedHere() {
  sigset_t current;
  pthread_sigmask(SIG_BLOCK, nullptr, &current);
  return sigismember(&current, SIGTERM) == 1 && sigismember(&current, SIGINT) == 1;
}

}  // namespace

// A stop signal must reach the program's own threads, where its handler acts.
// Signal masks are POSIX's; Windows delivers Ctrl+C on a thread of its own.
TEST(Lifecycle, EngineThreadsLeaveStopSignalsToTheProgram) {
  std::uint16_t port = 0;
  int listener = PlainListen(port, 1);
  PLAX_ID id = 0;
  ASSERT_EQ(
      PLAX_OpenClient(
          id, "127.0.0.1", port,
          [](PLAX_ID) { stop_signals_blocked_on_reaper = StopSignalsBlockedHere(); },
          [](PLAX_ID) { stop_signals_blocked_on_worker = StopSignalsBlockedHere(); }, nullptr, 5),
      PLAX_GURU_NO_ERROR);
  ASSERT_TRUE(WaitUntil([] { return stop_signals_blocked_on_worker != -1; }));
  CloseWhenRunning(id);
  ASSERT_TRUE(WaitUntil([] { return stop_signals_blocked_on_reaper != -1; }));
  EXPECT_EQ(stop_signals_blocked_on_worker, 1);
  EXPECT_EQ(stop_signals_blocked_on_reaper, 1);
  EXPECT_EQ(StopSignalsBlockedHere(), 0) << "the caller's own mask must be left as it was";
  PlainClose(listener);
  ExpectAllReaped();
}
