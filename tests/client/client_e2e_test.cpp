// The real client in a virtual X display, driven with real key events,
// against the real server and a listening bot.
#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

#include "client_test_support.h"
#include "game.h"
#include "game/lan_search.h"
#include "game/messages.h"
#include "game/tiles.h"
#include "game_list.h"
#include "name_tags.h"
#include "platform_testing.h"
#include "support/host_wine.h"
#include "support/loopback.h"
#include "support/netns.h"
#include "support/options_check.h"
#include "support/programs.h"

namespace {

constexpr double START_SECONDS = 20.0;
constexpr double WALK_SECONDS = 30.0;
constexpr double EXIT_SECONDS = 1.5;
// A LAN client that finds no game has said so and ended on a key by then:
// the 1.5 s search and the start-up, which a sanitizer's runtime slows.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double NOTHING_FOUND_SECONDS = 4.5;
#else
constexpr double NOTHING_FOUND_SECONDS = 3.0;
#endif
const std::string IMAGE_LINE = "[Error]Something went wrong while loading .bmp files.";
const std::string CONNECT_LINE = "[FEHLER] Can't connect to remote computer [Timeout?]";
// With the massive tile at column 4, row 2, the player's right corners enter
// it at x = 72: the step there is reported, then taken back to 71.
constexpr int WALL_X = 72;

int Count(const std::string& text, const std::string& needle) {
  int count = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

Image* ShippedImage(const std::string& relative) {
  return LoadSprite((std::string(TEST_ASSETS_DIR) + "/imgs/" + relative).c_str());
}

// Pixels of the block at (left, top) that differ from `image` drawn over black.
int Mismatches(const Screenshot& shot, int left, int top, const Image* image) {
  int wrong = 0;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const Colour pixel = image->pixels[y * image->width + x] & 0xFFFFFF;
      const Colour expected = pixel == TRANSPARENT_COLOUR ? 0 : pixel;
      wrong += shot.At(left + x, top + y) != expected ? 1 : 0;
    }
  }
  return wrong;
}

// The opaque pixels of `image` are all on the screen at (left, top).
bool Shows(const Screenshot& shot, int left, int top, const Image* image) {
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const Colour pixel = image->pixels[y * image->width + x] & 0xFFFFFF;
      if (pixel != TRANSPARENT_COLOUR && shot.At(left + x, top + y) != pixel) return false;
    }
  }
  return true;
}

// Waits until the bot has heard nothing new for a good part of a second.
void WaitForQuiet(const Child& bot) {
  using Clock = std::chrono::steady_clock;
  std::size_t seen = 0;
  Clock::time_point last_change = Clock::now();
  WaitUntil(
      [&] {
        const std::size_t now = RelayedXs(Child_Output(bot)).size();
        if (now != seen) seen = now, last_change = Clock::now();
        return Clock::now() - last_change > std::chrono::milliseconds(300);
      },
      WALK_SECONDS);
}

struct Position {
  int x = 33;
  int y = 33;
};

// Where the last relay in a bot's output put the player (the start if none).
Position LastRelayedPosition(const std::string& bot_output) {
  static const std::regex relay(R"(relay [^\n]*x=(-?\d+) y=(-?\d+))");
  Position last;
  for (auto it = std::sregex_iterator(bot_output.begin(), bot_output.end(), relay);
       it != std::sregex_iterator(); ++it) {
    last = Position{std::stoi((*it)[1].str()), std::stoi((*it)[2].str())};
  }
  return last;
}

// Pixels of the top-left band, where the first line is drawn, that are not black.
int LitInFirstLine(const Screenshot& shot) {
  int lit = 0;
  for (int y = 0; y < 20 && y < shot.height; ++y) {
    for (int x = 0; x < 320 && x < shot.width; ++x) lit += shot.At(x, y) != 0 ? 1 : 0;
  }
  return lit;
}

// Some font file of the system other than the one the client prefers.
std::filesystem::path OtherFont() {
  std::error_code error;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator("/usr/share/fonts", error)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".ttf") && name.find("Mono") == std::string::npos) return entry.path();
  }
  return {};
}

// A font configuration that knows only the fonts in `folder`.
std::string FontConfig(const std::filesystem::path& folder) {
  return "<?xml version=\"1.0\"?>\n<fontconfig><dir>" + folder.string() + "</dir><cachedir>" +
         (folder / "cache").string() + "</cachedir></fontconfig>\n";
}

// Starts one of the game's programs in `folder` on `display`, with `env` added.
// With `native`, this build's own program even where the others run under
// Wine; with `network_namespace`, on that host of the test's own; with
// `wine`, the Windows program on that Wine's host.
std::unique_ptr<Child> StartProgram(const std::string& name, const std::string& built,
                                    const std::vector<std::string>& arguments,
                                    const std::filesystem::path& folder,
                                    const VirtualDisplay& display,
                                    const std::vector<std::string>& env = {}, bool native = false,
                                    const std::string& network_namespace = "",
                                    const HostWine* wine = nullptr) {
  ChildOptions options = GameProgram_Options();
  options.network_namespace = network_namespace;
  options.folder = folder.string();
  options.env = env;
  options.env.push_back(display.Env());
  std::vector<std::string> argv;
  if (wine != nullptr) {
    argv = HostWine_Program(*wine, name, arguments);
    options = HostWine_Options(*wine, options);
  } else {
    argv = native ? GameProgram_Native(built, arguments) : GameProgram(name, built, arguments);
  }
  auto child = std::make_unique<Child>(Child_Start(argv, options));
  if (child->pid <= 0) return nullptr;
  return child;
}

void Pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Under Wine the LAN game is also played across systems: one program of this
// build's own beside the Windows ones.
enum class Native { Server, Client };

class ClientEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xwd"}) {
      if (!ProgramOnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    // Images to compare the screen with, decoded as the client decodes them.
    Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
    ASSERT_TRUE(WaitUntil([] { return !PortListening(SERVER_PORT); }, START_SECONDS))
        << "something else listens on port " << SERVER_PORT;
    // Wine's server keeps the display of the test before; this one has its own.
    GameProgram_EndWine();
    display = std::make_unique<VirtualDisplay>();
    ASSERT_TRUE(display->ok()) << "Xvfb did not start";
    // Whatever starts here, Wine's session too, belongs on this display.
    setenv("DISPLAY", display->display.c_str(), 1);
    Assets_Add(dir.path, "imgs", AssetsAs::Links);
    WriteTestMap();
  }

  // Walls round the edge, a massive block right of the start, a bush and water.
  void WriteTestMap() {
    std::int8_t codes[MAP_TILE_COUNT] = {};
    for (int col = 1; col <= MAP_COLUMNS; ++col) {
      for (int row = 1; row <= MAP_ROWS; ++row) {
        const bool edge = col == 1 || row == 1 || col == MAP_COLUMNS || row == MAP_ROWS;
        codes[MapIndex(col, row)] = edge ? 1 : 0;
      }
    }
    codes[MapIndex(4, 2)] = 4;
    codes[MapIndex(6, 4)] = 8;
    codes[MapIndex(8, 6)] = 5;
    File_Write(dir.path / "map" / "Map", MapBytes(codes));
  }

  // The LAN game's bot walks its lane along y = 10, which the edge walls of
  // the test map would hide: this map has none in the top row.
  void WriteLanMap() {
    std::int8_t codes[MAP_TILE_COUNT] = {};
    codes[MapIndex(4, 2)] = 4;
    File_Write(dir.path / "map" / "Map", MapBytes(codes));
  }

  void StartServer(const std::vector<std::string>& arguments = {}, bool native = false) {
    server = StartProgram("server", SERVER_BIN, arguments, dir.path, *display, {}, native);
    ASSERT_TRUE(server);
    ASSERT_TRUE(WaitUntil([] { return PortListening(SERVER_PORT); }, START_SECONDS));
  }

  void StartBot() {
    bot = StartProgram("bot", BOT_BIN, {"--players", "1"}, dir.path, *display);
    ASSERT_TRUE(bot);
    ASSERT_TRUE(Child_WaitFor(*server, "[Player accepted]", START_SECONDS));
  }

  void StartClient(const std::vector<std::string>& arguments = {}, bool native = false) {
    client = StartProgram("client", CLIENT_BIN, arguments, dir.path, *display, {}, native);
    ASSERT_TRUE(client);
  }

  // Gives the client's window the keyboard; there is no window manager to do it.
  void FocusClient() {
    const ProgramResult found = display->Run(
        {"xdotool", "search", "--sync", "--pid", std::to_string(client->pid)}, START_SECONDS);
    const std::string window = found.output.substr(0, found.output.find('\n'));
    if (!window.empty()) display->Tool({"windowfocus", window});
  }

  // The window goes with the process, which must end as promptly as a plain
  // window program does, on Linux and under Wine alike.
  void PressKeyAndExpectExit(const std::string& key, int code) {
    FocusClient();
    const auto pressed = std::chrono::steady_clock::now();
    EXPECT_TRUE(display->Tool({"key", key}));
    EXPECT_EQ(Child_Wait(*client, START_SECONDS), code);
    const std::chrono::duration<double> ending = std::chrono::steady_clock::now() - pressed;
    EXPECT_LT(ending.count(), EXIT_SECONDS) << "the client lingered after the key";
  }

  void PlayLanWithAWalkingBot(Native native);
  void GetBackInWhenTheHostReturns(Native native);

  void TearDown() override {
    for (std::unique_ptr<Child>* child : {&client, &bot, &server}) {
      if (*child) Child_Stop(**child);
    }
    GameProgram_EndWine();
    display.reset();
  }

  ScratchDir dir;
  std::unique_ptr<VirtualDisplay> display;
  std::unique_ptr<Child> server;
  std::unique_ptr<Child> bot;
  std::unique_ptr<Child> client;
};

TEST_F(ClientEndToEnd, HoldingDWalksToTheWallAndEscapeEnds) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(StartBot());
  ASSERT_NO_FATAL_FAILURE(StartClient());
  ASSERT_TRUE(WaitUntil([&] { return Count(Child_Output(*server), "[Player accepted]") == 2; },
                        START_SECONDS));
  Image* massive = ShippedImage("environment/massive.bmp");
  ASSERT_NE(massive, nullptr);
  // The window shows the map once the first frame is drawn.
  ASSERT_TRUE(
      WaitUntil([&] { return Mismatches(display->Shoot(), 96, 32, massive) == 0; }, START_SECONDS));
  FocusClient();
  ASSERT_TRUE(display->Tool({"keydown", "d"}));
  const bool at_wall = WaitUntil(
      [&] {
        const std::vector<int> xs = RelayedXs(Child_Output(*bot));
        return std::count(xs.begin(), xs.end(), WALL_X) >= 5;
      },
      WALK_SECONDS);
  display->Tool({"keyup", "d"});
  ASSERT_TRUE(at_wall) << Child_Output(*bot);

  // One report per step from 34 on, then step and take-back at the wall.
  const std::vector<int> xs = RelayedXs(Child_Output(*bot));
  const auto first_wall = std::find(xs.begin(), xs.end(), WALL_X) - xs.begin();
  ASSERT_EQ(first_wall, WALL_X - 34);
  for (int i = 0; i < first_wall; ++i) ASSERT_EQ(xs[i], 34 + i);
  for (std::size_t i = first_wall; i < xs.size(); ++i) {
    ASSERT_EQ(xs[i], (i - first_wall) % 2 == 0 ? WALL_X : WALL_X - 1) << i;
  }

  // Once the reports stop, the picture: tiles over black, the player at 71.
  WaitForQuiet(*bot);
  const Screenshot shot = display->Shoot();
  ASSERT_EQ(shot.width, SCREEN_WIDTH);
  EXPECT_EQ(Mismatches(shot, 96, 32, massive), 0);
  EXPECT_EQ(Mismatches(shot, 0, 0, ShippedImage("environment/brick1.bmp")), 0);
  EXPECT_EQ(Mismatches(shot, 160, 96, ShippedImage("environment/stealth.bmp")), 0);
  EXPECT_EQ(Mismatches(shot, 224, 160, ShippedImage("environment/water1.bmp")), 0);
  EXPECT_EQ(shot.At(300, 300), 0u);
  const int right1 = Mismatches(shot, WALL_X - 1, 33, ShippedImage("player/PlayerRight1.bmp"));
  const int right2 = Mismatches(shot, WALL_X - 1, 33, ShippedImage("player/PlayerRight2.bmp"));
  EXPECT_TRUE(right1 == 0 || right2 == 0) << right1 << " " << right2;
  EXPECT_EQ(shot.At(33, 40), 0u);  // the start position was wiped

  PressKeyAndExpectExit("Escape", 0);
  EXPECT_EQ(Count(Child_Output(*client), "[FEHLER]"), 0);
}

