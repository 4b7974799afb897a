// Leaves a half-made record behind at exit; the engine's clean-up must still
// finish.
//   ready:        a record in the READY state with no worker thread, as a
//                 failed worker start once could.
//   failed-start: a record that an opening operation has linked but not yet
//                 filled when the clean-up begins; its worker start then fails
//                 while the reaper waits for the registry to empty.
// Usage: plax_unstarted_exit_helper ready|failed-start
#include <cstdio>
#include <cstring>
#include <thread>

#include "plax_internal.h"
#include "support/loopback.h"

namespace {

constexpr int kExitCode = 5;
// Ample time for the reaper to finish its pass and go to sleep.
constexpr int kReaperSettleMs = 200;

void OnDisconnected(PLAX_ID id) {
  std::printf("disconnected %u\n", id);
  std::fflush(stdout);
}

bool CleanUpBegun() {
  OsSemaphore_Take(PLAX_ReaperMutex);
  bool begun = PLAX_ShutdownFlag == 1;
  OsSemaphore_Release(PLAX_ReaperMutex);
  return begun;
}

// Finishes the opening of `record` once the clean-up runs, with a worker
// start that fails.
void FailStartDuringCleanUp(PLAX_Connection* record, int socket) {
  while (!CleanUpBegun()) OsThread_SleepMs(1);
  OsThread_SleepMs(kReaperSettleMs);
  PLAX_RecordFill fill;
  fill.socket = socket;
  fill.on_disconnected = OnDisconnected;
  OsThread_FailNextStarts(1);
  PLAX_ID id = 0;
  PLAX_FillAndStart(record, fill, id);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: plax_unstarted_exit_helper ready|failed-start\n");
    return 2;
  }
  PLAX_Connection* record = PLAX_NewConnection();
  if (std::strcmp(argv[1], "ready") == 0) {
    OsSemaphore_Take(PLAX_RegistryMutex);
    record->V_State = PLAX_STATE_READY;
    record->V_EventDisconnected = OnDisconnected;
    OsSemaphore_Release(PLAX_RegistryMutex);
  } else {
    int ends[2];
    if (!PlainConnectedPair(ends[0], ends[1])) return 1;
    std::thread(FailStartDuringCleanUp, record, ends[0]).detach();
  }
  std::printf("open\n");
  std::fflush(stdout);
  return kExitCode;
}
