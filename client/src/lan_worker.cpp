#include "lan_worker.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "game/lan_messages.h"
#include "game/lan_search.h"
#include "game/texts.h"
#include "game_list.h"
#include "lan_network.h"
#include "platform/clock.h"

namespace {

// How long LanWorker_Stop waits for the thread to finish its job.
constexpr auto STOP_WAIT = std::chrono::milliseconds(200);

// What the frame asked for, and what happened since it last looked.
// `mutex` guards all of it; the frame thread takes no other lock here.
struct Requests {
  bool search = false;
  std::uint16_t searchPort = 0;
  bool connect = false;
  std::string host;
  std::uint16_t port = 0;
  int timeout = LAN_FIRST_CONNECT_SECONDS;
  bool close = false;
  std::string control;  // Hello and KeepAlive bytes, sent before the report
  bool reportWaiting = false;
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool open = false;  // a connection is current: sending makes sense
  bool stop = false;
  bool stopped = false;
  LanLinkInput seen;
};

// `idMutex` is held across opening a connection, so that the new
// connection's first callbacks find it current; callbacks take it before
// `mutex`, never the other way round.
struct Worker {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended;
  Requests requests;
  std::mutex idMutex;
  PLAX_ID current = 0;
  Image* const* images = nullptr;
};

// Never destroyed: engine threads may call in during the process's exit.
Worker& worker = *new Worker;

enum class Job { None, Stop, Close, Connect, Search, Send };

bool Requests_HaveWork(const Requests& r) {
  const bool sending = r.open && (!r.control.empty() || r.reportWaiting);
  return r.stop || r.close || r.connect || r.search || sending;
}

Job Requests_Next(const Requests& r) {
  if (r.stop) return Job::Stop;
  if (r.close) return Job::Close;
  if (r.connect) return Job::Connect;
  if (r.search) return Job::Search;
  return Job::Send;
}

// The current connection ends here: its later callbacks are ignored.
PLAX_ID Worker_Forget() {
  std::lock_guard<std::mutex> id_lock(worker.idMutex);
  const PLAX_ID id = worker.current;
  worker.current = 0;
  return id;
}

void Worker_Close() {
  const PLAX_ID id = Worker_Forget();
  if (id != 0) PLAX_Close(id);
}

void Worker_Connect(const std::string& host, std::uint16_t port, int timeout) {
  Worker_Close();
  std::lock_guard<std::mutex> id_lock(worker.idMutex);
  LanInbox_Reset(worker.images);
  PLAX_ID id = 0;
  const PLAX_Result result = PLAX_OpenClient(id, host.c_str(), port, LanWorker_OnDisconnected,
                                             LanWorker_OnConnected, LanWorker_OnNewData, timeout);
  worker.current = result == PLAX_GURU_NO_ERROR ? id : 0;
  std::lock_guard<std::mutex> lock(worker.mutex);
  worker.requests.open = worker.current != 0;
  worker.requests.control.clear();
  if (worker.current != 0) {
    worker.requests.seen.connect = LanConnectResult::Connected;
    return;
  }
  worker.requests.seen.connect = LanConnectResult::Failed;
  worker.requests.seen.connectError = EngineErrorLine(PLAX_GURUText(result));
}

void Worker_Search(std::uint16_t port) {
  const LanGames found = LanSearch_FindAll(port);
  std::lock_guard<std::mutex> lock(worker.mutex);
  GameList_TakeSearch(found, worker.requests.seen);
}

void Worker_Send(const std::string& bytes) {
  PLAX_ID id = 0;
  {
    std::lock_guard<std::mutex> id_lock(worker.idMutex);
    id = worker.current;
  }
  if (id == 0) return;
  std::uint32_t sent = 0;
  const PLAX_Result result = PLAX_Send(id, bytes, sent, "", 0);
  if (result == PLAX_GURU_NO_ERROR) return;
  // The engine has closed the connection; a departure it tells first wins.
  std::lock_guard<std::mutex> id_lock(worker.idMutex);
  if (worker.current != id) return;
  worker.current = 0;
  std::lock_guard<std::mutex> lock(worker.mutex);
  worker.requests.open = false;
  worker.requests.seen.sendError = EngineErrorLine(PLAX_GURUText(result));
}

// Takes one job out of the requests under the lock and does it outside.
bool Worker_DoNext() {
  std::unique_lock<std::mutex> lock(worker.mutex);
  worker.wake.wait(lock, [] { return Requests_HaveWork(worker.requests); });
  Requests& r = worker.requests;
  switch (Requests_Next(r)) {
    case Job::Stop:
      return false;
    case Job::Close:
      r.close = false;
      r.open = false;
      lock.unlock();
      Worker_Close();
      return true;
    case Job::Connect: {
      r.connect = false;
      const std::string host = r.host;
      const std::uint16_t port = r.port;
      const int timeout = r.timeout;
      lock.unlock();
      Worker_Connect(host, port, timeout);
      return true;
    }
    case Job::Search: {
      r.search = false;
      const std::uint16_t port = r.searchPort;
      lock.unlock();
      Worker_Search(port);
      return true;
    }
    default: {
      std::string bytes;
      bytes.swap(r.control);
      if (r.reportWaiting) bytes += BuildPositionReport(r.x, r.y);
      r.reportWaiting = false;
      lock.unlock();
      Worker_Send(bytes);
      return true;
    }
  }
}

void Worker_Run() {
  while (Worker_DoNext()) {
  }
  std::lock_guard<std::mutex> lock(worker.mutex);
  worker.requests.stopped = true;
  worker.ended.notify_all();
}

template <typename Change>
void Worker_Ask(Change change) {
  std::lock_guard<std::mutex> lock(worker.mutex);
  change(worker.requests);
  worker.wake.notify_one();
}

// The caller holds idMutex: true when `id` is the current connection.
bool Worker_IsCurrent(PLAX_ID id) {
  return id != 0 && id == worker.current;
}

}  // namespace

