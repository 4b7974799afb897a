// What the benchmarks' plain sides need of the platform beyond the loopback
// harness: raw socket calls and the process's own figures.
// bench_os_posix.cpp and bench_os_win32.cpp hold them.
#pragma once

#include <cstddef>

// Accepts the next connection and sets it to send without waiting to fill
// segments, as the connecting side does; -1 when none comes.
int Raw_AcceptNoDelay(int listener);
// One send or receive call: the bytes moved, or 0 or less when the
// connection ended or failed.
long Raw_Send(int socket, const char* data, std::size_t size);
long Raw_Receive(int socket, char* buffer, std::size_t size);

// Voluntary context switches of every thread of this process; -1 where the
// platform does not count them.
long Process_VoluntarySwitches();
// User and system time of the whole process.
double Process_CpuSeconds();
// Resident memory; -1 where it cannot be read.
long Process_ResidentKilobytes();
// Lifts the descriptor limit to its hard value, where there is one.
void Process_RaiseDescriptorLimit();
