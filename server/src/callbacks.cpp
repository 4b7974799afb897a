#include <string>

#include "platform/console.h"
#include "server.h"

int Server_Admit(PLAX_Socket accepted, const Admission& admission,
                 std::unique_lock<std::mutex>& lock) {
  PrintLine(LINE_NEW_CONNECTION);
  lock = std::unique_lock<std::mutex>(serverState.slotMutex);
  if (!admission.hasRoom(serverState)) {
    lock.unlock();
    // Left open, the socket would leak until accepting fails for everyone.
    PLAX_CloseSocket(accepted);
    return 0;
  }
  // The mutex stays held from adoption to the store, so a report that the new
  // worker receives at once waits for its slot instead of matching none.
  PLAX_ID id = 0;
  std::string peer_address;
  std::string local_address;
  // Only a failed start of the connection's thread fails an adoption, and the
  // engine has closed the socket then: a slot filled with nobody would be lost.
  if (PLAX_AdoptSocket(accepted, id, peer_address, admission.onDisconnected, OnPlayerAccepted,
                       admission.onData, local_address) != PLAX_GURU_NO_ERROR) {
    return 0;
  }
  return admission.seat(serverState, id);
}

void OnNewConnection(PLAX_ID, PLAX_Socket accepted, const char*) {
  static constexpr Admission DEFAULT_GAME{Slots_HasRoom, Slots_Store, OnPlayerDisconnected,
                                          OnPlayerData};
  std::unique_lock<std::mutex> lock;
  Server_Admit(accepted, DEFAULT_GAME, lock);
}

void OnConnectionRefused(PLAX_ID, const char*) {
  PrintLine(LINE_CONNECTION_REFUSED);
}

void OnPlayerAccepted(PLAX_ID) {
  PrintLine(LINE_PLAYER_ACCEPTED);
}

// The slot stays filled: the server admits four players over its whole run.
void OnPlayerDisconnected(PLAX_ID) {
  PrintLine(LINE_PLAYER_DISCONNECTED);
}

void OnPlayerData(PLAX_ID id, const PLAX_Bytes& chunk) {
  HandlePosition(chunk, id);
}
