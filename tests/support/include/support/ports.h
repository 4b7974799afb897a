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

// The rows of /proc/net/tcp and /proc/net/tcp6.
std::vector<TcpRow> TcpTable_Read();
// True while something listens on TCP `port` of this machine; with a
// `holder`, only a socket that process holds counts (other programs may use
// the port too).
bool PortListening(int port, pid_t holder = 0);
