#include "remote_playback.h"

void RemotePlayers_Follow(RemotePlayers& figures, const InterpSeats& tracks, double now) {
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    const InterpPosition shown =
        InterpTrack_Position(tracks.seats[static_cast<std::size_t>(seat - 1)], now);
    LanEvent event;
    event.kind = shown.present ? LanEventKind::Moved : LanEventKind::Left;
    event.seat = seat;
    event.x = shown.x;
    event.y = shown.y;
    RemotePlayers_Apply(figures, event);
  }
}
