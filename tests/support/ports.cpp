#include "support/ports.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool ProcessHoldsSocket(pid_t pid, unsigned long inode) {
  const std::string wanted = "socket:[" + std::to_string(inode) + "]";
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code link_error;
    if (std::filesystem::read_symlink(entry.path(), link_error).string() == wanted) return true;
  }
  return false;
}

}  // namespace

std::vector<TcpRow> TcpTable_Read(pid_t seen_by) {
  std::vector<TcpRow> rows;
  const std::string folder =
      seen_by > 0 ? "/proc/" + std::to_string(seen_by) + "/net/" : "/proc/net/";
  for (const char* name : {"tcp", "tcp6"}) {
    std::ifstream table(folder + name);
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
      TcpRow row;
      unsigned long transmit_queue = 0;
      if (std::sscanf(line.c_str(),
                      " %*d: %*[0-9A-Fa-f]:%X %*[0-9A-Fa-f]:%X %X %lX:%lX %*X:%*X %*X %*u %*u %lu",
                      &row.local_port, &row.remote_port, &row.state, &transmit_queue,
                      &row.receive_queue, &row.inode) == 6) {
        rows.push_back(row);
      }
    }
  }
  return rows;
}

bool PortListening(int port, pid_t holder) {
  for (const TcpRow& row : TcpTable_Read(holder)) {
    if (row.local_port != static_cast<unsigned>(port) || row.state != TCP_STATE_LISTEN) continue;
    if (holder <= 0 || ProcessHoldsSocket(holder, row.inode)) return true;
  }
  return false;
}
