// Uses the installed engine: a result text and a listener on a port the
// system chooses. Prints "ok" when both work.
#include <plax/plax.h>

#include <cstdio>

namespace {
void RefuseEveryone(PLAX_ID /*server_id*/, PLAX_Socket accepted, const char* /*peer*/) {
  PLAX_CloseSocket(accepted);
}
}  // namespace

int main() {
  if (PLAX_GURUText(PLAX_GURU_NO_ERROR).empty()) {
    std::fprintf(stderr, "no text for the success code\n");
    return 1;
  }
  PLAX_ID id = 0;
  const PLAX_Result opened = PLAX_OpenServer(id, 0, 4, RefuseEveryone, nullptr);
  if (opened != PLAX_GURU_NO_ERROR || id == 0) {
    std::fprintf(stderr, "cannot listen: %s\n", PLAX_GURUText(opened).c_str());
    return 1;
  }
  std::printf("ok\n");
  return 0;
}
