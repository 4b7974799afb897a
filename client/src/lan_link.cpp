#include "lan_link.h"

#include <algorithm>
#include <cstdio>

#include "game/lan_messages.h"
#include "game/lan_search.h"

namespace {

void Link_Enter(LanLink& link, LanLinkState state, double now) {
  link.state = state;
  link.since = now;
}

bool Link_Waiting(const LanLink& link) {
  return link.state == LanLinkState::Lost || link.state == LanLinkState::Full;
}

// The whole text of the state, as the console gets it.
std::string Link_ConsoleLine(const LanLink& link) {
  const StatusLines status = LanLink_Status(link, link.since);
  std::string line = status.lines[0];
  if (!status.lines[1].empty()) line += " " + status.lines[1];
  return line;
}

// A game with a free seat is joined at once; a full one is waited for.
void Link_Join(LanLink& link, const std::string& host, std::uint16_t port, int full_seats,
               double now, LanLinkActions& actions) {
  link.host = host;
  link.port = port;
  if (full_seats == 0) {
    link.lastAttempt = -1e9;  // the first connection goes at once
    Link_Enter(link, LanLinkState::Connecting, now);
    return;
  }
  link.seats = full_seats;
  link.lastAttempt = now;
  Link_Enter(link, LanLinkState::Full, now);
  actions.consoleLine = Link_ConsoleLine(link);
}

void Link_Search(LanLink& link, const LanLinkInput& input, double now, LanLinkActions& actions) {
  if (input.search == LanSearchResult::Found) {
    Link_Join(link, input.foundHost, input.foundPort, 0, now, actions);
  } else if (input.search == LanSearchResult::OnlyFull) {
    Link_Join(link, input.foundHost, input.foundPort, input.foundSeats, now, actions);
  } else if (input.search == LanSearchResult::NothingFound) {
    actions.startUpFailure = NO_GAME_FOUND_LINE;
  } else if (input.search == LanSearchResult::Several) {
    link.games = input.games;
    Link_Enter(link, LanLinkState::Choosing, now);
    actions.showList = true;
  }
}

void Link_Choose(LanLink& link, int picked, double now, LanLinkActions& actions) {
  if (picked < 0 || static_cast<std::size_t>(picked) >= link.games.size()) return;
  const LanGame game = link.games[picked];
  link.games.clear();
  Link_Join(link, game.host, game.port, LanGame_HasFreeSeat(game) ? 0 : game.seatsInAll, now,
            actions);
}

// The connection has gone: told by the engine, or closed here.
void Link_Ended(LanLink& link, double now, LanLinkActions& actions) {
  link.connection = LanConnection::Idle;
  actions.clearOthers = true;
  const LanLinkState before = link.state;
  if (link.refusal == REFUSED_FULL) {
    link.seats = LAN_SEATS;
    Link_Enter(link, LanLinkState::Full, now);
  } else if (link.refusal != 0) {
    Link_Enter(link, LanLinkState::Refused, now);
  } else if (!Link_Waiting(link)) {
    link.longestFrame = 0.0;
    Link_Enter(link, LanLinkState::Lost, now);
  }
  if (link.state != before) actions.consoleLine = Link_ConsoleLine(link);
}

void Link_TakeConnect(LanLink& link, const LanLinkInput& input, double now,
                      LanLinkActions& actions) {
  if (input.connect == LanConnectResult::Connected) {
    link.connection = LanConnection::Open;
    link.openedAt = link.lastReceived = link.lastSent = now;
    link.welcomed = false;
    link.refusal = 0;
    actions.sendPosition = true;
    return;
  }
  link.connection = LanConnection::Idle;
  // The first connection fails as the default game's does; later ones are tried again.
  if (link.state == LanLinkState::Connecting) actions.startUpFailure = input.connectError;
}

void Link_Welcomed(LanLink& link, double now, LanLinkActions& actions) {
  link.welcomed = true;
  actions.sendHello = true;
  const bool back = link.state != LanLinkState::Connecting && link.state != LanLinkState::NoLan;
  if (back) {
    char line[200];
    std::snprintf(line, sizeof line, "Back in the game at %s (longest frame meanwhile: %.0f ms)",
                  link.host.c_str(), link.longestFrame * 1000.0);
    actions.consoleLine = line;
  }
  link.error.clear();
  Link_Enter(link, LanLinkState::Playing, now);
}

// The clocks of an open connection: the Welcome that does not come, the
// silence of the server and this player's own.
void Link_CheckTimes(LanLink& link, double now, LanLinkActions& actions) {
  if (!link.welcomed) {
    if (link.state != LanLinkState::NoLan && now - link.openedAt >= LAN_WELCOME_SECONDS) {
      Link_Enter(link, LanLinkState::NoLan, now);
      actions.consoleLine = Link_ConsoleLine(link);
    }
    return;
  }
  if (now - link.lastReceived >= LAN_SILENCE_SECONDS) {
    actions.close = true;
    Link_Ended(link, now, actions);
    return;
  }
  if (now - link.lastSent >= LAN_KEEP_ALIVE_SECONDS) {
    actions.sendKeepAlive = true;
    link.lastSent = now;
  }
}

}  // namespace

