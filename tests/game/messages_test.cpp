#include "game/messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

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

}  // namespace
