// Writing console lines to standard output, and the console's preparation
// before main(), on Windows.
//
// A write to a pipe whose reader has stopped reading blocks, and Windows has
// no way to ask whether it would: so one writer thread does every write, and
// a line waits for it at most a bounded time. Lines stay whole because only
// that thread writes, one line per write.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "console_output.h"
#include "platform/console.h"

namespace {

// Longest a line waits for a reader that has stopped taking output before it
// is left behind: a stalled console must not freeze the threads that print,
// nor the exit that waits for them. Once output has stalled, later lines are
// dropped until the stalled one has gone out.
constexpr auto STALLED_OUTPUT_WAIT = std::chrono::milliseconds(1000);

struct Output {
  std::mutex mutex;
  std::condition_variable written;  // a line went out (or failed)
  std::condition_variable queued;   // a line is waiting for the writer
  std::deque<std::string> lines;
  unsigned long long queued_count = 0;   // lines ever queued
  unsigned long long written_count = 0;  // lines the writer is done with
  bool writer_started = false;
  bool stalled = false;  // a line waited its whole time; cleared by the next write done
};

// Never destroyed: the writer may still be inside a write while the process
// exits, and must not find its state gone.
Output& Output_State() {
  static Output* output = new Output;
  return *output;
}

void Output_Write(const std::string& line) {
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  std::size_t done = 0;
  while (done < line.size()) {
    DWORD wrote = 0;
    if (!WriteFile(handle, line.data() + done, static_cast<DWORD>(line.size() - done), &wrote,
                   nullptr) ||
        wrote == 0) {
      return;  // a closed reader: the line is lost, the program goes on
    }
    done += wrote;
  }
}

void Output_Writer() {
  Output& output = Output_State();
  std::unique_lock lock(output.mutex);
  for (;;) {
    output.queued.wait(lock, [&] { return !output.lines.empty(); });
    std::string line = std::move(output.lines.front());
    output.lines.pop_front();
    lock.unlock();
    Output_Write(line);
    lock.lock();
    ++output.written_count;
    output.stalled = false;
    output.written.notify_all();
  }
}

}  // namespace

// Windows hands no closed standard handle to a later file or socket.
void ConsoleOutput_Prepare() {}

void ConsoleOutput_WriteLine(std::string line) {
  Output& output = Output_State();
  std::unique_lock lock(output.mutex);
  if (!output.writer_started) {
    std::thread(Output_Writer).detach();
    output.writer_started = true;
  }
  if (output.stalled) return;
  output.lines.push_back(std::move(line));
  const unsigned long long mine = ++output.queued_count;
  output.queued.notify_one();
  if (!output.written.wait_for(lock, STALLED_OUTPUT_WAIT,
                               [&] { return output.written_count >= mine; })) {
    output.stalled = true;
  }
}
