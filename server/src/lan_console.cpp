#include "lan_console.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/console.h"
#include "plax/plax.h"
#include "server.h"

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
std::atomic<bool> print_sends{false};

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

void LanConsole_PrintSends(bool verbose) {
  print_sends = verbose;
}

void LanConsole_Sent(int times) {
  if (print_sends) LanConsole_Print(LINE_SEND, times);
}

std::string LanConsole_GameLine(std::string_view game_name, std::uint16_t port) {
  std::string line = "LAN game \"" + std::string(game_name) + "\" on port " + std::to_string(port);
  std::vector<std::string> addresses;
  PLAX_ListLocalAddresses(addresses);
  if (addresses.empty())
    return line + ": no network found; players on this machine join with --join 127.0.0.1";
  const std::string port_option = port == SERVER_PORT ? "" : " --port " + std::to_string(port);
  line += ": join with";
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    line += (i == 0 ? " --join " : " or --join ") + addresses[i] + port_option;
  }
  return line;
}