// A key pressed while a key that wins over it is held: released first, or in
// the same instant as the winner, it must not come back as a step once the
// winner is let go; released last, it walks on its own. The player's picture
// tells which way it last stepped.
TEST_F(ClientEndToEnd, AKeyReleasedUnderAWinningKeyTakesNoLaterStep) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(StartBot());
  ASSERT_NO_FATAL_FAILURE(StartClient());
  Image* massive = ShippedImage("environment/massive.bmp");
  ASSERT_TRUE(
      WaitUntil([&] { return Mismatches(display->Shoot(), 96, 32, massive) == 0; }, START_SECONDS));
  FocusClient();
  struct Pair {
    const char* winner;
    const char* loser;
    const char* winner_facing;
    const char* loser_facing;
  };
  const Pair pairs[] = {{"w", "s", "Up", "Down"},
                        {"w", "d", "Up", "Right"},
                        {"s", "a", "Down", "Left"},
                        {"a", "d", "Left", "Right"}};
  enum class Release { LoserFirst, WinnerFirst, BackToBack };
  const char* const release_names[] = {"loser released first", "winner released first",
                                       "both released back to back"};
  for (const Pair& pair : pairs) {
    for (const Release release : {Release::LoserFirst, Release::WinnerFirst, Release::BackToBack}) {
      SCOPED_TRACE(std::string(pair.winner) + "+" + pair.loser + ", " +
                   release_names[static_cast<int>(release)]);
      display->Tool({"keydown", pair.winner});
      Pause(150);
      display->Tool({"keydown", pair.loser});
      Pause(100);
      if (release == Release::BackToBack) {
        display->Tool({"keyup", pair.loser, pair.winner});
      } else {
        const bool loser_first = release == Release::LoserFirst;
        display->Tool({"keyup", loser_first ? pair.loser : pair.winner});
        Pause(300);
        display->Tool({"keyup", loser_first ? pair.winner : pair.loser});
      }
      WaitForQuiet(*bot);
      const Position at = LastRelayedPosition(Child_Output(*bot));
      const Screenshot shot = display->Shoot();
      const std::string facing =
          release == Release::WinnerFirst ? pair.loser_facing : pair.winner_facing;
      const int first =
          Mismatches(shot, at.x, at.y, ShippedImage("player/Player" + facing + "1.bmp"));
      const int second =
          Mismatches(shot, at.x, at.y, ShippedImage("player/Player" + facing + "2.bmp"));
      EXPECT_TRUE(first == 0 || second == 0)
          << "not facing " << facing << " at " << at.x << "," << at.y;
    }
  }
  PressKeyAndExpectExit("Escape", 0);
}

// What a player starts: the archive's .cmd files under Wine, beside links to
// the programs; on Linux the script that scripts/play.sh ends in, with the
// same `options` (none, --lan, or --join HOST).
std::vector<std::string> Launcher(const std::filesystem::path& folder,
                                  const std::vector<std::string>& options = {}) {
  if (!GameProgram_UnderWine()) {
    const std::string bin = std::filesystem::path(CLIENT_BIN).parent_path().string();
    std::vector<std::string> argv = {std::string(TEST_ASSETS_DIR) + "/../scripts/start_game.sh",
                                     bin, folder.string()};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
  }
  const std::string script = options.empty()         ? "play.cmd"
                             : options[0] == "--lan" ? "host-lan-game.cmd"
                                                     : "join-lan-game.cmd";
  const std::filesystem::path build = std::getenv("TILEGAME_WINDOWS_BUILD");
  for (const std::string& file :
       std::vector<std::string>{"bin/server.exe", "bin/client.exe", "packaging/" + script}) {
    const std::filesystem::path target = build / file;
    std::filesystem::remove(folder / target.filename());  // left by an earlier launcher
    std::filesystem::create_symlink(target, folder / target.filename());
  }
  std::vector<std::string> argv = {(build / "wine-run").string(), "cmd", "/c", script};
  if (options.size() > 1) argv.push_back(options[1]);  // the host to join
  return argv;
}

// With the port held by another program, a client would talk to that one.
void ExpectNoClientWhenTheServerCannotStart(const ScratchDir& dir, const VirtualDisplay& display,
                                            const std::vector<std::string>& options) {
  std::uint16_t port = SERVER_PORT;
  const int holder = PlainListen(port);
  ASSERT_GE(holder, 0);
  ChildOptions child_options = GameProgram_Options();
  child_options.folder = dir.path.string();
  child_options.env = {display.Env()};
  Child launcher = Child_Start(Launcher(dir.path, options), child_options);
  EXPECT_EQ(Child_Wait(launcher, START_SECONDS), 1);
  EXPECT_NE(Child_Output(launcher).find("[FEHLER] Can't bind port on socket"), std::string::npos)
      << Child_Output(launcher);
  pollfd waiting{holder, POLLIN, 0};
  EXPECT_EQ(poll(&waiting, 1, 1500), 0) << "a client connected to the port's holder";
  PlainClose(holder);
}

// Ends the client a launcher started with Escape; the launcher ends with the
// client's 0 and takes the window with it.
void EndLaunchedClient(Child& launcher, VirtualDisplay& display) {
  const ProgramResult found =
      display.Run({"xdotool", "search", "--sync", "--name", "Tile game"}, START_SECONDS);
  const std::string window = found.output.substr(0, found.output.find('\n'));
  ASSERT_FALSE(window.empty());
  display.Tool({"windowfocus", window});
  display.Tool({"key", "Escape"});
  EXPECT_EQ(Child_Wait(launcher, START_SECONDS), 0) << Child_Output(launcher);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return display.Run({"xdotool", "search", "--name", "Tile game"}).output.empty();
      },
      START_SECONDS))
      << "the client window stayed";
}

TEST_F(ClientEndToEnd, TheLauncherStartsNoClientWhenItsServerCannotStart) {
  ExpectNoClientWhenTheServerCannotStart(dir, *display, {});
}

TEST_F(ClientEndToEnd, TheLanHostLauncherStartsNoClientWhenItsServerCannotStart) {
  ExpectNoClientWhenTheServerCannotStart(dir, *display, {"--lan"});
}

TEST_F(ClientEndToEnd, TheLauncherStartsTheClientOnceItsServerListens) {
  ChildOptions options = GameProgram_Options();
  options.folder = dir.path.string();
  options.env = {display->Env()};
  Child launcher = Child_Start(Launcher(dir.path), options);
  Image* massive = ShippedImage("environment/massive.bmp");
  ASSERT_TRUE(
      WaitUntil([&] { return Mismatches(display->Shoot(), 96, 32, massive) == 0; }, START_SECONDS))
      << Child_Output(launcher);
  EXPECT_TRUE(PortListening(SERVER_PORT));
  EndLaunchedClient(launcher, *display);
  EXPECT_TRUE(WaitUntil([] { return !PortListening(SERVER_PORT); }, START_SECONDS))
      << "the launcher's server outlived its client";
}

