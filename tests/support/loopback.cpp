#include "support/loopback.h"

bool PlainConnectedPair(int& first, int& second) {
  std::uint16_t port = 0;
  const int listener = PlainListen(port, 1);
  first = listener < 0 ? -1 : PlainConnect(port);
  second = first < 0 ? -1 : PlainAccept(listener);
  PlainClose(listener);
  if (second >= 0) return true;
  PlainClose(first);
  first = -1;
  return false;
}
