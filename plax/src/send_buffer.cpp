// The send buffer of an offered socket, set before the program adopts it.
#include <limits>

#include "os_socket.h"
#include "plax_internal.h"

PLAX_Result PLAX_SetSendBuffer(PLAX_Socket accepted, std::uint32_t bytes) {
  if (accepted == PLAX_INVALID_SOCKET) return PLAX_GURU_NO_SOCKET;
  constexpr std::uint32_t kLargest = std::numeric_limits<int>::max();
  const int asked = static_cast<int>(bytes < kLargest ? bytes : kLargest);
  return Sock_SetSendBuffer(accepted, asked) ? PLAX_GURU_NO_ERROR : PLAX_GURU_SEND_ERROR;
}
