// The OS's own pause, under SleepMs.
#pragma once

// Suspends the calling thread for about that many milliseconds (1 or more).
void Pause_Ms(int milliseconds);
