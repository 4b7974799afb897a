// How smoothly another player's figure moves over a jittery, lossy link:
// a LAN server and a player walking one pixel per report at 60 Hz on one
// host, a watching player on a second host (network namespaces of the
// bench's own, joined by a link this bench carries, that delays every
// packet by 20 ms +- 15 ms and loses 1 % in each direction: jitter_link.h). The watcher records
// each report it hears with its arrival time; the recording is then drawn at 60 frames a second
// twice, through the old rule (the latest report as it is) and through the
// playback the client draws with (interpolation.h), and both are measured
// side by side: the largest step of a frame (pixels) and the share of frames
// in which the walking figure stands still.
//
// Usage: smooth_bench [--seconds S] [--save FILE]   (root: makes the hosts)
//        smooth_bench --load FILE                    (a saved recording again)
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "game/assets.h"
#include "game/lan_messages.h"
#include "game/map_file.h"
#include "game/server_address.h"
#include "interpolation.h"
#include "jitter_link.h"
#include "paths.h"
#include "platform/clock.h"
#include "support/child.h"
#include "support/loopback.h"
#include "support/netns.h"
#include "support/programs.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto STEP = std::chrono::microseconds(16667);  // the walker's 60 Hz
constexpr double FRAME = 1.0 / 60.0;                     // the watcher's frames
constexpr double DEFAULT_SECONDS = 30.0;
constexpr double START_SECONDS = 10.0;
// Frames measured: from this long after the first report to this long
// before the last, so that only a walk in full swing counts.
constexpr double SETTLE_SECONDS = 1.0;
constexpr double TAIL_SECONDS = 0.5;
// The walker goes round a rectangle, one pixel per report.
constexpr std::int32_t LEFT = 40, TOP = 40, RIGHT = 500, BOTTOM = 360;

struct Heard {
  double arrival = 0.0;
  std::int32_t x = 0;
  std::int32_t y = 0;
};

void Step_Round(std::int32_t& x, std::int32_t& y) {
  if (y == TOP && x < RIGHT)
    ++x;
  else if (x == RIGHT && y < BOTTOM)
    ++y;
  else if (y == BOTTOM && x > LEFT)
    --x;
  else
    --y;
}

void Drain(int fd) {
  char buffer[4096];
  while (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
}

// The watcher's reports of the other seat, each as it came.
void Hear(int fd, LanReader& reader, int& own_seat, std::vector<Heard>& heard) {
  char buffer[4096];
  const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (got <= 0) return;
  const double arrival = TimerSeconds();
  std::vector<LanEvent> events;
  LanReader_Feed(reader, std::string_view(buffer, static_cast<std::size_t>(got)), events);
  for (const LanEvent& event : events) {
    if (event.kind == LanEventKind::Welcome) own_seat = event.seat;
    if (event.kind == LanEventKind::Moved && event.seat != own_seat) {
      heard.push_back({arrival, event.x, event.y});
    }
  }
}

std::vector<Heard> Record(double seconds) {
  JitterLink hosts;
  JitterLink_Open(hosts, LinkShape{});
  if (!hosts.failure.empty()) {
    std::fprintf(stderr, "smooth_bench: %s\n", hosts.failure.c_str());
    std::exit(1);
  }
  TempDir dir;
  File_Write(dir.File(Path_ToNative(MAP_PATH)),
             std::string(MAP_TILE_COUNT * MAP_RECORD_SIZE, '\0'));
  ChildOptions options;
  options.folder = dir.path;
  options.output = ChildOutput::DevNull;
  options.network_namespace = hosts.names[0];
  Child server = Child_Start(GameProgram("server", SERVER_BINARY, {"--lan"}), options);
  const std::uint16_t port = SERVER_PORT;
  if (!WaitUntil([&] { return GameProgram_Listening(server, port); }, START_SECONDS)) {
    std::fprintf(stderr, "smooth_bench: the server does not listen\n");
    std::exit(1);
  }
  const int walker = NetNs_Connect(hosts.names[0], hosts.addresses[0], port);
  const int watcher = NetNs_Connect(hosts.names[1], hosts.addresses[0], port);
  PlainSendAll(walker, BuildHello());
  PlainSendAll(watcher, BuildHello());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  std::vector<Heard> heard;
  LanReader reader;
  int own_seat = 0;
  std::int32_t x = LEFT, y = TOP;
  const auto start = Clock::now();
  auto next = start;
  auto next_keep_alive = start;
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    Step_Round(x, y);
    PlainSendAll(walker, BuildPositionReport(x, y));
    Drain(walker);
    if (Clock::now() >= next_keep_alive) {
      PlainSendAll(watcher, BuildKeepAlive());
      next_keep_alive += std::chrono::seconds(1);
    }
    next += STEP;
    for (auto now = Clock::now(); now < next; now = Clock::now()) {
      const auto left = std::chrono::duration_cast<std::chrono::microseconds>(next - now);
      pollfd ready{watcher, POLLIN, 0};
      if (poll(&ready, 1, static_cast<int>(left.count() / 1000)) > 0) {
        Hear(watcher, reader, own_seat, heard);
      }
    }
  }
  PlainClose(walker);
  PlainClose(watcher);
  Child_Stop(server);
  JitterLink_Close(hosts);
  return heard;
}

