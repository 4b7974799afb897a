// What the machine's TCP table says about ports, read from /proc so that no
// connection is made to find out.
#pragma once

#include <sys/types.h>

#include <vector>

struct TcpRow {
  unsigned local_port = 0;
  unsigned remote_port = 0;
  unsigned state = 0;
  unsigned long receive_queue = 0;  // bytes the socket's owner has not read yet
  unsigned long inode = 0;
};

inline constexpr unsigned TCP_STATE_LISTEN = 0x0A;

// The rows of /proc/net/tcp and /proc/net/tcp6: of the test's own network
// namespace, or with `seen_by` of that process's (which may be another).
std::vector<TcpRow> TcpTable_Read(pid_t seen_by = 0);
// True while something listens on TCP `port` of this machine; with a
// `holder`, only a socket that process holds counts (other programs may use
// the port too), in whichever network namespace it runs.
bool PortListening(int port, pid_t holder = 0);