// How a launch on Linux ends early, and the status it then ends with.
enum class LaunchEnd { ServerCannotStart, CtrlC, TerminalClosed };
struct LaunchEndCase {
  LaunchEnd end;
  const char* name;
  int status;
};
void PrintTo(const LaunchEndCase& launch_end, std::ostream* out) {
  *out << launch_end.name;
}

class LaunchEnds : public ClientEndToEnd, public ::testing::WithParamInterface<LaunchEndCase> {};

// Whatever the timing, the launcher's programs end with it and its status
// folder goes; no window stays either.
TEST_P(LaunchEnds, TakeTheProgramsAndTheTemporaryFolderWithThem) {
  const LaunchEnd end = GetParam().end;
  std::uint16_t port = SERVER_PORT;
  const int holder = end == LaunchEnd::ServerCannotStart ? PlainListen(port) : -1;
  TempDir temporary;
  ChildOptions options = GameProgram_Options();
  options.folder = dir.path.string();
  options.env = {display->Env(), "TMPDIR=" + temporary.path};
  options.input = ChildInput::Terminal;
  Child launcher = Child_Start(Launcher(dir.path), options);
  if (end != LaunchEnd::ServerCannotStart) {
    ASSERT_EQ(display->Run({"xdotool", "search", "--sync", "--name", "Tile game"}, START_SECONDS)
                  .exit_code,
              0);
  }
  if (end == LaunchEnd::CtrlC) Child_Send(launcher, "\x03");
  if (end == LaunchEnd::TerminalClosed) {
    close(launcher.output);
    launcher.output = launcher.input = -1;
  }
  EXPECT_EQ(Child_Wait(launcher, START_SECONDS), GetParam().status) << Child_Output(launcher);
  EXPECT_TRUE(std::filesystem::is_empty(temporary.path));
  if (holder >= 0) PlainClose(holder);
  EXPECT_TRUE(WaitUntil([] { return !PortListening(SERVER_PORT); }, START_SECONDS));
  EXPECT_TRUE(display->Run({"xdotool", "search", "--name", "Tile game"}).output.empty());
}

INSTANTIATE_TEST_SUITE_P(
    PlayScript, LaunchEnds,
    ::testing::Values(LaunchEndCase{LaunchEnd::ServerCannotStart, "ServerCannotStart", 1},
                      LaunchEndCase{LaunchEnd::CtrlC, "CtrlC", 130},
                      LaunchEndCase{LaunchEnd::TerminalClosed, "TerminalClosed", 129}),
    [](const auto& info) { return std::string(info.param.name); });

// Hosting (--lan) starts a LAN server and a LAN client on this machine;
// joining a given host (--join HOST) starts a LAN client only, here against
// the test's own LAN server. Either way a LAN bot that comes later is shown
// the client at its start, which only a LAN client on a LAN server reports.
TEST_F(ClientEndToEnd, TheLanLaunchersHostAndJoinAGame) {
  for (const bool host : {true, false}) {
    SCOPED_TRACE(host ? "host" : "join");
    if (!host) {
      ASSERT_NO_FATAL_FAILURE(StartServer({"--lan"}));
    }
    ChildOptions options = GameProgram_Options();
    options.folder = dir.path.string();
    options.env = {display->Env()};
    Child launcher =
        Child_Start(Launcher(dir.path, host ? std::vector<std::string>{"--lan"}
                                            : std::vector<std::string>{"--join", "127.0.0.1"}),
                    options);
    Image* massive = ShippedImage("environment/massive.bmp");
    ASSERT_TRUE(WaitUntil([&] { return Mismatches(display->Shoot(), 96, 32, massive) == 0; },
                          START_SECONDS))
        << Child_Output(launcher);
    // This build's bot: under Wine, starting a Windows one would restart
    // Wine's session, and with it end the programs the launcher started.
    bot = StartProgram("bot", BOT_BIN, {"--lan", "--host", "127.0.0.1", "--duration", "2"},
                       dir.path, *display, {}, true);
    ASSERT_TRUE(bot);
    EXPECT_EQ(Child_Wait(*bot, START_SECONDS), 0) << Child_Output(*bot);
    EXPECT_NE(Child_Output(*bot).find("moved player=1 seat=1 x=33 y=33\n"), std::string::npos)
        << Child_Output(*bot);
    EndLaunchedClient(launcher, *display);
    if (server) Child_Stop(*server);
    server.reset();
    // The host launcher's server ends with its client, as the test's own one
    // ends here.
    ASSERT_TRUE(WaitUntil([] { return !PortListening(SERVER_PORT); }, START_SECONDS));
    GameProgram_EndWine();
  }
}

TEST_F(ClientEndToEnd, WithoutAServerTheConnectErrorEndsTheClient) {
  ASSERT_NO_FATAL_FAILURE(StartClient());
  ASSERT_TRUE(Child_WaitFor(*client, CONNECT_LINE + "\n", START_SECONDS)) << Child_Output(*client);
  PressKeyAndExpectExit("space", 255);
}

TEST_F(ClientEndToEnd, BadImageEndsStartUpBeforeAnyConnection) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  std::filesystem::remove(dir.path / "imgs");
  Assets_Add(dir.path, "imgs", AssetsAs::Copies);
  // A missing remote-player image, never drawn, still ends start-up; so does
  // a header that claims a bitmap far too large to hold.
  std::filesystem::remove(dir.path / "imgs" / "ene" / "EneLeft2.bmp");
  ASSERT_NO_FATAL_FAILURE(StartClient());
  ASSERT_TRUE(Child_WaitFor(*client, IMAGE_LINE + "\n", START_SECONDS)) << Child_Output(*client);
  PressKeyAndExpectExit("space", 255);

  File_Write(dir.path / "imgs" / "ene" / "EneLeft2.bmp", Bmp_Header(60000, 60000));
  ASSERT_NO_FATAL_FAILURE(StartClient());
  ASSERT_TRUE(Child_WaitFor(*client, IMAGE_LINE + "\n", START_SECONDS)) << Child_Output(*client);
  PressKeyAndExpectExit("space", 255);
  EXPECT_EQ(Child_Output(*server).find("[New connection]"), std::string::npos);
}

