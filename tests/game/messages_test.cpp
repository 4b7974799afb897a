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

}  // namespace
