#include "game/messages.h"

#include "game/lan_messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(PositionReport, IsTypeByteThenLittleEndianCoordinates) {
  EXPECT_EQ(BuildPositionReport(33, 33), Bytes({0x01, 0x21, 0, 0, 0, 0x21, 0, 0, 0}));
  EXPECT_EQ(BuildPositionReport(-1, 0), Bytes({0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_EQ(BuildPositionReport(0x12345678, 0x0A0B0C0D),
            Bytes({0x01, 0x78, 0x56, 0x34, 0x12, 0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(PositionReport, ExtremeValuesSurviveTheWire) {
  const std::string report = BuildPositionReport(INT32_MIN, INT32_MAX);
  EXPECT_EQ(report, Bytes({0x01, 0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0x7F}));
  const Position read = ReadPosition(report);
  EXPECT_EQ(read.x, INT32_MIN);
  EXPECT_EQ(read.y, INT32_MAX);
}

TEST(PositionRelay, AppendsTheReceiversSlot) {
  EXPECT_EQ(BuildPositionRelay(-1, 0, 3), Bytes({0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x03}));
  const Position read = ReadPosition(BuildPositionRelay(615, -7, 4));
  EXPECT_EQ(read.x, 615);
  EXPECT_EQ(read.y, -7);
}

TEST(ReadPosition, MissingFieldsReadAsZero) {
  const Position one_byte = ReadPosition(Bytes({0x01}));
  EXPECT_EQ(one_byte.x, 0);
  EXPECT_EQ(one_byte.y, 0);
  const Position six_bytes = ReadPosition(Bytes({0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x05}));
  EXPECT_EQ(six_bytes.x, -1);
  EXPECT_EQ(six_bytes.y, 0);
  const Position eight_bytes = ReadPosition(Bytes({0x01, 0x02, 0, 0, 0, 0x03, 0, 0}));
  EXPECT_EQ(eight_bytes.x, 2);
  EXPECT_EQ(eight_bytes.y, 0);
}

TEST(LanMessages, NameTheMoverAndTheLeaver) {
  EXPECT_EQ(BuildPlayerMoved(-1, 33, 2),
            Bytes({0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x21, 0, 0, 0, 0x02}));
  EXPECT_EQ(BuildPlayerLeft(4), Bytes({0x03, 0x04}));
}

std::vector<LanEvent> FeedInPieces(const std::string& stream, std::size_t piece) {
  LanReader reader;
  std::vector<LanEvent> events;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    LanReader_Feed(reader, std::string_view(stream).substr(at, piece), events);
  }
  return events;
}

// Garbage between messages, bad seats and unknown types are skipped; every
// honest message is read whole, however the stream is cut.
TEST(LanReader, ReadsEveryHonestMessageHoweverTheStreamIsCut) {
  const std::string stream = BuildPlayerMoved(615, -7, 1) + Bytes({0x00, 0xFF, 0x01}) +
                             BuildPlayerMoved(1, 1, 5) + BuildPlayerLeft(0) + BuildPlayerLeft(3) +
                             BuildPlayerMoved(INT32_MIN, INT32_MAX, 4);
  for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
    SCOPED_TRACE(piece);
    const std::vector<LanEvent> events = FeedInPieces(stream, piece);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, LanEventKind::Moved);
    EXPECT_EQ(events[0].seat, 1);
    EXPECT_EQ(events[0].x, 615);
    EXPECT_EQ(events[0].y, -7);
    EXPECT_EQ(events[1].kind, LanEventKind::Left);
    EXPECT_EQ(events[1].seat, 3);
    EXPECT_EQ(events[2].seat, 4);
    EXPECT_EQ(events[2].x, INT32_MIN);
    EXPECT_EQ(events[2].y, INT32_MAX);
  }
}

// A server without the LAN game sends relays, whose position and slot bytes
// often look like the start of a LAN message: none may be read as one.
TEST(LanReader, ReadsNothingFromAServerWithoutTheLanGame) {
  std::string stream;
  for (std::int32_t x : {2, 3, 515, 616, -1}) {
    for (std::int8_t slot = 1; slot <= 4; ++slot) stream += BuildPositionRelay(x, 0, slot);
  }
  for (std::size_t piece : {std::size_t{1}, std::size_t{7}, stream.size()}) {
    EXPECT_TRUE(FeedInPieces(stream, piece).empty()) << piece;
  }
}

// The liveness and admission messages among the rest: a Welcome of another
// version or with a bad seat is dropped whole, the others are read as sent.
TEST(LanReader, ReadsWelcomeKeepAliveAndRefusalsBetweenMoves) {
  EXPECT_EQ(BuildWelcome(2), Bytes({0x05, 0x02, 0x01}));
  EXPECT_EQ(BuildRefused(REFUSED_FULL), Bytes({0x06, 0x01}));
  const std::string stream = BuildWelcome(2) + BuildWelcome(3, 9) + BuildKeepAlive() +
                             BuildWelcome(7) + BuildPlayerMoved(3, 4, 1) +
                             BuildRefused(REFUSED_VERSION) + BuildRefused(200);
  for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, stream.size()}) {
    SCOPED_TRACE(piece);
    const std::vector<LanEvent> events = FeedInPieces(stream, piece);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, LanEventKind::Welcome);
    EXPECT_EQ(events[0].seat, 2);
    EXPECT_EQ(events[1].kind, LanEventKind::KeepAlive);
    EXPECT_EQ(events[2].kind, LanEventKind::Moved);
    EXPECT_EQ(events[3].kind, LanEventKind::Refused);
    EXPECT_EQ(events[3].reason, REFUSED_VERSION);
    EXPECT_EQ(events[4].reason, 200);
  }
}

// A stray byte before a report costs nothing but itself, whether it comes in
// the report's chunk or alone.
TEST(SeatReader, ReadsReportsHelloAndKeepAliveAfterAnyStrayByte) {
  const std::string stream = Bytes({0x09}) + BuildPositionReport(5, -6) + BuildHello(9) +
                             Bytes({0xFF}) + BuildKeepAlive() + BuildPositionReport(7, 8);
  for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
    SCOPED_TRACE(piece);
    SeatReader reader;
    std::vector<SeatMessage> messages;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      SeatReader_Feed(reader, std::string_view(stream).substr(at, piece), messages);
    }
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].kind, SeatMessageKind::Report);
    EXPECT_EQ(messages[0].x, 5);
    EXPECT_EQ(messages[0].y, -6);
    EXPECT_EQ(messages[1].kind, SeatMessageKind::Hello);
    EXPECT_EQ(messages[1].version, 9);
    EXPECT_EQ(messages[2].kind, SeatMessageKind::KeepAlive);
    EXPECT_EQ(messages[3].y, 8);
  }
}

}  // namespace
