#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <fstream>
#include <string>

#include "bench_os.h"

int Raw_AcceptNoDelay(int listener) {
  int s = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  int on = 1;
  if (s >= 0) setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return s;
}

long Raw_Send(int socket, const char* data, std::size_t size) {
  return send(socket, data, size, MSG_NOSIGNAL);
}

long Raw_Receive(int socket, char* buffer, std::size_t size) {
  return recv(socket, buffer, size, 0);
}

long Process_VoluntarySwitches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw;
}

double Process_CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](timeval t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long Process_ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

void Process_RaiseDescriptorLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}