// With the preferred font out of sight (only another face, or no font at
// all), a start-up error is still drawn in the window, and a key that the game
// has no use for still ends the wait.
TEST_F(ClientEndToEnd, StartUpErrorIsDrawnWhateverFontsThereAre) {
  std::filesystem::remove(dir.path / "imgs");
  const std::filesystem::path other = OtherFont();
  for (const std::string key : {"F5", "KP_5"}) {
    const bool with_font = key == "F5";
    SCOPED_TRACE(with_font ? "another font only" : "no font at all");
    if (with_font && other.empty()) continue;  // nothing to stand in for the preferred font
    const std::filesystem::path fonts = dir.path / ("fonts_" + key);
    std::filesystem::create_directories(fonts);
    if (with_font) std::filesystem::copy_file(other, fonts / other.filename());
    File_Write(fonts / "fonts.conf", FontConfig(fonts));
    client = StartProgram("client", CLIENT_BIN, {}, dir.path, *display,
                          {"FONTCONFIG_FILE=" + (fonts / "fonts.conf").string()});
    ASSERT_TRUE(client);
    ASSERT_TRUE(Child_WaitFor(*client, IMAGE_LINE + "\n", START_SECONDS)) << Child_Output(*client);
    EXPECT_TRUE(WaitUntil([&] { return LitInFirstLine(display->Shoot()) > 50; }, START_SECONDS))
        << "the error line is not visible in the window";
    PressKeyAndExpectExit(key, 255);
  }
}

// The whole screen of `shot` equals `other`'s.
bool SameScreen(const Screenshot& shot, const Screenshot& other) {
  return shot.width == other.width && shot.height == other.height && shot.pixels == other.pixels;
}

// Pixels of the sprite-sized box at (left, top) that are not black, nor of
// `ignored` (a LAN client's own tag, which may reach into the box).
int LitInBox(const Screenshot& shot, int left, int top, Colour ignored = 0) {
  int lit = 0;
  for (int y = top; y < top + SPRITE_SIZE; ++y) {
    for (int x = left; x < left + SPRITE_SIZE; ++x) {
      const Colour pixel = shot.At(x, y);
      lit += pixel != 0 && pixel != (ignored & 0xFFFFFF) ? 1 : 0;
    }
  }
  return lit;
}

// A LAN client, a LAN server and a bot that walks its lane to the right,
// reporting x = 11 to 10 + BOT_STEPS at y = 10: the client shows it where
// its last step put it, facing right, until it leaves; meanwhile the
// client's own start position and steps reach the bot with seat 1.
// `server --lan`, `client --lan` and a walking `bot --lan`: the client shows
// the bot where it last reported, facing its way, until it leaves, and its
// own steps reach the bot.
void ClientEndToEnd::PlayLanWithAWalkingBot(Native native) {
  constexpr int BOT_STEPS = 150;
  constexpr int BOT_X = 10 + BOT_STEPS;
  constexpr int BOT_Y = 10;
  WriteLanMap();
  ASSERT_NO_FATAL_FAILURE(StartServer({"--lan"}, native == Native::Server));
  // The client finds the server as the bot does, by broadcast.
  ASSERT_NO_FATAL_FAILURE(StartClient({"--lan"}, native == Native::Client));
  ASSERT_TRUE(Child_WaitFor(*server, "[Player accepted]", START_SECONDS));
  Image* massive = ShippedImage("environment/massive.bmp");
  ASSERT_TRUE(
      WaitUntil([&] { return Mismatches(display->Shoot(), 96, 32, massive) == 0; }, START_SECONDS));
  bot = StartProgram(
      "bot", BOT_BIN,
      {"--lan", "--reports", std::to_string(BOT_STEPS), "--rate", "60", "--duration", "10"},
      dir.path, *display);
  ASSERT_TRUE(bot);
  const auto shows_bot = [&] {
    const Screenshot shot = display->Shoot();
    // The figure's own pixels: its seat's frame lies under its transparent ones.
    return Shows(shot, BOT_X, BOT_Y, ShippedImage("ene/EneRight1.bmp")) ||
           Shows(shot, BOT_X, BOT_Y, ShippedImage("ene/EneRight2.bmp"));
  };
  EXPECT_TRUE(WaitUntil(shows_bot, START_SECONDS)) << Child_Output(*bot);
  // The start position came before any step, as the newcomer's snapshot.
  EXPECT_NE(Child_Output(*bot).find("moved player=1 seat=1 x=33 y=33\n"), std::string::npos)
      << Child_Output(*bot);

  FocusClient();
  ASSERT_TRUE(display->Tool({"keydown", "d"}));
  const bool walked =
      WaitUntil([&] { return Child_Output(*bot).find("seat=1 x=40 y=33") != std::string::npos; },
                WALK_SECONDS);
  display->Tool({"keyup", "d"});
  EXPECT_TRUE(walked) << Child_Output(*bot);
  EXPECT_TRUE(shows_bot());

  EXPECT_EQ(Child_Wait(*bot, START_SECONDS), 0) << Child_Output(*bot);
  EXPECT_TRUE(Child_WaitFor(*server, "[Player disconnected]", START_SECONDS));
  EXPECT_TRUE(
      WaitUntil([&] { return LitInBox(display->Shoot(), BOT_X, BOT_Y) == 0; }, START_SECONDS))
      << "the player who left is still shown";
  PressKeyAndExpectExit("Escape", 0);
  EXPECT_EQ(Count(Child_Output(*client), "[FEHLER]"), 0);
}

// Natively all Linux programs; under Wine a Windows client with a Linux server.
TEST_F(ClientEndToEnd, LanClientShowsAWalkingPlayerUntilItLeaves) {
  PlayLanWithAWalkingBot(Native::Server);
}

// Run under Wine only: a Linux client with a Windows server.
class ClientCrossSystem : public ClientEndToEnd {};
TEST_F(ClientCrossSystem, ALinuxLanClientPlaysWithAWindowsServer) {
  PlayLanWithAWalkingBot(Native::Client);
}

// Pixels of the status lines' band at the bottom of the window that are not black.
int LitInStatusBand(const Screenshot& shot) {
  int lit = 0;
  for (int y = SCREEN_HEIGHT - 50; y < SCREEN_HEIGHT; ++y) {
    for (int x = 0; x < 400; ++x) lit += shot.At(x, y) != 0 ? 1 : 0;
  }
  return lit;
}

