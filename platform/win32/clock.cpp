// The clock and the pause on Windows.
#include <windows.h>

#include "pause.h"
#include "platform/clock.h"

namespace {

double Counter_Frequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart);
}

}  // namespace

double TimerSeconds() {
  static const double frequency = Counter_Frequency();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency;
}

// Sleep's steps are the system timer's: 15.6 ms unless the client has asked
// for 1 ms ones while its window is open.
void Pause_Ms(int milliseconds) {
  Sleep(static_cast<DWORD>(milliseconds));
}
