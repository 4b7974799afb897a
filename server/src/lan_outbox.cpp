#include "lan_outbox.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "game/lan_messages.h"
#include "lan_console.h"
#include "server.h"

namespace {

constexpr std::int64_t NEVER = std::numeric_limits<std::int64_t>::max();

struct Outgoing {
  std::string bytes;
  bool told = false;  // prints "Send" once it went out
};

struct Outbox {
  std::mutex mutex;
  std::condition_variable wake;
  PLAX_ID receiver = 0;  // 0: the seat is free, the sender idle
  // A send to the seat is under way, by its sender or by a mover that found
  // the way clear: one at a time, so what goes out keeps the queue's order.
  bool sending = false;
  // The part of a mover's send that the platform did not take at once: it
  // goes first, with the "Send" lines of its messages still to print.
  std::string carry;
  int carryTold = 0;
  std::vector<Outgoing> queue;
  // Per mover, 1 + the index of its PlayerMoved still in the queue, or 0.
  std::array<std::size_t, LAN_SEATS> waitingMove{};
  std::int64_t lastSentMs = 0;
  // A Hello'd player is closed at this time unless heard again; NEVER for
  // the others, and once its close is asked for.
  std::int64_t silenceDeadlineMs = NEVER;
};

// Never destroyed: the senders run on during process exit.
std::array<Outbox, LAN_SEATS>& outboxes = *new std::array<Outbox, LAN_SEATS>();

Outbox& At(int seat) {
  return outboxes[static_cast<std::size_t>(seat - 1)];
}

void Queue(Outbox& box, std::string bytes, bool told) {
  box.queue.push_back(Outgoing{std::move(bytes), told});
  box.wake.notify_one();
}

// What one pass sends: everything waiting, in one send, or a KeepAlive.
struct Batch {
  PLAX_ID receiver = 0;
  std::string bytes;
  int told = 0;
};

bool Outbox_HasWork(const Outbox& box) {
  return box.receiver != 0 && !box.sending && (!box.queue.empty() || !box.carry.empty());
}

// Moves the carry and the queue into `batch` and marks the send under way.
void Outbox_Drain(Outbox& box, Batch& batch) {
  batch.receiver = box.receiver;
  batch.bytes += box.carry;
  batch.told += box.carryTold;
  box.carry.clear();
  box.carryTold = 0;
  for (Outgoing& outgoing : box.queue) {
    batch.bytes += outgoing.bytes;
    batch.told += outgoing.told ? 1 : 0;
  }
  box.queue.clear();
  box.waitingMove.fill(0);
  box.sending = true;
}

// Waits until there is something to send or a time-out is due; false when
// the pass has nothing to send. Called with the box's mutex held.
bool Outbox_Take(Outbox& box, std::unique_lock<std::mutex>& lock, Batch& batch) {
  if (!Outbox_HasWork(box)) {
    const std::int64_t keep_alive = box.receiver == 0 ? NEVER : box.lastSentMs + KEEP_ALIVE_MS;
    const std::int64_t due = std::min(keep_alive, box.silenceDeadlineMs);
    if (due == NEVER) {
      box.wake.wait(lock);
    } else {
      // On the clock LanClock_Ms reads, so that once the wait ends the
      // time is due: a wait that ended early would spin until it is.
      box.wake.wait_until(lock,
                          std::chrono::steady_clock::time_point(std::chrono::milliseconds(due)));
    }
  }
  if (box.receiver == 0) return false;
  const std::int64_t now = LanClock_Ms();
  batch.receiver = box.receiver;
  if (now >= box.silenceDeadlineMs) {
    box.silenceDeadlineMs = NEVER;
    lock.unlock();
    // The departure follows through the disconnected callback, as any.
    PLAX_Close(batch.receiver);
    lock.lock();
    return false;
  }
  // A mover's send under way ends within a system call, and updates the
  // time of the last send.
  if (box.sending) return false;
  if (box.queue.empty() && box.carry.empty()) {
    if (now < box.lastSentMs + KEEP_ALIVE_MS) return false;
    batch.bytes = BuildKeepAlive();
  }
  Outbox_Drain(box, batch);
  box.lastSentMs = now;
  return true;
}

// A failed send is the receiver's departure, told through its disconnected
// callback, never an error line: the engine closed it, or it had left.
void Sender_Run(int seat) {
  Outbox& box = At(seat);
  std::unique_lock<std::mutex> lock(box.mutex);
  for (;;) {
    Batch batch;
    if (!Outbox_Take(box, lock, batch)) continue;
    lock.unlock();
    std::uint32_t sent = 0;
    if (PLAX_Send(batch.receiver, batch.bytes, sent, "", 0) == PLAX_GURU_NO_ERROR) {
      LanConsole_Sent(batch.told);
    }
    lock.lock();
    box.sending = false;
    if (box.receiver == batch.receiver) box.lastSentMs = LanClock_Ms();
  }
}

// What a mover's send left behind goes first, through the sender. Called
// with the box's mutex held.
void Outbox_EndSendNow(Outbox& box, const Batch& batch, std::uint32_t sent) {
  box.sending = false;
  if (box.receiver == batch.receiver) {
    box.lastSentMs = LanClock_Ms();
    if (sent < batch.bytes.size()) {
      box.carry = batch.bytes.substr(sent);
      box.carryTold = batch.told;
    }
  }
  // Queued meanwhile, by movers that found the send under way or for the
  // seat's next player: the sender waited for this send to end.
  if (Outbox_HasWork(box)) box.wake.notify_one();
}

// The seat's next player starts from nothing, not even a part of a message.
void Outbox_Clear(Outbox& box) {
  box.queue.clear();
  box.carry.clear();
  box.carryTold = 0;
  box.waitingMove.fill(0);
  box.silenceDeadlineMs = NEVER;
}

}  // namespace

