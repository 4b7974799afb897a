#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/keys.h"
#include "test_helpers.h"

namespace {

#ifdef __SANITIZE_THREAD__
// The thread sanitizer's runtime defers signals to a safe point and, rarely,
// drops one that arrives at an unlucky moment; there the test sends again.
constexpr int SIGNAL_SENDS = 5;
#else
constexpr int SIGNAL_SENDS = 1;
#endif
constexpr double SIGNAL_SEND_INTERVAL_SECONDS = 3.0;

// Sends the signal until `seen(seconds)` reports its effect within that time.
template <typename Seen>
bool Signal_SendUntil(pid_t pid, int signal_number, Seen seen) {
  for (int send = 1; send <= SIGNAL_SENDS; ++send) {
    kill(pid, signal_number);
    if (seen(send < SIGNAL_SENDS ? SIGNAL_SEND_INTERVAL_SECONDS : 20.0)) return true;
  }
  return false;
}

bool Child_Exited(pid_t pid, double seconds) {
  for (double waited = 0;; waited += 0.01) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid) {
      return true;
    }
    if (waited >= seconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Waits until the process has taken all its pending signals, so the next one
// is not merged with them.
bool Signals_Taken(pid_t pid) {
  for (int i = 0; i < 2000; ++i) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    int pending = 0;
    while (std::getline(status, line)) {
      if (line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0) {
        pending += std::stoull(line.substr(7), nullptr, 16) != 0;
      }
    }
    if (pending == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(Console, LinesFromEightThreadsStayWholeInAPipe) {
  Child child = Child_Start({"print"}, ChildInput::DevNull);
  Child_ReadToEnd(child);
  ASSERT_EQ(Child_Finish(child), 0);
  std::map<int, int> next_per_thread;
  std::istringstream lines(child.seen);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    int thread = -1, number = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "line %d %d", &thread, &number), 2) << line;
    ASSERT_TRUE(thread >= 0 && thread < 8) << line;
    std::string whole = "line " + std::to_string(thread) + " " + std::to_string(number) + " " +
                        std::string(100, static_cast<char>('a' + thread)) + " end";
    ASSERT_EQ(line, whole) << "torn line";
    EXPECT_EQ(number, next_per_thread[thread]++) << "lines lost or reordered";
    ++count;
  }
  EXPECT_EQ(count, 8 * 300);
}

TEST(Console, AReaderThatGoesAwayDoesNotKillThePrinter) {
  Child child = Child_Start({"print"}, ChildInput::DevNull);
  ASSERT_TRUE(Child_WaitFor(child, "\n"));
  close(child.output);
  child.output = -1;
  EXPECT_EQ(Child_Finish(child), 0) << "ended by a signal instead of finishing its lines";
}

TEST(Console, AReaderThatStopsReadingDoesNotFreezeThePrinter) {
  Child child = Child_Start({"print"}, ChildInput::DevNull);
  // Far more lines than a pipe holds, and nobody reads them.
  EXPECT_EQ(Child_Wait(child, 15.0), 0) << "printing blocked on a stalled reader";
  Child_Finish(child);
}

TEST(Console, WithoutATerminalNoKeyIsDownAndWaitingReturnsAtOnce) {
  for (ChildInput input : {ChildInput::DevNull, ChildInput::OpenPipe}) {
    Child child = Child_Start({"nokeys"}, input);
    ASSERT_TRUE(Child_WaitFor(child, "\n"));
    EXPECT_EQ(Child_Finish(child), 0);
    int down = -1, waited_ms = -1;
    ASSERT_EQ(std::sscanf(child.seen.c_str(), "down=%d waited_ms=%d", &down, &waited_ms), 2)
        << child.seen;
    EXPECT_EQ(down, 0);
    EXPECT_LT(waited_ms, 1000) << "a program without a keyboard must not wait for one";
  }
}

TEST(Console, StopSignalsCountAsEscapeAndEndWithCodeZero) {
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    Child child = Child_Start({"keys"}, ChildInput::DevNull);
    ASSERT_TRUE(Child_WaitFor(child, "READY"));
    EXPECT_TRUE(Signal_SendUntil(child.pid, signal_number, [&](double seconds) {
      return Child_WaitFor(child, "KEY ESCAPE", seconds);
    })) << child.seen;
    EXPECT_EQ(Child_Finish(child), 0);
  }
}

TEST(Console, AHangUpIgnoredAtStartStaysIgnored) {
  Child child = Child_Start({"nohup", "keys"}, ChildInput::DevNull);
  ASSERT_TRUE(Child_WaitFor(child, "READY"));
  kill(child.pid, SIGHUP);
  ASSERT_TRUE(Signals_Taken(child.pid));
  EXPECT_FALSE(Child_WaitFor(child, "KEY ESCAPE", 0.3)) << "a hang-up under nohup ended it";
  EXPECT_TRUE(Signal_SendUntil(child.pid, SIGTERM, [&](double seconds) {
    return Child_WaitFor(child, "KEY ESCAPE", seconds);
  })) << child.seen;
  EXPECT_EQ(Child_Finish(child), 0);
}

