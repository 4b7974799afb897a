#include "lan_network.h"

#include <mutex>
#include <vector>

#include "game_list.h"
#include "lan_link.h"
#include "lan_worker.h"
#include "name_tags.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/screen.h"
#include "remote_playback.h"
#include "start_up_failure.h"
#include "status_text.h"

namespace {

// Shared by the engine's callbacks, which carry no context, and the frame
// loop. The reader belongs to the connection's worker thread alone (one
// connection's data callbacks never overlap); the rest to whoever holds the
// mutex.
struct LanInbox {
  std::mutex mutex;
  SeatRoster roster;
  InterpSeats tracks;  // what the frames draw the figures from
  Image* const* images = nullptr;
  LanReader reader;
  LanHeard heard;
};

LanInbox inbox;

// The frame thread's own: the connection's state and what the frames saw.
struct LanSession {
  LanLink link;
  std::uint16_t discoveryPort = 0;
  bool reported = false;    // a report was handed over since the last step
  double lastStart = -1.0;  // the last frame's start
  bool statusShown = false;
  std::string name;  // this player's, as sent with the Hello
  NameTags tags;     // as drawn in the last frame
  bool listShown = false;
};

LanSession session;

// The figures where their playback has them at `now`.
void LanInbox_Follow(RemotePlayers& figures, double now) {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  if (inbox.images != nullptr) RemotePlayers_ShareImages(figures, inbox.images);
  RemotePlayers_Follow(figures, inbox.tracks, now);
}

void LanGame_Report(std::int32_t x, std::int32_t y, PLAX_ID) {
  LanWorker_Report(x, y);
  session.reported = true;
}

void LanGame_Do(const Game& game, const LanLinkActions& actions) {
  if (!actions.startUpFailure.empty()) StartUp_Fail(actions.startUpFailure);
  if (!actions.consoleLine.empty()) Console_WriteLine(actions.consoleLine);
  if (actions.showList) GameList_Print(session.link.games);
  if (actions.clearOthers) LanClient_OnDisconnected(0);
  if (actions.close) LanWorker_Close();
  if (actions.search) LanWorker_Search(session.discoveryPort);
  if (actions.connect) {
    const bool first = session.link.state == LanLinkState::Connecting;
    LanWorker_Connect(session.link.host, session.link.port,
                      first ? LAN_FIRST_CONNECT_SECONDS : LAN_RETRY_CONNECT_SECONDS);
  }
  if (actions.sendPosition) LanWorker_Report(game.player.x, game.player.y);
  if (actions.sendHello) LanWorker_Hello(game.player.x, game.player.y, session.name);
  if (actions.sendKeepAlive) LanWorker_KeepAlive();
}

void LanGame_Step(const Game& game, double now) {
  LanLinkInput input = LanWorker_Take();
  input.reported = session.reported;
  if (session.link.state == LanLinkState::Choosing) {
    input.picked = GameList_PickedKey(session.link.games.size());
  }
  session.reported = false;
  input.frameSeconds = session.lastStart < 0 ? 0.0 : now - session.lastStart;
  session.lastStart = now;
  LanGame_Do(game, LanLink_Step(session.link, input, now));
}

}  // namespace

void LanInbox_Reset(Image* const images[SPRITE_SET_SIZE]) {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  inbox.roster = SeatRoster{};
  InterpSeats_Clear(inbox.tracks);
  inbox.images = images;
  inbox.reader = LanReader{};
}

SeatRoster LanInbox_Roster() {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  return inbox.roster;
}

LanHeard LanInbox_TakeHeard() {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  const LanHeard heard = inbox.heard;
  inbox.heard = LanHeard{};
  return heard;
}

void LanClient_OnDisconnected(PLAX_ID) {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  inbox.roster = SeatRoster{};
  InterpSeats_Clear(inbox.tracks);
}

void LanClient_OnConnected(PLAX_ID) {}

void LanClient_OnNewData(PLAX_ID connection_id, const PLAX_Bytes& data) {
  LanClient_OnNewData(connection_id, data, TimerSeconds());
}

void LanClient_OnNewData(PLAX_ID, const PLAX_Bytes& data, double arrival) {
  std::vector<LanEvent> events;
  LanReader_Feed(inbox.reader, data, events);
  std::lock_guard<std::mutex> lock(inbox.mutex);
  inbox.heard.received = true;
  for (const LanEvent& event : events) {
    if (event.kind == LanEventKind::Welcome) inbox.heard.welcomed = true;
    if (event.kind == LanEventKind::Refused) inbox.heard.refusal = event.reason;
    SeatRoster_Apply(inbox.roster, event);
    InterpSeats_Apply(inbox.tracks, event, arrival);
  }
}

void LanGame_Start(Game& game, const char* host, int port) {
  Game_Load(game);
  LanGame_Connect(game, host, port);
}

void LanGame_SetName(std::string_view given) {
  session.name = PlayerName_Choose(given);
}

void LanGame_Connect(Game& game, const char* host, int port) {
  // The figures share the remote-player images the game has just loaded.
  RemotePlayers_ShareImages(game.remotePlayers, game.enemy.images);
  LanInbox_Reset(game.enemy.images);
  game.player.onMove = LanGame_Report;
  const double now = TimerSeconds();
  const auto discovery_port = static_cast<std::uint16_t>(port);
  session.discoveryPort = discovery_port;
  session.link =
      host[0] == '\0' ? LanLink_Searching(now) : LanLink_Joining(host, discovery_port, now);
  LanWorker_Start(game.enemy.images);
}

void LanGame_Frame(Game& game) {
  LanGame_Frame(game, TimerSeconds());
}

void LanGame_Frame(Game& game, double now) {
  RemotePlayers shown = game.remotePlayers;
  LanInbox_Follow(shown, now);
  const SeatRoster roster = LanInbox_Roster();
  Game_Update(game);
  LockScreen();
  Player_EraseOld(game.player);
  RemotePlayers_Erase(game.remotePlayers);
  NameTags_Erase(session.tags);
  game.remotePlayers = shown;
  SeatMarks_Draw(roster, game.remotePlayers, game.player, game.map);
  RemotePlayers_Draw(game.remotePlayers);
  // The inactive remote-player record, the player, then the map over all;
  // the tags go over the map, so that a wall does not cut one.
  Game_Draw(game);
  session.tags = NameTags_Place(roster, session.name, game.remotePlayers, game.player, game.map);
  NameTags_Draw(session.tags);
  UnlockScreen();
}

void LanGame_RunFrame(Game& game, FrameTimer& timer) {
  timer.frameStart = TimerSeconds();
  LanGame_Step(game, timer.frameStart);
  const StatusLines status = LanLink_Status(session.link, timer.frameStart);
  const bool choosing = session.link.state == LanLinkState::Choosing;
  // One picture: the bands are cleared, the frame drawn, the lines over it.
  LockScreen();
  if (session.statusShown || StatusText_Any(status)) StatusText_Erase();
  if (session.listShown || choosing) GameList_Erase();
  LanGame_Frame(game, timer.frameStart);
  StatusText_Draw(status);
  if (choosing) GameList_Draw(session.link.games);
  UnlockScreen();
  session.statusShown = StatusText_Any(status);
  session.listShown = choosing;
  timer.frameEnd = TimerSeconds();
}

void LanGame_End() {
  LanWorker_Stop();
}
