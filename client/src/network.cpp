#include "network.h"

#include <string>

#include "game.h"
#include "game/assets.h"
#include "game/messages.h"
#include "game/texts.h"
#include "platform/console.h"
#include "start_up_failure.h"

void Enemy_Init(Enemy& enemy) {
  enemy = Enemy{};
  Enemy_LoadImages(enemy);
}

void Enemy_LoadImages(Enemy& enemy) {
  SpriteSet_Load(enemy.images, ENEMY_IMAGE_PATHS);
}

void Enemy_Draw(const Enemy& enemy) {
  if (enemy.active != 1) return;
  const Image* image = SpriteSet_Frame(enemy.images, enemy.direction, enemy.animCounter);
  if (image != nullptr) DrawImageTransparent(enemy.x, enemy.y, image);
}

void Client_ConnectWith(Game& game, const char* host, int port,
                        const ConnectionCallbacks& callbacks) {
  game.connectionId = 0;
  const PLAX_Result result = PLAX_OpenClient(
      game.connectionId, host, static_cast<std::uint16_t>(port), callbacks.onDisconnected,
      callbacks.onConnected, callbacks.onNewData, CONNECT_TIMEOUT);
  if (result != PLAX_GURU_NO_ERROR) StartUp_Fail(EngineErrorLine(PLAX_GURUText(result)));
  game.player.connectionId = game.connectionId;
}

void Client_Connect(Game& game, const char* host, int port) {
  Client_ConnectWith(
      game, host, port,
      ConnectionCallbacks{Client_OnDisconnected, Client_OnConnected, Client_OnNewData});
}

void ReportPosition(std::int32_t x, std::int32_t y, PLAX_ID connection_id) {
  const std::string report = BuildPositionReport(x, y);
  std::uint32_t sent = 0;
  const PLAX_Result result = PLAX_Send(connection_id, report, sent, "", 0);
  if (result != PLAX_GURU_NO_ERROR) PrintLine(EngineErrorLine(PLAX_GURUText(result)));
}

void Client_OnDisconnected(PLAX_ID) {}
void Client_OnConnected(PLAX_ID) {}
void Client_OnNewData(PLAX_ID, const PLAX_Bytes&) {}
