// Clock and pauses.
#pragma once

// Seconds since a fixed point in the past, from a monotonic high-resolution
// clock. Only differences between two readings mean anything.
double TimerSeconds();

// 1 to 99: pause that many milliseconds. 100 and more: pause in steps of 50 ms
// and return early once a key has been pressed. 0 and below -1: return at
// once. -1: wait for a key, like WaitForKey.
void SleepMs(int milliseconds);