struct Figures {
  int frames = 0;
  int largestStep = 0;
  int standing = 0;
  int overTwo = 0;
  double worstStanding = 0.0;  // share, in the worst of the frame phases
};

// Draws the recording at 60 frames a second through `place`, the first frame
// `phase` of a frame after the first report, and measures the frames between
// the settling and the tail.
template <typename Place>
Figures Measure(const std::vector<Heard>& heard, double phase, Place&& place) {
  Figures figures;
  const double first = heard.front().arrival + phase * FRAME;
  const double last = heard.back().arrival;
  std::size_t taken = 0;
  bool drawn = false;
  std::int32_t x = 0, y = 0;
  for (double now = first; now < last - TAIL_SECONDS; now += FRAME) {
    std::int32_t nx = x, ny = y;
    place(heard, taken, now, nx, ny);
    const int step = std::abs(nx - x) + std::abs(ny - y);
    if (drawn && now >= first + SETTLE_SECONDS) {
      ++figures.frames;
      figures.largestStep = std::max(figures.largestStep, step);
      if (step == 0) ++figures.standing;
      if (step > 2) ++figures.overTwo;
    }
    x = nx;
    y = ny;
    drawn = taken > 0;
  }
  return figures;
}

// How the frames fall between the reports changes which of them stand, so
// every figure is taken over this many phases of the frames: the largest
// step of all, the standing share of all and of the worst.
constexpr int PHASES = 8;

template <typename MakePlace>
Figures MeasurePhases(const std::vector<Heard>& heard, MakePlace make_place) {
  Figures all;
  for (int phase = 0; phase < PHASES; ++phase) {
    const Figures one = Measure(heard, static_cast<double>(phase) / PHASES, make_place());
    all.frames += one.frames;
    all.standing += one.standing;
    all.overTwo += one.overTwo;
    all.largestStep = std::max(all.largestStep, one.largestStep);
    all.worstStanding = std::max(all.worstStanding, static_cast<double>(one.standing) / one.frames);
  }
  return all;
}

void Print(const char* rule, const Figures& f) {
  std::printf(
      "%-34s largest step %3d px  standing %5.2f %% (worst phase %5.2f %%)  steps over 2 px %5.2f "
      "%%\n",
      rule, f.largestStep, 100.0 * f.standing / f.frames, 100.0 * f.worstStanding,
      100.0 * f.overTwo / f.frames);
}

void Report(const std::vector<Heard>& heard) {
  if (heard.size() < 2) {
    std::fprintf(stderr, "smooth_bench: too few reports heard (%zu)\n", heard.size());
    std::exit(1);
  }
  std::vector<double> gaps;
  for (std::size_t i = 1; i < heard.size(); ++i) {
    gaps.push_back((heard[i].arrival - heard[i - 1].arrival) * 1e3);
  }
  std::sort(gaps.begin(), gaps.end());
  std::printf("%zu reports heard over %.1f s; arrival gaps p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
              heard.size(), heard.back().arrival - heard.front().arrival, gaps[gaps.size() / 2],
              gaps[gaps.size() * 99 / 100], gaps.back());
  const Figures today = MeasurePhases(heard, [] {
    return [](const std::vector<Heard>& h, std::size_t& taken, double now, std::int32_t& x,
              std::int32_t& y) {
      while (taken < h.size() && h[taken].arrival <= now) {
        x = h[taken].x;
        y = h[taken].y;
        ++taken;
      }
    };
  });
  const Figures after = MeasurePhases(heard, [] {
    return [track = InterpTrack{}](const std::vector<Heard>& h, std::size_t& taken, double now,
                                   std::int32_t& x, std::int32_t& y) mutable {
      while (taken < h.size() && h[taken].arrival <= now) {
        InterpTrack_Add(track, h[taken].x, h[taken].y, h[taken].arrival);
        ++taken;
      }
      const InterpPosition shown = InterpTrack_Position(track, now);
      if (shown.present) {
        x = shown.x;
        y = shown.y;
      }
    };
  });
  std::printf("%d frames in each of %d phases\n", today.frames / PHASES, PHASES);
  Print("today (the latest report drawn)", today);
  Print("after (played back 100 ms behind)", after);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = DEFAULT_SECONDS;
  std::string save, load;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--seconds")
      seconds = std::atof(argv[i + 1]);
    else if (option == "--save")
      save = argv[i + 1];
    else if (option == "--load")
      load = argv[i + 1];
    else {
      std::fprintf(stderr, "usage: smooth_bench [--seconds S] [--save FILE] | --load FILE\n");
      return 2;
    }
  }
  std::vector<Heard> heard;
  if (!load.empty()) {
    std::ifstream in(load);
    for (Heard h; in >> h.arrival >> h.x >> h.y;) heard.push_back(h);
  } else {
    const LinkShape shape;
    std::printf("link: %.0f ms +- %.0f ms, %.0f %% lost, each way; walker at 60 Hz for %.0f s\n",
                shape.delaySeconds * 1e3, shape.jitterSeconds * 1e3, shape.loss * 100, seconds);
    heard = Record(seconds);
  }
  if (!save.empty()) {
    std::ofstream out(save);
    for (const Heard& h : heard) out << std::fixed << h.arrival << ' ' << h.x << ' ' << h.y << '\n';
  }
  Report(heard);
  return 0;
}
