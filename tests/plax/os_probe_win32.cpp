#include <winsock2.h>

#include "plax_test_support.h"

int CountOpenDescriptors() {
  DWORD handles = 0;
  return GetProcessHandleCount(GetCurrentProcess(), &handles) ? static_cast<int>(handles) : -1;
}

bool HasNoDelay(PLAX_Socket socket) {
  BOOL on = FALSE;
  int length = sizeof on;
  return getsockopt(static_cast<SOCKET>(static_cast<unsigned int>(socket)), IPPROTO_TCP,
                    TCP_NODELAY, reinterpret_cast<char*>(&on), &length) == 0 &&
         on != FALSE;
}
