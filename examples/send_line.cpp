// Sends one line to a server and prints the first line that comes back.
//
// Opening a client connection blocks until it is connected; the answer then
// arrives on an engine thread, in chunks, so main() waits for a whole line
// (or the connection's end) under a mutex.
#include <plax/plax.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr std::uint16_t kDefaultPort = 33223;
constexpr auto kAnswerWait = std::chrono::seconds(5);

// Shared with the engine's callbacks, which take no user pointer.
std::mutex answer_mutex;
std::condition_variable answer_changed;
std::string answer;
bool connection_closed = false;

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: example_send_line [--host H] [--port N] TEXT   (default 127.0.0.1:%u)\n",
               kDefaultPort);
}

void CollectAnswer(PLAX_ID /*id*/, const PLAX_Bytes& data) {
  const std::lock_guard lock(answer_mutex);
  answer += data;
  answer_changed.notify_all();
}

void NoteClosed(PLAX_ID /*id*/) {
  const std::lock_guard lock(answer_mutex);
  connection_closed = true;
  answer_changed.notify_all();
}

struct Options {
  std::string host = "127.0.0.1";
  std::uint16_t port = kDefaultPort;
  std::string text;
};

// Reads [--host H] [--port N] TEXT; false on anything else.
bool ParseOptions(int argc, char** argv, Options& options) {
  bool have_text = false;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--host") == 0 && has_value) {
      options.host = argv[++i];
    } else if (std::strcmp(argv[i], "--port") == 0 && has_value) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 1 || value > 65535) return false;
      options.port = static_cast<std::uint16_t>(value);
    } else if (argv[i][0] != '-' && !have_text) {
      options.text = argv[i];
      have_text = true;
    } else {
      return false;
    }
  }
  return have_text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    PrintUsage(stderr);
    return 2;
  }

  PLAX_ID id = 0;
  PLAX_Result result = PLAX_OpenClient(id, options.host.c_str(), options.port, NoteClosed, nullptr,
                                       CollectAnswer, 5);
  if (result != PLAX_GURU_NO_ERROR) {
    std::fprintf(stderr, "cannot connect to %s:%u: %s\n", options.host.c_str(), options.port,
                 PLAX_GURUText(result).c_str());
    return 1;
  }
  std::uint32_t sent = 0;
  result = PLAX_Send(id, options.text + "\n", sent, "", 0);
  if (result != PLAX_GURU_NO_ERROR) {
    std::fprintf(stderr, "cannot send: %s\n", PLAX_GURUText(result).c_str());
    return 1;
  }

  std::unique_lock lock(answer_mutex);
  const bool whole_line = answer_changed.wait_for(lock, kAnswerWait, [] {
    return answer.find('\n') != std::string::npos || connection_closed;
  });
  const std::size_t line_end = answer.find('\n');
  if (!whole_line || line_end == std::string::npos) {
    std::fprintf(stderr, "no answer from %s:%u\n", options.host.c_str(), options.port);
    return 1;
  }
  std::printf("%s\n", answer.substr(0, line_end).c_str());
  lock.unlock();

  // The disconnected callback comes on an engine thread; waiting for it means
  // no callback touches this file's state while the program exits.
  if (PLAX_Close(id) == PLAX_GURU_NO_ERROR) {
    lock.lock();
    answer_changed.wait_for(lock, kAnswerWait, [] { return connection_closed; });
  }
  return 0;
}