// The host's server ends and starts again on the same port: a LAN client and
// a LAN bot say they lost the game (the client over its map), and are back
// in, seeing each other, within 2 s of the new server's ready file, without
// a key pressed; no client frame took over 100 ms meanwhile (500 ms for a
// Windows client under Wine).
void ClientEndToEnd::GetBackInWhenTheHostReturns(Native native) {
  constexpr double BACK_SECONDS = 2.0;
  WriteLanMap();
  const std::filesystem::path ready = dir.path / "ready";
  const std::vector<std::string> lan_server = {"--lan", "--ready-file", ready.string()};
  ASSERT_NO_FATAL_FAILURE(StartServer(lan_server, native == Native::Server));
  ASSERT_NO_FATAL_FAILURE(StartClient({"--lan", "--host", "127.0.0.1"}, native == Native::Client));
  ASSERT_TRUE(Child_WaitFor(*server, "[Player accepted]", START_SECONDS));
  bot = StartProgram("bot", BOT_BIN,
                     {"--lan", "--host", "127.0.0.1", "--reports", "1", "--duration", "120"},
                     dir.path, *display);
  ASSERT_TRUE(bot);
  const auto together = [&](std::size_t bot_seen) {
    return Child_Output(*bot).find(" x=33 y=33", bot_seen) != std::string::npos &&
           LitInBox(display->Shoot(), 10, 10, SeatColour_Ink(1)) > 0;
  };
  ASSERT_TRUE(WaitUntil([&] { return together(0); }, START_SECONDS)) << Child_Output(*bot);

  Child_Stop(*server);
  std::filesystem::remove(ready);
  EXPECT_TRUE(Child_WaitFor(*client, "Lost the game at 127.0.0.1. Trying to get back in...",
                            START_SECONDS));
  EXPECT_TRUE(WaitUntil([&] { return LitInStatusBand(display->Shoot()) > 100; }, START_SECONDS))
      << "the lost text is not shown";
  EXPECT_EQ(LitInBox(display->Shoot(), 10, 10, SeatColour_Ink(1)), 0)
      << "the other player is still shown";
  EXPECT_TRUE(Child_WaitFor(*bot, "player 1: lost the game at 127.0.0.1", START_SECONDS));
  Pause(1500);
  const std::size_t bot_seen = Child_Output(*bot).size();
  ASSERT_NO_FATAL_FAILURE(StartServer(lan_server, native == Native::Server));
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, START_SECONDS));
  const auto ready_at = std::chrono::steady_clock::now();
  EXPECT_TRUE(WaitUntil([&] { return together(bot_seen); }, START_SECONDS)) << Child_Output(*bot);
  const std::chrono::duration<double> back = std::chrono::steady_clock::now() - ready_at;
  EXPECT_LE(back.count(), BACK_SECONDS);
  EXPECT_TRUE(Child_WaitFor(*bot, "player 1: back in the game at 127.0.0.1", START_SECONDS));
  EXPECT_TRUE(WaitUntil([&] { return LitInStatusBand(display->Shoot()) == 0; }, START_SECONDS));
  static const std::regex longest(
      R"(Back in the game at 127\.0\.0\.1 \(longest frame meanwhile: (\d+) ms\))");
  std::smatch match;
  const std::string said = Child_Output(*client);
  ASSERT_TRUE(std::regex_search(said, match, longest)) << said;
  // A network wait on the frame thread lasts a second or more (a retry's
  // connect, a send's stall bound). Under Wine a frame also waits on Wine's
  // own server, which on a busy machine alone took up to 275 ms now and then.
  const bool windows_client = GameProgram_UnderWine() && native != Native::Client;
  EXPECT_LE(std::stoi(match[1].str()), windows_client ? 500 : 100);
  PressKeyAndExpectExit("Escape", 0);
}

// Natively all Linux programs; under Wine a Windows client and bot with a
// Linux server.
TEST_F(ClientEndToEnd, LanPlayersGetBackInWhenTheHostReturns) {
  GetBackInWhenTheHostReturns(Native::Server);
}

// Under Wine only: a Linux client with a Windows server and bot.
TEST_F(ClientCrossSystem, ALinuxLanClientGetsBackInWhenTheWindowsHostReturns) {
  GetBackInWhenTheHostReturns(Native::Client);
}

// A fifth LAN client and a fifth LAN bot are told the game is full and join
// by themselves once four players leave; a LAN client on a server without
// the LAN game gets the hint and plays on.
TEST_F(ClientEndToEnd, FullGameWaitsForASeatAndAPlainServerGetsTheHint) {
  WriteLanMap();
  ASSERT_NO_FATAL_FAILURE(StartServer({"--lan"}));
  Child four = Child_Start(
      GameProgram("bot", BOT_BIN,
                  {"--lan", "--host", "127.0.0.1", "--players", "4", "--duration", "4"}),
      GameProgram_Options());
  ASSERT_TRUE(WaitUntil([&] { return Count(Child_Output(*server), "[Player accepted]") == 4; },
                        START_SECONDS));
  ASSERT_NO_FATAL_FAILURE(StartClient({"--lan", "--host", "127.0.0.1"}));
  bot = StartProgram("bot", BOT_BIN, {"--lan", "--host", "127.0.0.1", "--duration", "30"}, dir.path,
                     *display);
  const std::string full =
      "The game at 127.0.0.1 is full (4 players). Waiting for a free seat... (Escape quits)";
  EXPECT_TRUE(Child_WaitFor(*client, full, START_SECONDS)) << Child_Output(*client);
  EXPECT_TRUE(WaitUntil([&] { return LitInStatusBand(display->Shoot()) > 100; }, START_SECONDS));
  EXPECT_TRUE(
      Child_WaitFor(*bot, "player 1: the game at 127.0.0.1 is full (4 players)", START_SECONDS));
  EXPECT_EQ(Child_Wait(four, START_SECONDS), 0);
  EXPECT_TRUE(Child_WaitFor(*client, "Back in the game at 127.0.0.1", START_SECONDS));
  EXPECT_TRUE(Child_WaitFor(*bot, "player 1: back in the game at 127.0.0.1", START_SECONDS));
  PressKeyAndExpectExit("Escape", 0);
  Child_Stop(*server);

  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(StartClient({"--lan", "--host", "127.0.0.1"}));
  EXPECT_TRUE(Child_WaitFor(*client,
                            "The server at 127.0.0.1 is not running a LAN game (started without "
                            "--lan: you will not see the other players)",
                            START_SECONDS));
  EXPECT_TRUE(WaitUntil([&] { return LitInStatusBand(display->Shoot()) > 100; }, START_SECONDS));
  PressKeyAndExpectExit("Escape", 0);
}

