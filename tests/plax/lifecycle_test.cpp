// Start-up, the reaper and the clean-up at exit.
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "os_socket.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

std::uint16_t FreePort() {
  int probe = Sock_OpenTcp(false);
  Sock_BindAny(probe, 0);
  std::uint16_t port = Sock_LocalPort(probe);
  Sock_Close(probe);
  return port;
}

int CountLines(const std::string& text, const std::string& prefix) {
  std::istringstream lines(text);
  int count = 0;
  for (std::string line; std::getline(lines, line);) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

}  // namespace

TEST(Lifecycle, OpenConnectionsAreReportedWhenMainReturns) {
  ProgramResult run = RunProgram(PLAX_EXIT_HELPER, {std::to_string(FreePort()), "return"});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 3) << run.output;
  EXPECT_EQ(CountLines(run.output, "open"), 1) << run.output;
  EXPECT_EQ(CountLines(run.output, "disconnected "), 2) << run.output;
}

TEST(Lifecycle, OpenConnectionsAreReportedOnExit) {
  ProgramResult run = RunProgram(PLAX_EXIT_HELPER, {std::to_string(FreePort()), "exit"});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 4) << run.output;
  EXPECT_EQ(CountLines(run.output, "disconnected "), 2) << run.output;
}

TEST(Lifecycle, RecordWithoutWorkerDoesNotHoldUpTheExit) {
  ProgramResult run = RunProgram(PLAX_UNSTARTED_EXIT_HELPER, {"ready"});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 5) << run.output;
  EXPECT_EQ(CountLines(run.output, "disconnected 1"), 1) << run.output;
}

// The reaper sleeps while a record is being opened; the failed start that
// removes the record must wake it, or the exit never ends.
TEST(Lifecycle, WorkerStartFailingDuringTheCleanUpDoesNotHoldUpTheExit) {
  ProgramResult run = RunProgram(PLAX_UNSTARTED_EXIT_HELPER, {"failed-start"}, 10.0);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 5) << run.output;
  EXPECT_EQ(CountLines(run.output, "disconnected "), 0) << run.output;
}

TEST(Lifecycle, ReaperRunsAndTakesUpAClosedRecordQuickly) {
  LoopbackPair pair = ConnectToPlainPeer();
  ASSERT_TRUE(WaitUntil([&] { return RecordState(pair.id) == PLAX_STATE_RUNNING; }));
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(PLAX_Close(pair.id), PLAX_GURU_NO_ERROR);
  ASSERT_TRUE(WaitUntil([&] { return Rec_Count(EventKind::kDisconnected, pair.id) == 1; }));
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(took, 0.5);  // not the worker's 1-second wait
  PlainClose(pair.peer);
  ExpectAllReaped();
}

// The engine's mutexes: contended takes sleep and are woken, nothing gets in
// twice, and what one holder wrote is seen by the next (the thread sanitizer
// checks the last).
TEST(Semaphore, ContendedTakesExcludeEachOtherAndAllGetThrough) {
  OsSemaphore semaphore;
  long shared = 0;
  constexpr int kThreads = 4;
  constexpr int kRounds = 20000;
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < kRounds; ++i) {
        OsSemaphore_Take(semaphore);
        shared = shared + 1;
        OsSemaphore_Release(semaphore);
      }
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(shared, long{kThreads} * kRounds);
  // Released by a thread other than the taker, as the reaper's start does.
  OsSemaphore_Take(semaphore);
  std::thread releaser([&] { OsSemaphore_Release(semaphore); });
  OsSemaphore_Take(semaphore);
  releaser.join();
  OsSemaphore_Release(semaphore);
}
