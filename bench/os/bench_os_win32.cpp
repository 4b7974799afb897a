#include <winsock2.h>
// After winsock2.h, which must come before windows.h.
#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <climits>

#include "bench_os.h"

namespace {

SOCKET AsSocket(int socket) {
  return static_cast<SOCKET>(static_cast<unsigned int>(socket));
}

int CallSize(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

double Seconds(FILETIME time) {
  ULARGE_INTEGER ticks{};
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  return static_cast<double>(ticks.QuadPart) / 1e7;  // 100-ns ticks
}

}  // namespace

int Raw_AcceptNoDelay(int listener) {
  SOCKET s = accept(AsSocket(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return -1;
  BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return static_cast<int>(s);
}

long Raw_Send(int socket, const char* data, std::size_t size) {
  return send(AsSocket(socket), data, CallSize(size), 0);
}

long Raw_Receive(int socket, char* buffer, std::size_t size) {
  return recv(AsSocket(socket), buffer, CallSize(size), 0);
}

long Process_VoluntarySwitches() {
  return -1;
}

double Process_CpuSeconds() {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0.0;
  return Seconds(kernel) + Seconds(user);
}

long Process_ResidentKilobytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.WorkingSetSize / 1024);
}

void Process_RaiseDescriptorLimit() {}
