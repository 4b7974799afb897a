#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "plax_test_support.h"

int CountOpenDescriptors() {
  DIR* folder = opendir("/proc/self/fd");
  if (folder == nullptr) return -1;
  int count = 0;
  while (readdir(folder) != nullptr) ++count;
  closedir(folder);
  return count - 3;  // ".", ".." and the folder's own descriptor
}

bool HasNoDelay(PLAX_Socket socket) {
  int on = 0;
  socklen_t length = sizeof on;
  return getsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, &length) == 0 && on != 0;
}