LanLink LanLink_Searching(double now) {
  LanLink link;
  link.state = LanLinkState::Searching;
  link.since = now;
  return link;
}

LanLink LanLink_Joining(const std::string& host, std::uint16_t port, double now) {
  LanLink link;
  link.host = host;
  link.port = port;
  link.since = now;
  return link;
}

LanLinkActions LanLink_Step(LanLink& link, const LanLinkInput& input, double now) {
  LanLinkActions actions;
  if (link.state != LanLinkState::Playing && link.state != LanLinkState::NoLan) {
    link.longestFrame = std::max(link.longestFrame, input.frameSeconds);
  }
  if (link.state == LanLinkState::Searching) {
    Link_Search(link, input, now, actions);
    if (link.state == LanLinkState::Searching && link.lastAttempt < 0) {
      actions.search = true;
      link.lastAttempt = now;
    }
    return actions;
  }
  if (link.state == LanLinkState::Choosing) Link_Choose(link, input.picked, now, actions);
  if (input.connect != LanConnectResult::None) Link_TakeConnect(link, input, now, actions);
  if (!actions.startUpFailure.empty()) return actions;
  if (link.connection == LanConnection::Open) {
    if (input.received) link.lastReceived = now;
    if (input.reported) link.lastSent = now;
    if (input.refusal != 0) link.refusal = input.refusal;
    if (input.welcomed && !link.welcomed) Link_Welcomed(link, now, actions);
    if (!input.sendError.empty()) {
      link.error = input.sendError;
      actions.close = true;
      Link_Ended(link, now, actions);
    } else if (input.disconnected) {
      Link_Ended(link, now, actions);
    } else {
      Link_CheckTimes(link, now, actions);
    }
  }
  const bool first = link.state == LanLinkState::Connecting && link.lastAttempt < 0;
  const bool again = Link_Waiting(link) && now - link.lastAttempt >= LAN_RETRY_SECONDS;
  if (link.connection == LanConnection::Idle && (first || again)) {
    actions.connect = true;
    link.connection = LanConnection::Opening;
    link.lastAttempt = now;
  }
  return actions;
}

StatusLines LanLink_Status(const LanLink& link, double now) {
  const std::string& host = link.host;
  switch (link.state) {
    case LanLinkState::Searching:
      return {{"Looking for a game on the local network... (Escape quits)", ""}};
    case LanLinkState::Choosing:
      return {{"Press the number of a game to join it (Escape quits)", ""}};
    case LanLinkState::Connecting:
      return {{"Joining the game at " + host + "... (Escape quits)", ""}};
    case LanLinkState::Playing:
      return {};
    case LanLinkState::NoLan:
      if (now - link.since >= LAN_HINT_SECONDS) return {};
      return {{"The server at " + host + " is not running a LAN game",
               "(started without --lan: you will not see the other players)"}};
    case LanLinkState::Lost: {
      const std::string lost =
          "Lost the game at " + host + ". Trying to get back in... (Escape quits)";
      if (link.error.empty()) return {{lost, ""}};
      return {{link.error, lost}};
    }
    case LanLinkState::Full:
      return {{"The game at " + host + " is full (" + std::to_string(link.seats) + " players).",
               "Waiting for a free seat... (Escape quits)"}};
    case LanLinkState::Refused:
      return {{"The game at " + host + " speaks another version of the game.", "(Escape quits)"}};
  }
  return {};
}
