// Engine start-up and clean-up, and the reaper thread that tears down closed
// records and reports each disconnection.
#include <vector>

#include "os_socket.h"
#include "plax_internal.h"

OsSemaphore PLAX_ReaperMutex;
OsThread PLAX_ReaperThread;
std::uint8_t PLAX_ShutdownFlag = 0;

namespace {

// Signalled whenever a record reaches PLAX_STATE_CLOSED and when the clean-up
// begins, so that an idle reaper sleeps instead of polling.
OsWakeup g_reaper_wakeup;

struct Teardown {
  PLAX_Connection* record = nullptr;
  OsThread thread;
  PLAX_ID id = 0;
  PLAX_EventDisconnected on_disconnected = nullptr;
};

PLAX_Connection* FindClosedLocked() {
  for (PLAX_Connection* c = PLAX_Registry.V_First; c != nullptr; c = c->V_Next) {
    if (c->V_State == PLAX_STATE_CLOSED) return c;
  }
  return nullptr;
}

// Tears down every closed record. The walk restarts from the head after each
// teardown because the registry may change while the mutex is released.
void ReapClosed() {
  OsSemaphore_Take(PLAX_RegistryMutex);
  while (PLAX_Connection* record = FindClosedLocked()) {
    Teardown t{record, record->V_Thread, record->V_ID, record->V_EventDisconnected};
    record->V_State = PLAX_STATE_REAPING;
    record->V_Thread = OsThread{};
    OsSemaphore_Release(PLAX_RegistryMutex);
    OsThread_Join(t.thread);
    if (t.on_disconnected != nullptr) t.on_disconnected(t.id);
    PLAX_DeleteConnection(t.record);
    OsSemaphore_Take(PLAX_RegistryMutex);
  }
}

// Closes every record that is open or about to run; the caller holds the
// registry mutex. Returns the links to shut down once it is released.
std::vector<std::shared_ptr<PLAX_SocketLink>> MarkAllClosedLocked() {
  std::vector<std::shared_ptr<PLAX_SocketLink>> links;
  for (PLAX_Connection* c = PLAX_Registry.V_First; c != nullptr; c = c->V_Next) {
    bool live = c->V_State == PLAX_STATE_READY || c->V_State == PLAX_STATE_RUNNING;
    if (live) links.push_back(PLAX_MarkClosed(*c));
  }
  return links;
}

}  // namespace

void PLAX_WakeReaper() {
  OsWakeup_Signal(g_reaper_wakeup);
}

void PLAX_Reaper(std::uint32_t /*unused*/) {
  OsSemaphore_Release(PLAX_ReaperMutex);  // tells the start-up that it runs
  for (;;) {
    ReapClosed();  // returns with the registry mutex held
    OsSemaphore_Take(PLAX_ReaperMutex);
    bool done = PLAX_ShutdownFlag == 1 && PLAX_Registry.V_First == nullptr;
    OsSemaphore_Release(PLAX_ReaperMutex);
    OsSemaphore_Release(PLAX_RegistryMutex);
    if (done) return;
    OsWakeup_Wait(g_reaper_wakeup);
  }
}

void PLAX_Startup() {
  OsSemaphore_Take(PLAX_ReaperMutex);
  if (OsThread_Start(PLAX_ReaperThread, PLAX_Reaper, 0, PLAX_WORKER_STACK_SIZE)) {
    OsSemaphore_Take(PLAX_ReaperMutex);  // waits until the reaper has released it
  }
  OsSemaphore_Release(PLAX_ReaperMutex);
  Sock_Startup();
}

// Runs during normal exit. Every connection still open is closed, including
// one whose worker has not begun serving it, so the reaper can always finish.
void PLAX_Shutdown() {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Registry.V_ClosingAll = true;
  std::vector<std::shared_ptr<PLAX_SocketLink>> links = MarkAllClosedLocked();
  OsSemaphore_Release(PLAX_RegistryMutex);
  for (const auto& link : links) PLAX_FinishClose(link);

  OsSemaphore_Take(PLAX_ReaperMutex);
  PLAX_ShutdownFlag = 1;
  OsSemaphore_Release(PLAX_ReaperMutex);
  PLAX_WakeReaper();
  OsThread_Join(PLAX_ReaperThread);
  PLAX_HostCacheClear();
  // Only now, after every connection was shut down in order and torn down:
  // releasing the sockets library earlier would reset the connections still
  // open and drop what they had not yet sent.
  Sock_Cleanup();
}
