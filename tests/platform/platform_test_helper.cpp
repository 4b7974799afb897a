// Child process for the platform tests: each mode exercises the console and
// key services the way a program started in that setting would.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "console_modes.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/keys.h"

namespace {

constexpr int SC_Q = 16;
constexpr int SC_Z = 44;

// Reports keys as they arrive; Escape (or a stop signal) ends the program.
int Mode_Keys() {
  struct NamedKey {
    int scancode;
    const char* line;
  };
  constexpr NamedKey REPORTED[] = {
      {SC_UP, "KEY UP"}, {SC_A, "KEY A"}, {SC_Q, "KEY Q"}, {SC_Z, "KEY Z"}};
  double deadline = TimerSeconds() + KEY_LOOP_SECONDS;
  bool ready = false;
  while (TimerSeconds() < deadline) {
    for (const NamedKey& key : REPORTED) {
      if (IsKeyDown(key.scancode)) PrintLine(key.line);
    }
    if (IsKeyDown(SC_ESCAPE)) {
      PrintLine("KEY ESCAPE");
      EndProgram(0);
    }
    if (!ready) PrintLine("READY");
    ready = true;
    SleepMs(10);
  }
  EndProgram(3);
}

// Looks at the keys once, then never again, like a program stuck elsewhere.
int Mode_Stuck() {
  IsKeyDown(SC_ESCAPE);
  PrintLine("READY");
  std::this_thread::sleep_for(std::chrono::seconds(30));
  return 3;
}

// Runs another mode the way nohup starts a program: hang-ups ignored.
int Mode_IgnoringHangUp(char* self, char* mode) {
  signal(SIGHUP, SIG_IGN);
  char* arguments[] = {self, mode, nullptr};
  execv(self, arguments);
  return 127;
}

// Started with descriptor 1 closed: where do stdout and a new file land?
int Mode_Descriptors(const char* path, const char* report_path) {
  int fd = open(path, O_RDONLY);
  struct stat out {
  }, null{};
  bool stdout_is_null = fstat(1, &out) == 0 && stat("/dev/null", &null) == 0 &&
                        out.st_rdev == null.st_rdev && S_ISCHR(out.st_mode);
  PrintLine("nobody reads this");
  std::FILE* report = std::fopen(report_path, "w");
  if (report == nullptr) return 1;
  std::fprintf(report, "fd=%d stdout_null=%d\n", fd, stdout_is_null ? 1 : 0);
  std::fclose(report);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Some tests end it with SIGQUIT; that must leave no core file behind.
  rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "print") return ConsoleMode_Print();
  if (mode == "nokeys") return ConsoleMode_NoKeys();
  if (mode == "keys") return Mode_Keys();
  if (mode == "waitkey") ConsoleMode_WaitKey();
  if (mode == "stuck") return Mode_Stuck();
  if (mode == "nohup" && argc > 2) return Mode_IgnoringHangUp(argv[0], argv[2]);
  if (mode == "descriptors" && argc > 3) return Mode_Descriptors(argv[2], argv[3]);
  std::fprintf(
      stderr,
      "usage: %s print|nokeys|keys|stuck|waitkey|nohup <mode>|descriptors <file> <report>\n",
      argv[0]);
  return 2;
}
