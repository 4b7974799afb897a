#include "jitter_link.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <queue>
#include <random>
#include <vector>

#include "support/child.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* PREFIX_LENGTH = "/24";
const char* const ADDRESSES[2] = {"10.232.0.1", "10.232.0.2"};
constexpr std::size_t PACKET_MAX = 65536;
constexpr double IP_SECONDS = 10.0;

struct Packet {
  Clock::time_point due;
  int to = 0;  // the tun descriptor it leaves by
  std::vector<char> bytes;
  bool operator>(const Packet& other) const { return due > other.due; }
};

std::string Ip(const std::vector<std::string>& arguments) {
  const ProgramResult run = RunProgram("ip", arguments, IP_SECONDS);
  return run.exit_code == 0 ? "" : "ip failed: " + run.output;
}

// A TUN device named `device` made inside host `name`: a thread of its own
// enters the host, since a device is born in its opener's network.
int Tun_OpenIn(const std::string& name, const std::string& device) {
  int tun = -1;
  std::thread([&] {
    const int host = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (host < 0 || setns(host, CLONE_NEWNET) != 0) return;
    close(host);
    tun = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, device.c_str(), IFNAMSIZ - 1);
    if (tun >= 0 && ioctl(tun, TUNSETIFF, &request) != 0) {
      close(tun);
      tun = -1;
    }
  }).join();
  return tun;
}

std::string Host_Make(JitterLink& link, int side) {
  const std::string& name = link.names[side];
  if (std::string why = Ip({"netns", "add", name}); !why.empty()) return why;
  const std::string device = "jl" + std::to_string(side);
  link.tun[side] = Tun_OpenIn(name, device);
  if (link.tun[side] < 0) return "no TUN device in " + name;
  for (const std::vector<std::string>& step :
       {std::vector<std::string>{"-n", name, "link", "set", "lo", "up"},
        {"-n", name, "address", "add", link.addresses[side] + PREFIX_LENGTH, "dev", device},
        {"-n", name, "link", "set", device, "up"}}) {
    if (std::string why = Ip(step); !why.empty()) return why;
  }
  return "";
}

// Reads what each host sends and writes it into the other once it is due.
void Carry(JitterLink& link, LinkShape shape) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> jitter(-shape.jitterSeconds, shape.jitterSeconds);
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::priority_queue<Packet, std::vector<Packet>, std::greater<>> waiting;
  std::vector<char> buffer(PACKET_MAX);
  while (!link.stop.load()) {
    const Clock::time_point now = Clock::now();
    while (!waiting.empty() && waiting.top().due <= now) {
      const Packet& packet = waiting.top();
      (void)!write(packet.to, packet.bytes.data(), packet.bytes.size());
      waiting.pop();
    }
    auto wait = std::chrono::nanoseconds(std::chrono::milliseconds(10));
    if (!waiting.empty()) wait = std::min(wait, waiting.top().due - now);
    const timespec span{0, static_cast<long>(std::max<long long>(0, wait.count()))};
    pollfd ready[2] = {{link.tun[0], POLLIN, 0}, {link.tun[1], POLLIN, 0}};
    if (ppoll(ready, 2, &span, nullptr) <= 0) continue;
    for (int side = 0; side < 2; ++side) {
      if ((ready[side].revents & POLLIN) == 0) continue;
      const ssize_t got = read(link.tun[side], buffer.data(), buffer.size());
      if (got <= 0 || chance(random) < shape.loss) continue;
      const double delay = shape.delaySeconds + jitter(random);
      waiting.push({Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(delay)),
                    link.tun[1 - side], std::vector<char>(buffer.begin(), buffer.begin() + got)});
    }
  }
}

}  // namespace

void JitterLink_Open(JitterLink& link, const LinkShape& shape) {
  const std::string run = std::to_string(getpid());
  for (int side = 0; side < 2; ++side) {
    link.names[side] = "jitter" + run + (side == 0 ? "a" : "b");
    link.addresses[side] = ADDRESSES[side];
  }
  for (int side = 0; side < 2 && link.failure.empty(); ++side) link.failure = Host_Make(link, side);
  if (link.failure.empty()) link.carrier = std::thread(Carry, std::ref(link), shape);
}

void JitterLink_Close(JitterLink& link) {
  link.stop = true;
  if (link.carrier.joinable()) link.carrier.join();
  for (int side = 0; side < 2; ++side) {
    if (link.tun[side] >= 0) close(link.tun[side]);
    if (!link.names[side].empty()) Ip({"netns", "delete", link.names[side]});
  }
}
