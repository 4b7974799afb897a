// The address filter list of a listening record. Callers hold
// PLAX_RegistryMutex.
#include "intrusive_list.h"
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
  List_Append(connection->V_IPAFirst, connection->V_IPALast, entry);
  return true;
}

bool PLAX_IPARemove(PLAX_Connection* connection, const std::string& address) {
  PLAX_IPAEntry* entry = PLAX_IPAFind(connection, address);
  if (entry == nullptr) return false;
  List_Unlink(connection->V_IPAFirst, connection->V_IPALast, entry);
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
