#include <string>

#include "platform/console.h"
#include "server.h"

void OnNewConnection(PLAX_ID, PLAX_Socket accepted, const char*) {
  PrintLine(LINE_NEW_CONNECTION);
  std::unique_lock<std::mutex> lock(serverState.slotMutex);
  if (!Slots_HasRoom(serverState)) {
    lock.unlock();
    // Left open, the socket would leak until accepting fails for everyone.
    PLAX_CloseSocket(accepted);
    return;
  }
  // The mutex stays held from adoption to the store, so a report that the new
  // worker receives at once waits for its slot instead of matching none.
  PLAX_ID id = 0;
  std::string peer_address;
  std::string local_address;
  // Only a failed start of the connection's thread fails an adoption, and the
  // engine has closed the socket then: a slot filled with nobody would be lost.
  if (PLAX_AdoptSocket(accepted, id, peer_address, OnPlayerDisconnected, OnPlayerAccepted,
                       OnPlayerData, local_address) == PLAX_GURU_NO_ERROR) {
    Slots_Store(serverState, id);
  }
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
