#include "lan_console.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/console.h"

namespace {

struct Printer {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::string> lines;
  bool running = false;
};

// Never destroyed: engine threads may still print during process exit.
Printer& printer = *new Printer();

void Printer_Run() {
  std::unique_lock<std::mutex> lock(printer.mutex);
  for (;;) {
    printer.wake.wait(lock, [] { return !printer.lines.empty(); });
    const std::string line = std::move(printer.lines.front());
    printer.lines.pop_front();
    lock.unlock();
    PrintLine(line);
    lock.lock();
  }
}

}  // namespace

void LanConsole_Start() {
  std::lock_guard<std::mutex> lock(printer.mutex);
  if (printer.running) return;
  printer.running = true;
  std::thread(Printer_Run).detach();
}

void LanConsole_Print(std::string_view line, int times) {
  {
    std::lock_guard<std::mutex> lock(printer.mutex);
    if (printer.running) {
      for (int i = 0; i < times && printer.lines.size() < MAX_WAITING_LINES; ++i) {
        printer.lines.emplace_back(line);
      }
      printer.wake.notify_one();
      return;
    }
  }
  for (int i = 0; i < times; ++i) PrintLine(line);
}
