// Waiting with a deadline: the one way tests wait for what another thread or
// process does.
#pragma once

#include <chrono>
#include <functional>

// Checks `condition` every few milliseconds until it holds or `seconds` pass;
// true if it held.
bool WaitUntil(const std::function<bool()>& condition, double seconds = 10.0);

using Deadline = std::chrono::steady_clock::time_point;

Deadline Deadline_In(double seconds);
// Milliseconds left, 0 once the deadline has passed.
int Deadline_MsLeft(Deadline deadline);