TEST(Console, AClosedStandardOutputIsNotHandedToTheNextFile) {
  TempDir dir;
  Child child = Child_Start({"descriptors", PLATFORM_TEST_HELPER, dir.File("report")},
                            ChildInput::DevNull, /*close_stdout=*/true);
  EXPECT_EQ(Child_Finish(child), 0);
  std::string report = File_Read(dir.File("report"));
  int fd = -1, stdout_is_null = -1;
  ASSERT_EQ(std::sscanf(report.c_str(), "fd=%d stdout_null=%d", &fd, &stdout_is_null), 2) << report;
  EXPECT_GT(fd, 2);
  EXPECT_EQ(stdout_is_null, 1);
}

struct TerminalTest : ::testing::Test {
  Child child;

  void Start(const char* mode, const char* ready) {
    child = Child_Start({mode}, ChildInput::Terminal);
    ASSERT_NE(child.terminal_modes & ICANON, 0u);
    ASSERT_TRUE(Child_WaitFor(child, ready)) << child.seen;
  }
  void TearDown() override {
    Child_Finish(child, 0);
    if (child.terminal_side >= 0) close(child.terminal_side);
  }
  void ExpectSettingsRestored() {
    termios after{};
    ASSERT_EQ(tcgetattr(child.terminal_side, &after), 0);
    EXPECT_EQ(after.c_lflag, child.terminal_modes);
  }
};

// Keys as a terminal sends them, in pieces written apart; each is followed,
// after longer than a lone ESC is waited on, by a "z" that tells the test it
// has been read.
struct TypedKey {
  const char* name;
  std::vector<std::string> pieces;
  int pause_ms;
  const char* lines;  // what the program reports for it
};

TEST_F(TerminalTest, OnlyALoneEscIsEscapeAltKeysAndSequencesAreNot) {
  Start("keys", "READY");
  termios during{};
  ASSERT_EQ(tcgetattr(child.terminal_side, &during), 0);
  EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u) << "keys arrive one at a time, unechoed";
  const TypedKey typed[] = {
      {"letter", {"a"}, 0, "KEY A\r\n"},
      {"Alt+q", {"\x1bq"}, 0, ""},
      {"Alt+Escape", {"\x1b\x1b"}, 0, ""},
      {"up", {"\x1b[A"}, 0, "KEY UP\r\n"},
      {"up, application mode", {"\x1bOA"}, 0, "KEY UP\r\n"},
      {"Alt+up", {"\x1b\x1b[A"}, 0, ""},
      {"F5", {"\x1b[15~"}, 0, ""},
      {"F1", {"\x1bOP"}, 0, ""},
      {"up in three reads", {"\x1b", "[", "A"}, 10, "KEY UP\r\n"},
      {"up, its end after the wait", {"\x1b[", "A"}, 150, "KEY UP\r\n"},
  };
  for (const TypedKey& key : typed) {
    SCOPED_TRACE(key.name);
    child.seen.clear();
    for (std::size_t i = 0; i < key.pieces.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(key.pause_ms));
      Child_Send(child, key.pieces[i]);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Child_Send(child, "z");
    ASSERT_TRUE(Child_WaitFor(child, "KEY Z\r\n", 5.0)) << child.seen;
    EXPECT_EQ(child.seen, std::string(key.lines) + "KEY Z\r\n");
  }
  Child_Send(child, "\x1b");
  EXPECT_TRUE(Child_WaitFor(child, "KEY ESCAPE")) << child.seen;
  EXPECT_EQ(Child_Wait(child), 0);
  ExpectSettingsRestored();
}

TEST_F(TerminalTest, CtrlCOnTheTerminalEndsLikeEscape) {
  Start("keys", "READY");
  Child_Send(child, "\x03");
  EXPECT_TRUE(Child_WaitFor(child, "KEY ESCAPE")) << child.seen;
  EXPECT_EQ(Child_Wait(child), 0);
  ExpectSettingsRestored();
}

TEST_F(TerminalTest, WaitForKeyWaitsForAWholePressAndLeavesItInTheInput) {
  Start("waitkey", "WAITING");
  EXPECT_FALSE(Child_WaitFor(child, "GOT KEY", 0.3)) << "returned without a key";
  Child_Send(child, "\x1b[1");
  EXPECT_FALSE(Child_WaitFor(child, "GOT KEY", 0.3)) << "the start of a sequence is no key yet";
  Child_Send(child, "5~a");
  ASSERT_TRUE(Child_WaitFor(child, "A STILL THERE")) << child.seen;
  EXPECT_EQ(Child_Wait(child), 0);
  ExpectSettingsRestored();
}

TEST_F(TerminalTest, ASecondStopSignalEndsAProgramThatStoppedLooking) {
  Start("stuck", "READY");
  kill(child.pid, SIGTERM);
  ASSERT_TRUE(Signals_Taken(child.pid));
  EXPECT_FALSE(Child_Exited(child.pid, 0)) << "one signal only asks the program";
  EXPECT_TRUE(Signal_SendUntil(child.pid, SIGTERM,
                               [&](double seconds) { return Child_Exited(child.pid, seconds); }));
  EXPECT_EQ(Child_Wait(child), -1000 - SIGTERM);
  ExpectSettingsRestored();
}

TEST_F(TerminalTest, AKilledProgramStillRestoresTheTerminal) {
  Start("keys", "READY");
  kill(child.pid, SIGQUIT);
  EXPECT_EQ(Child_Wait(child), -1000 - SIGQUIT);
  ExpectSettingsRestored();
}

}  // namespace