std::int64_t LanClock_Ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void LanOutbox_StartAll() {
  static std::once_flag started;
  std::call_once(started, [] {
    for (int seat = 1; seat <= LAN_SEATS; ++seat) std::thread(Sender_Run, seat).detach();
  });
}

void LanOutbox_Open(int seat, PLAX_ID receiver) {
  Outbox& box = At(seat);
  std::lock_guard<std::mutex> lock(box.mutex);
  box.receiver = receiver;
  Outbox_Clear(box);
  box.lastSentMs = LanClock_Ms();
  Queue(box, BuildWelcome(static_cast<std::int8_t>(seat)), false);
}

void LanOutbox_Shut(int seat) {
  Outbox& box = At(seat);
  std::lock_guard<std::mutex> lock(box.mutex);
  box.receiver = 0;
  Outbox_Clear(box);
  box.wake.notify_one();
}

void LanOutbox_QueueMove(int seat, int mover, std::int32_t x, std::int32_t y) {
  Outbox& box = At(seat);
  std::lock_guard<std::mutex> lock(box.mutex);
  std::string moved = BuildPlayerMoved(x, y, static_cast<std::int8_t>(mover));
  std::size_t& waiting = box.waitingMove[static_cast<std::size_t>(mover - 1)];
  if (waiting != 0) {
    box.queue[waiting - 1].bytes = std::move(moved);
    return;
  }
  // No wake: the caller flushes, and a sender that is sending looks again.
  box.queue.push_back(Outgoing{std::move(moved), true});
  waiting = box.queue.size();
}

void LanOutbox_Flush(int seat) {
  Outbox& box = At(seat);
  Batch batch;
  {
    std::lock_guard<std::mutex> lock(box.mutex);
    if (!Outbox_HasWork(box)) return;
    Outbox_Drain(box, batch);
  }
  std::uint32_t sent = 0;
  const PLAX_Result result = PLAX_SendNow(batch.receiver, batch.bytes, sent);
  if (result == PLAX_GURU_NO_ERROR && sent == batch.bytes.size()) {
    LanConsole_Sent(batch.told);
  }
  std::lock_guard<std::mutex> lock(box.mutex);
  // A failed send is the receiver's departure, as for the sender's own.
  Outbox_EndSendNow(box, batch, result == PLAX_GURU_NO_ERROR ? sent : 0);
}

void LanOutbox_QueueLeft(int seat, int mover) {
  Outbox& box = At(seat);
  std::lock_guard<std::mutex> lock(box.mutex);
  box.waitingMove[static_cast<std::size_t>(mover - 1)] = 0;
  Queue(box, BuildPlayerLeft(static_cast<std::int8_t>(mover)), true);
}

void LanOutbox_QueueMessage(int seat, std::string message) {
  Outbox& box = At(seat);
  std::lock_guard<std::mutex> lock(box.mutex);
  Queue(box, std::move(message), true);
}

void LanOutbox_Heard(int seat, std::int64_t heard_ms) {
  Outbox& box = At(seat);
  std::lock_guard<std::mutex> lock(box.mutex);
  // No wake: the sender's next wait, at most KEEP_ALIVE_MS away, sees it.
  box.silenceDeadlineMs = heard_ms + SILENCE_LIMIT_MS;
}