void LanWorker_Start(Image* const images[SPRITE_SET_SIZE]) {
  worker.images = images;
  std::thread(Worker_Run).detach();
}

void LanWorker_Search(std::uint16_t discovery_port) {
  Worker_Ask([&](Requests& r) {
    r.search = true;
    r.searchPort = discovery_port;
  });
}

void LanWorker_Connect(const std::string& host, std::uint16_t port, int timeout_seconds) {
  Worker_Ask([&](Requests& r) {
    r.connect = true;
    r.host = host;
    r.port = port;
    r.timeout = timeout_seconds;
  });
}

void LanWorker_Close() {
  Worker_Ask([](Requests& r) { r.close = true; });
}

void LanWorker_Report(std::int32_t x, std::int32_t y) {
  Worker_Ask([&](Requests& r) {
    r.reportWaiting = true;
    r.x = x;
    r.y = y;
  });
}

void LanWorker_Hello(std::int32_t x, std::int32_t y, const std::string& name) {
  Worker_Ask([&](Requests& r) {
    r.control += BuildHello(LAN_PROTOCOL_VERSION, name);
    r.reportWaiting = true;
    r.x = x;
    r.y = y;
  });
}

void LanWorker_KeepAlive() {
  Worker_Ask([](Requests& r) { r.control += BuildKeepAlive(); });
}

LanLinkInput LanWorker_Take() {
  const LanHeard heard = LanInbox_TakeHeard();
  std::lock_guard<std::mutex> lock(worker.mutex);
  LanLinkInput input = worker.requests.seen;
  worker.requests.seen = LanLinkInput{};
  input.received = input.received || heard.received;
  input.welcomed = input.welcomed || heard.welcomed;
  if (heard.refusal != 0) input.refusal = heard.refusal;
  return input;
}

void LanWorker_Stop() {
  std::unique_lock<std::mutex> lock(worker.mutex);
  worker.requests.stop = true;
  worker.wake.notify_one();
  worker.ended.wait_for(lock, STOP_WAIT, [] { return worker.requests.stopped; });
}

void LanWorker_OnDisconnected(PLAX_ID connection_id) {
  std::lock_guard<std::mutex> id_lock(worker.idMutex);
  if (!Worker_IsCurrent(connection_id)) return;
  worker.current = 0;
  LanClient_OnDisconnected(connection_id);
  std::lock_guard<std::mutex> lock(worker.mutex);
  worker.requests.open = false;
  worker.requests.seen.disconnected = true;
}

void LanWorker_OnConnected(PLAX_ID) {}

void LanWorker_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data) {
  // Stamped before any wait for the lock: the playback paces by arrivals.
  const double arrival = TimerSeconds();
  std::lock_guard<std::mutex> id_lock(worker.idMutex);
  if (Worker_IsCurrent(connection_id)) LanClient_OnNewData(connection_id, data, arrival);
}
