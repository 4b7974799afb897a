#include "support/netns.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

#include "support/child.h"

namespace {

// A link network no real one is likely to use; the hosts never route out of it anyway.
const char* const HOST_ADDRESSES[2] = {"10.231.0.1", "10.231.0.2"};
constexpr const char* PREFIX_LENGTH = "/24";
constexpr double IP_SECONDS = 10.0;
constexpr std::string_view NAME_PREFIX = "tg";

std::atomic<int> pairs_made{0};

// Runs `ip` with `arguments`; empty when it succeeded, else what it said.
std::string Ip(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"-c", "exec ip \"$@\" 2>&1", "ip"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const ProgramResult run = RunProgram("sh", command, IP_SECONDS);
  if (run.exit_code == 0) return "";
  std::string said = run.output.empty() ? "no output" : run.output;
  if (!said.empty() && said.back() == '\n') said.pop_back();
  return "ip " + arguments[0] + " " + arguments[1] + " failed (" + std::to_string(run.exit_code) +
         "): " + said;
}

// Hosts of test runs that were killed before they could remove them: their
// name's process is gone.
void HostPairs_RemoveAbandoned() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(NAME_PREFIX)) continue;
    const std::size_t from = NAME_PREFIX.size();
    const std::string pid = name.substr(from, name.find('n', from) - from);
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (!std::filesystem::exists("/proc/" + pid, error)) Ip({"netns", "delete", name});
  }
}

std::string HostPair_Build(HostPair& pair, const std::string& link_a, const std::string& link_b) {
  for (const std::string& name : pair.names) {
    if (std::string why = Ip({"netns", "add", name}); !why.empty()) return why;
  }
  if (std::string why = Ip({"link", "add", link_a, "netns", pair.names[0], "type", "veth", "peer",
                            "name", link_b, "netns", pair.names[1]});
      !why.empty()) {
    return why;
  }
  const std::string links[2] = {link_a, link_b};
  for (int host = 0; host < 2; ++host) {
    const std::string& name = pair.names[host];
    for (const std::vector<std::string>& step :
         {std::vector<std::string>{"-n", name, "link", "set", "lo", "up"},
          {"-n", name, "address", "add", pair.addresses[host] + PREFIX_LENGTH, "dev", links[host]},
          {"-n", name, "link", "set", links[host], "up"}}) {
      if (std::string why = Ip(step); !why.empty()) return why;
    }
  }
  return "";
}

}  // namespace

HostPair::HostPair() {
  if (!ProgramOnPath("ip")) {
    failure = "no `ip` program (install iproute2) to make the test's network namespaces";
    return;
  }
  HostPairs_RemoveAbandoned();
  // The process ID keeps test runs apart, the count the pairs of one run.
  const std::string tag = std::to_string(getpid()) + "n" + std::to_string(pairs_made++);
  for (int host = 0; host < 2; ++host) {
    names[host] = std::string(NAME_PREFIX) + tag + (host == 0 ? "a" : "b");
    addresses[host] = HOST_ADDRESSES[host];
  }
  const std::string link = std::string(NAME_PREFIX) + "v" + tag;
  failure = HostPair_Build(*this, link + "a", link + "b");
  if (!failure.empty()) failure = "cannot make two network namespaces (root needed): " + failure;
}

HostPair::~HostPair() {
  // Deleting a namespace takes its end of the link, and with it the other end.
  for (const std::string& name : names) {
    if (!name.empty()) Ip({"netns", "delete", name});
  }
}

int NetNs_Connect(const std::string& name, const std::string& address, std::uint16_t port) {
  int connected = -1;
  // A thread of its own joins the namespace, so the test's threads stay where they are.
  std::thread inside([&] {
    const int host = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (host < 0) return;
    const bool joined = setns(host, CLONE_NEWNET) == 0;
    close(host);
    if (!joined) return;
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    if (socket < 0 || inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1 ||
        connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
      if (socket >= 0) close(socket);
      return;
    }
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connected = socket;
  });
  inside.join();
  return connected;
}
