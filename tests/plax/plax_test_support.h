// Shared helpers of the engine tests: a recorder for every callback, the
// engine's records and descriptor counts; loopback sockets, waiting and
// child programs come from the support library.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plax/plax.h"
#include "support/child.h"
#include "support/loopback.h"
#include "support/wait.h"

enum class EventKind { kConnected, kData, kDisconnected, kNewConnection, kRefused, kDatagram };

struct RecordedEvent {
  EventKind kind = EventKind::kConnected;
  PLAX_ID id = 0;
  std::string data;
  std::string address;
  PLAX_Socket socket = PLAX_INVALID_SOCKET;
  PLAX_ID adopted = 0;  // kNewConnection through Rec_AdoptNewConnection
};

// Callbacks that record what they are given. The record is emptied before
// each test.
void Rec_OnConnected(PLAX_ID id);
void Rec_OnData(PLAX_ID id, const PLAX_Bytes& data);
void Rec_OnDisconnected(PLAX_ID id);
void Rec_OnRefused(PLAX_ID server_id, const char* peer_address);
void Rec_OnDatagram(PLAX_ID id, const char* sender, const PLAX_Bytes& data);
// Records the offer and keeps the socket for the test to deal with.
void Rec_KeepNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address);
// Records the offer and adopts the socket with the recording callbacks.
void Rec_AdoptNewConnection(PLAX_ID server_id, PLAX_Socket accepted, const char* peer_address);

std::vector<RecordedEvent> Rec_Events();
std::vector<RecordedEvent> Rec_EventsOf(PLAX_ID id);
int Rec_Count(EventKind kind, PLAX_ID id);
// Every byte delivered by data callbacks of `id`, in order.
std::string Rec_Received(PLAX_ID id);
// The connection adopted for the n-th offer (0-based), after waiting for it.
PLAX_ID Rec_WaitAdopted(std::size_t n);

// True if the socket sends without waiting to fill a segment. This and
// CountOpenDescriptors are in os_probe_posix.cpp / os_probe_win32.cpp.
bool HasNoDelay(PLAX_Socket socket);
PLAX_Socket RecordSocket(PLAX_ID id);

// Descriptors (Linux) or handles (Windows) the process holds: a leak check.
int CountOpenDescriptors();
// A record's state, or -1 when the ID names no record.
std::int32_t RecordState(PLAX_ID id);
// The port a record's socket is bound to.
std::uint16_t RecordPort(PLAX_ID id);
bool WaitRegistryEmpty(double seconds = 10.0);
// PLAX_Close leaves a record alone until its worker serves it: waits for
// that, then closes.
void CloseWhenRunning(PLAX_ID id);

// A listening record on a port the system chooses, adopting every offer.
PLAX_ID OpenAdoptingServer(std::uint16_t& port);

// An engine client connection to a plain listener, and the plain end of it.
struct LoopbackPair {
  PLAX_ID id = 0;
  int peer = -1;
};
// `peer_receive_buffer` (bytes, 0: the system's): set before the connection,
// so that the peer's window is that small from the start.
LoopbackPair ConnectToPlainPeer(int peer_receive_buffer = 0);

// Fails the test at its end if engine records are left over.
void ExpectAllReaped();
