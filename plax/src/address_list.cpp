// The address filter list of a listening record. Callers hold
// PLAX_RegistryMutex.
#include "plax_internal.h"

PLAX_IPAEntry* PLAX_IPAFind(PLAX_Connection* connection, const std::string& address) {
  if (connection == nullptr) return nullptr;
  for (PLAX_IPAEntry* e = connection->V_IPAFirst; e != nullptr; e = e->V_Next) {
    if (e->V_IPA == address) return e;
  }
  return nullptr;
}

bool PLAX_IPAAdd(PLAX_Connection* connection, const std::string& address) {
  if (connection == nullptr || PLAX_IPAFind(connection, address) != nullptr) return false;
  auto* entry = new PLAX_IPAEntry{};
  entry->V_IPA = address;
  entry->V_Prev = connection->V_IPALast;
  if (connection->V_IPALast != nullptr) connection->V_IPALast->V_Next = entry;
  if (connection->V_IPAFirst == nullptr) connection->V_IPAFirst = entry;
  connection->V_IPALast = entry;
  return true;
}

bool PLAX_IPARemove(PLAX_Connection* connection, const std::string& address) {
  PLAX_IPAEntry* entry = PLAX_IPAFind(connection, address);
  if (entry == nullptr) return false;
  if (connection->V_IPAFirst == entry) connection->V_IPAFirst = entry->V_Next;
  if (connection->V_IPALast == entry) connection->V_IPALast = entry->V_Prev;
  if (entry->V_Prev != nullptr) entry->V_Prev->V_Next = entry->V_Next;
  if (entry->V_Next != nullptr) entry->V_Next->V_Prev = entry->V_Prev;
  delete entry;
  return true;
}

void PLAX_IPAClear(PLAX_Connection* connection) {
  if (connection == nullptr) return;
  PLAX_IPAEntry* entry = connection->V_IPAFirst;
  while (entry != nullptr) {
    PLAX_IPAEntry* next = entry->V_Next;
    delete entry;
    entry = next;
  }
  connection->V_IPAFirst = nullptr;
  connection->V_IPALast = nullptr;
}