// A fake server sends every message type with every length, random bytes and
// a full chunk of type bytes: the screen stays as it was, and the client
// still reports its steps.
TEST_F(ClientEndToEnd, LanClientDrawsNothingFromAHostileServerAndPlaysOn) {
  std::uint16_t port = SERVER_PORT;
  const int listener = PlainListen(port);
  ASSERT_GE(listener, 0);
  // Told where: a fake server does not answer a search.
  ASSERT_NO_FATAL_FAILURE(StartClient({"--lan", "--host", "127.0.0.1"}));
  const int fake = PlainAccept(listener);
  PlainClose(listener);
  ASSERT_GE(fake, 0);
  EXPECT_EQ(PlainReceive(fake, POSITION_REPORT_SIZE), BuildPositionReport(33, 33));
  Image* massive = ShippedImage("environment/massive.bmp");
  ASSERT_TRUE(
      WaitUntil([&] { return Mismatches(display->Shoot(), 96, 32, massive) == 0; }, START_SECONDS));
  const Screenshot before = display->Shoot();
  for (const std::string& chunk : HostileLanChunks()) EXPECT_TRUE(PlainSendAll(fake, chunk));
  Pause(500);
  EXPECT_TRUE(SameScreen(display->Shoot(), before)) << "something was drawn";

  FocusClient();
  ASSERT_TRUE(display->Tool({"keydown", "d"}));
  EXPECT_EQ(PlainReceive(fake, POSITION_REPORT_SIZE), BuildPositionReport(34, 33));
  display->Tool({"keyup", "d"});
  PressKeyAndExpectExit("Escape", 0);
  PlainClose(fake);
}

// Pixels of `ink` in the box from (left, top), w x h, clipped to the screen.
int InkInBox(const Screenshot& shot, Colour ink, int left, int top, int w, int h) {
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(top + h, shot.height); ++y) {
    for (int x = std::max(left, 0); x < std::min(left + w, shot.width); ++x) {
      count += shot.At(x, y) == (ink & 0xFFFFFF) ? 1 : 0;
    }
  }
  return count;
}

// The columns between the first and the last pixel of `ink` in rows [top, bottom).
int InkSpan(const Screenshot& shot, Colour ink, int top, int bottom) {
  int first = shot.width;
  int last = -1;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (shot.At(x, y) != (ink & 0xFFFFFF)) continue;
      first = std::min(first, x);
      last = std::max(last, x);
    }
  }
  return last - first + 1;
}

// A LAN server on one host; a client with a hostile name and two named bots
// on the other. The client frames and names each bot in its seat's colour
// (a bot at the top edge has its tag below it), and itself, under the name
// its command line's printable characters make, cut to 16; the bot that
// stops in a bush shows neither its frame nor its tag.
TEST_F(ClientEndToEnd, LanTagsNameEveryPlayerInItsSeatColourAcrossTwoHosts) {
  HostPair hosts;
  ASSERT_TRUE(hosts.ok()) << hosts.failure;
  std::int8_t codes[MAP_TILE_COUNT] = {};
  codes[MapIndex(11, 1)] = TILE_STEALTH;  // where Cleo stops: x 320-351
  File_Write(dir.path / "map" / "Map", MapBytes(codes));
  const auto start_on = [&](int host, const char* name, const std::string& built,
                            const std::vector<std::string>& arguments) {
    ChildOptions options = GameProgram_Options();
    options.folder = dir.path.string();
    options.env = {display->Env()};
    options.network_namespace = hosts.names[host];
    return std::make_unique<Child>(Child_Start(GameProgram(name, built, arguments), options));
  };
  const std::filesystem::path ready = dir.path / "ready";
  server = start_on(0, "server", SERVER_BIN, {"--lan", "--ready-file", ready.string()});
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, START_SECONDS));
  const std::string& host = hosts.addresses[0];
  const std::string hostile = "\x1b[1mAna\xc3\x28\a" + std::string(300, 'W');
  client = start_on(1, "client", CLIENT_BIN, {"--lan", "--host", host, "--name", hostile});
  ASSERT_TRUE(Child_WaitFor(*server, "[Player accepted]", START_SECONDS));
  const auto walk = [&](const char* name, int steps) {
    return start_on(1, "bot", BOT_BIN,
                    {"--lan", "--host", host, "--name", name, "--reports", std::to_string(steps),
                     "--duration", "60"});
  };
  bot = walk("Ben", 150);  // seat 2, stops at (160, 10)
  ASSERT_TRUE(WaitUntil([&] { return Count(Child_Output(*server), "[Player accepted]") == 2; },
                        START_SECONDS));
  std::unique_ptr<Child> cleo = walk("Cleo", 300);  // seat 3, stops at (310, 10)
  const auto ben_stopped = [&] {
    return Shows(display->Shoot(), 160, 10, ShippedImage("ene/EneRight1.bmp")) ||
           Shows(display->Shoot(), 160, 10, ShippedImage("ene/EneRight2.bmp"));
  };
  ASSERT_TRUE(WaitUntil(ben_stopped, WALK_SECONDS)) << Child_Output(*bot);
  ASSERT_TRUE(Child_WaitFor(*bot, "seat=3 x=310 y=10", WALK_SECONDS));
  Pause(300);  // the client's frames after it

  const Screenshot shot = display->Shoot();
  const int tag_height = LabelSize("Ben").height;
  EXPECT_EQ(shot.At(160, 10), SeatColour_Ink(2) & 0xFFFFFF) << "Ben's frame";
  EXPECT_GT(InkInBox(shot, SeatColour_Ink(2), 130, 36, 90, tag_height), 10) << "Ben's tag";
  EXPECT_EQ(InkInBox(shot, SeatColour_Ink(3), 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), 0)
      << "Cleo shows in the bush";
  EXPECT_EQ(shot.At(33, 33), SeatColour_Ink(1) & 0xFFFFFF) << "the own frame";
  EXPECT_TRUE(Shows(shot, 33, 33, ShippedImage("player/PlayerUp1.bmp")));
  const int own_top = 33 - NAME_TAG_GAP - tag_height;
  EXPECT_GT(InkInBox(shot, SeatColour_Ink(1), 0, own_top, 120, tag_height), 10) << "own tag";
  const int own_span = InkSpan(shot, SeatColour_Ink(1), own_top, 33 - NAME_TAG_GAP);
  EXPECT_GT(own_span, LabelSize("Ana").width);
  EXPECT_LE(own_span, LabelSize(std::string(PLAYER_NAME_MAX_CHARS, 'W')).width);
  PressKeyAndExpectExit("Escape", 0);
  Child_Stop(*cleo);
}

