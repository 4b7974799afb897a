#include "lan_network.h"

#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/screen.h"

namespace {

// Shared by the engine's callbacks, which carry no context, and the frame
// loop. The reader belongs to the connection's worker thread alone (one
// connection's data callbacks never overlap); the figures to whoever holds
// the mutex.
struct LanInbox {
  std::mutex mutex;
  RemotePlayers players;
  LanReader reader;
};

LanInbox inbox;

}  // namespace

void LanInbox_Reset(Image* const images[SPRITE_SET_SIZE]) {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  inbox.players = RemotePlayers{};
  RemotePlayers_ShareImages(inbox.players, images);
  inbox.reader = LanReader{};
}

void LanInbox_CopyOut(RemotePlayers& out) {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  out = inbox.players;
}

void LanClient_OnDisconnected(PLAX_ID) {
  std::lock_guard<std::mutex> lock(inbox.mutex);
  RemotePlayers_Clear(inbox.players);
}

void LanClient_OnConnected(PLAX_ID) {}

void LanClient_OnNewData(PLAX_ID, const PLAX_Bytes& data) {
  std::vector<LanEvent> events;
  LanReader_Feed(inbox.reader, data, events);
  if (events.empty()) return;
  std::lock_guard<std::mutex> lock(inbox.mutex);
  for (const LanEvent& event : events) RemotePlayers_Apply(inbox.players, event);
}

void LanGame_Start(Game& game, const char* host, int port) {
  Game_Load(game);
  LanGame_Connect(game, host, port);
}

void LanGame_Connect(Game& game, const char* host, int port) {
  // The figures share the remote-player images the game has just loaded.
  RemotePlayers_ShareImages(game.remotePlayers, game.enemy.images);
  LanInbox_Reset(game.enemy.images);
  Client_ConnectWith(
      game, host, port,
      ConnectionCallbacks{LanClient_OnDisconnected, LanClient_OnConnected, LanClient_OnNewData});
  ReportPosition(game.player.x, game.player.y, game.connectionId);
}

void LanGame_Frame(Game& game) {
  RemotePlayers latest;
  LanInbox_CopyOut(latest);
  Game_Update(game);
  LockScreen();
  Player_EraseOld(game.player);
  RemotePlayers_Erase(game.remotePlayers);
  game.remotePlayers = latest;
  RemotePlayers_Draw(game.remotePlayers);
  // The inactive remote-player record, the player, then the map over all.
  Game_Draw(game);
  UnlockScreen();
}

void LanGame_RunFrame(Game& game, FrameTimer& timer) {
  timer.frameStart = TimerSeconds();
  LanGame_Frame(game);
  timer.frameEnd = TimerSeconds();
}
