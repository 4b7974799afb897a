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
  bool waiting = false;  // asleep until woken: only then is a wake needed
};

// Never destroyed: engine threads may still print during process exit.
Printer& printer = *new Printer();

// Everything waiting goes out in one write, each line whole: a line break
// between lines, and PrintLine's after the last.
void Printer_Run() {
  std::unique_lock<std::mutex> lock(printer.mutex);
  std::string text;
  for (;;) {
    printer.waiting = true;
    printer.wake.wait(lock, [] { return !printer.lines.empty(); });
    printer.waiting = false;
    text.clear();
    for (const std::string& line : printer.lines) {
      if (!text.empty()) text += '\n';
      text += line;
    }
    printer.lines.clear();
    lock.unlock();
    PrintLine(text);
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
  if (times <= 0) return;  // waking the printer for nothing costs a wake-up
  {
    std::lock_guard<std::mutex> lock(printer.mutex);
    if (printer.running) {
      for (int i = 0; i < times && printer.lines.size() < MAX_WAITING_LINES; ++i) {
        printer.lines.emplace_back(line);
      }
      if (printer.waiting) printer.wake.notify_one();
      return;
    }
  }
  for (int i = 0; i < times; ++i) PrintLine(line);
}