// Nothing answers the search: the line is shown in the window, and a key
// ends the client with 255, soon after its start.
TEST_F(ClientEndToEnd, LanClientWithNoGameToFindSaysSoAndAKeyEndsIt) {
  const auto start = std::chrono::steady_clock::now();
  ASSERT_NO_FATAL_FAILURE(StartClient({"--lan"}));
  const std::string line = std::string(NO_GAME_FOUND_LINE) + "\n";
  ASSERT_TRUE(Child_WaitFor(*client, line, START_SECONDS)) << Child_Output(*client);
  EXPECT_TRUE(WaitUntil([&] { return LitInFirstLine(display->Shoot()) > 50; }, START_SECONDS))
      << "the line is not visible in the window";
  PressKeyAndExpectExit("space", 255);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  // Wine's own start-up of a program takes longer than the whole search.
  if (!GameProgram_UnderWine()) {
    EXPECT_LT(took.count(), NOTHING_FOUND_SECONDS);
  }
}

// Two LAN servers of different names, one on each of two hosts joined by a
// virtual link, and a named client without --host on one of them: it lists
// both, with their seats and addresses, in the window and on its output;
// pressing 2 joins the second listed, where it shows its own tag and a bot's,
// each in its seat's colour; with only the server of its own host left (which
// hears it over the loopback too) it joins at once. Under
// Wine the client is the Windows one, in a Wine of its host's own, with the
// Linux servers and bot.
TEST_F(ClientEndToEnd, ALanClientListsTheGamesFoundAndJoinsThePickedOne) {
  HostPair hosts;
  ASSERT_TRUE(hosts.ok()) << hosts.failure;
  std::unique_ptr<HostWine> wine;
  if (GameProgram_UnderWine()) {
    wine = std::make_unique<HostWine>(hosts.names[1]);
    ASSERT_TRUE(wine->ok()) << wine->failure;
  }
  WriteLanMap();
  const std::string names[2] = {"Ana's game", "Bo's game"};
  std::unique_ptr<Child> servers[2];
  for (int host = 0; host < 2; ++host) {
    const std::filesystem::path ready = dir.path / ("ready" + std::to_string(host));
    servers[host] = StartProgram("server", SERVER_BIN,
                                 {"--lan", "--name", names[host], "--ready-file", ready.string()},
                                 dir.path, *display, {}, true, hosts.names[host]);
    ASSERT_TRUE(servers[host]);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, START_SECONDS));
  }
  const auto start_client = [&] {
    client = StartProgram("client", CLIENT_BIN, {"--lan", "--name", "Dee"}, dir.path, *display, {},
                          false, hosts.names[1], wine.get());
    ASSERT_TRUE(client);
  };
  ASSERT_NO_FATAL_FAILURE(start_client());
  ASSERT_TRUE(Child_WaitFor(*client, "\n2  ", START_SECONDS)) << Child_Output(*client);
  // Give the second line time to be whole before it is read.
  ASSERT_TRUE(Child_WaitFor(*client, " players  ", START_SECONDS));
  const std::string said = Child_Output(*client);
  EXPECT_NE(said.find(std::string(GAME_LIST_TITLE)), std::string::npos) << said;
  for (int host = 0; host < 2; ++host) {
    EXPECT_NE(said.find("  " + names[host] + "  0/4 players  " + hosts.addresses[host]),
              std::string::npos)
        << said;
  }
  EXPECT_TRUE(WaitUntil([&] { return LitInFirstLine(display->Shoot()) > 50; }, START_SECONDS))
      << "the list is not visible in the window";
  const int second = said.find("\n2  " + names[0]) != std::string::npos ? 0 : 1;
  FocusClient();
  ASSERT_TRUE(display->Tool({"key", "2"}));
  ASSERT_TRUE(Child_WaitFor(*servers[second], "[Player accepted]", START_SECONDS))
      << Child_Output(*client);
  EXPECT_EQ(Count(Child_Output(*servers[1 - second]), "[New connection]"), 0);

  // A bot walks in the picked game to the top edge, where its tag is below it.
  bot = StartProgram("bot", BOT_BIN,
                     {"--lan", "--host", hosts.addresses[second], "--name", "Eve", "--reports",
                      "150", "--duration", "60"},
                     dir.path, *display, {}, true, hosts.names[1]);
  ASSERT_TRUE(bot);
  const auto bot_stopped = [&] {
    const Screenshot shot = display->Shoot();
    return Shows(shot, 160, 10, ShippedImage("ene/EneRight1.bmp")) ||
           Shows(shot, 160, 10, ShippedImage("ene/EneRight2.bmp"));
  };
  EXPECT_TRUE(WaitUntil(bot_stopped, WALK_SECONDS)) << Child_Output(*bot);
  Pause(300);  // the client's frames after it
  const Screenshot shot = display->Shoot();
  const int tag_height = LabelSize("Dee").height;
  EXPECT_EQ(shot.At(33, 33), SeatColour_Ink(1) & 0xFFFFFF) << "the own frame";
  EXPECT_GT(InkInBox(shot, SeatColour_Ink(1), 0, 33 - NAME_TAG_GAP - tag_height, 120, tag_height),
            10)
      << "the own tag";
  EXPECT_EQ(shot.At(160, 10), SeatColour_Ink(2) & 0xFFFFFF) << "the bot's frame";
  EXPECT_GT(InkInBox(shot, SeatColour_Ink(2), 130, 36, 90, tag_height), 10) << "the bot's tag";
  PressKeyAndExpectExit("Escape", 0);
  // The game on the client's own host answered over the loopback and the link.
  EXPECT_EQ(Count(Child_Output(*client), " players  "), 2) << Child_Output(*client);

  Child_Stop(*servers[0]);
  const auto accepted = [&] { return Count(Child_Output(*servers[1]), "[Player accepted]"); };
  const int accepted_before = accepted();
  ASSERT_NO_FATAL_FAILURE(start_client());
  EXPECT_TRUE(WaitUntil([&] { return accepted() > accepted_before; }, START_SECONDS))
      << Child_Output(*client);
  EXPECT_EQ(Count(Child_Output(*client), std::string(GAME_LIST_TITLE)), 0) << Child_Output(*client);
  PressKeyAndExpectExit("Escape", 0);
}

TEST(ClientOptions, BadOptionsGiveTheUsageAndEndWithTwo) {
  ExpectOptionsChecked("client", CLIENT_BIN,
                       {{"--port"},
                        {"--port", "0"},
                        {"--port", "65536"},
                        {"--port", "1x"},
                        {"--host"},
                        {"--host", ""},
                        {"--lan", "x"},
                        {"--colour", "red"}});
}

// The options are checked before anything is installed or built.
TEST(PlayScript, BadOptionsGiveTheUsageAndEndWithTwo) {
  ExpectOptionsChecked("scripts/play.sh", std::string(TEST_ASSETS_DIR) + "/../scripts/play.sh",
                       {{"--lan", "x"}, {"--join", "a", "b"}, {"--join", "-x"}, {"--port", "1"}});
}

}  // namespace
