// The slot table and the report framing, driven without a socket.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os_thread.h"
#include "server.h"
#include "support/loopback.h"

namespace {

std::vector<Position> Feed(ReportBuffer& buffer, const std::string& chunk) {
  std::vector<Position> reports;
  ReportBuffer_Feed(buffer, chunk, reports);
  return reports;
}

void ExpectPosition(const Position& position, std::int32_t x, std::int32_t y) {
  EXPECT_EQ(position.x, x);
  EXPECT_EQ(position.y, y);
}

TEST(ReportFraming, JoinedReportsAreAllRead) {
  ReportBuffer buffer;
  const auto reports = Feed(buffer, BuildPositionReport(1, 2) + BuildPositionReport(-3, 4));
  ASSERT_EQ(reports.size(), 2u);
  ExpectPosition(reports[0], 1, 2);
  ExpectPosition(reports[1], -3, 4);
  EXPECT_EQ(buffer.size, 0u);
}

TEST(ReportFraming, SplitReportWaitsForItsTail) {
  ReportBuffer buffer;
  const std::string report = BuildPositionReport(300, -400);
  EXPECT_TRUE(Feed(buffer, report.substr(0, 4)).empty());
  const auto reports = Feed(buffer, report.substr(4) + BuildPositionReport(5, 6).substr(0, 1));
  ASSERT_EQ(reports.size(), 1u);
  ExpectPosition(reports[0], 300, -400);
  EXPECT_EQ(buffer.size, 1u);
}

TEST(ReportFraming, ByteByByteNeverHoldsMoreThanOneReportLessAByte) {
  ReportBuffer buffer;
  const std::string stream = BuildPositionReport(7, 8) + BuildPositionReport(9, 10);
  std::vector<Position> reports;
  for (char byte : stream) {
    ReportBuffer_Feed(buffer, std::string(1, byte), reports);
    EXPECT_LE(buffer.size, MAX_PENDING_BYTES);
  }
  ASSERT_EQ(reports.size(), 2u);
  ExpectPosition(reports[1], 9, 10);
}

TEST(ReportFraming, UnknownTypeByteDropsTheRestOfTheChunk) {
  ReportBuffer buffer;
  EXPECT_TRUE(Feed(buffer, std::string("\x02") + BuildPositionReport(1, 1)).empty());
  EXPECT_TRUE(Feed(buffer, std::string(1, '\0')).empty());
  const auto reports = Feed(buffer, BuildPositionReport(1, 2) + "\x07" + BuildPositionReport(3, 4));
  ASSERT_EQ(reports.size(), 1u);
  ExpectPosition(reports[0], 1, 2);
  EXPECT_EQ(buffer.size, 0u);
  ASSERT_EQ(Feed(buffer, BuildPositionReport(5, 6)).size(), 1u);
}

// A table with players 101, 102, ... in slots 1 to `players`.
void Fill(ServerState& state, int players) {
  for (int i = 1; i <= players; ++i) Slots_Store(state, static_cast<PLAX_ID>(100 + i));
}

std::vector<PlannedRelay> Take(ServerState& state, PLAX_ID id, const std::string& chunk) {
  std::vector<PlannedRelay> relays;
  Slots_TakeChunk(state, id, chunk, relays);
  return relays;
}

TEST(Slots, FillInOrderAndStayFull) {
  ServerState state;
  EXPECT_TRUE(Slots_HasRoom(state));
  Fill(state, MAX_SLOTS);
  EXPECT_FALSE(Slots_HasRoom(state));
  EXPECT_EQ(state.slotCounter, 5);
  for (int i = 1; i <= MAX_SLOTS; ++i) EXPECT_EQ(Slots_At(state, i).connectionId, 100u + i);
}

TEST(Slots, LonePlayerIsStoredButRelayedToNobody) {
  ServerState state;
  Fill(state, 1);
  EXPECT_TRUE(Take(state, 101, BuildPositionReport(-1, 0)).empty());
  EXPECT_EQ(Slots_At(state, 1).x, -1);
  EXPECT_EQ(Slots_At(state, 1).y, 0);
}

TEST(Slots, ReportsGoToEveryOtherSlotInOrderWithTheReceiversNumber) {
  ServerState state;
  Fill(state, 4);
  const auto relays = Take(state, 103, BuildPositionReport(40, 50));
  ASSERT_EQ(relays.size(), 3u);
  const std::int8_t receivers[] = {1, 2, 4};
  for (std::size_t r = 0; r < relays.size(); ++r) {
    EXPECT_EQ(relays[r].slot, receivers[r]);
    EXPECT_EQ(relays[r].receiver, 100u + receivers[r]);
    EXPECT_EQ(relays[r].x, 40);
    EXPECT_EQ(relays[r].y, 50);
  }
}

TEST(Slots, JoinedReportsAreRelayedEachInTurn) {
  ServerState state;
  Fill(state, 2);
  const auto relays = Take(state, 102, BuildPositionReport(1, 1) + BuildPositionReport(2, 2));
  ASSERT_EQ(relays.size(), 2u);
  EXPECT_EQ(relays[0].x, 1);
  EXPECT_EQ(relays[1].x, 2);
  EXPECT_EQ(relays[1].slot, 1);
  EXPECT_EQ(Slots_At(state, 2).x, 2);
}

TEST(Slots, IncompleteOrStrangeChunksChangeNothing) {
  ServerState state;
  Fill(state, 2);
  Slots_At(state, 1).x = 11;
  EXPECT_TRUE(Take(state, 101, std::string("\x01")).empty());
  EXPECT_TRUE(Take(state, 999, BuildPositionReport(5, 5)).empty());
  EXPECT_EQ(Slots_At(state, 1).x, 11);
  // The pending byte of player 1 is the start of its next report.
  const auto relays = Take(state, 101, BuildPositionReport(6, 7).substr(1));
  ASSERT_EQ(relays.size(), 1u);
  EXPECT_EQ(relays[0].x, 6);
}

}  // namespace

// Fewer than four players would ever be admitted if a failed adoption kept
// its slot.
TEST(Admission, AFailedAdoptionLeavesTheSlotForTheNextPlayer) {
  // Two connected sockets stand in for accepted ones: the listener's backlog
  // completes their connections.
  std::uint16_t port = 0;
  const int listener = PlainListen(port);
  ASSERT_GE(listener, 0);
  const int first = PlainConnect(port);
  const int second = PlainConnect(port);
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  OsThread_FailNextStarts(1);
  OnNewConnection(0, first, "");
  EXPECT_EQ(serverState.slotCounter, 1);
  OnNewConnection(0, second, "");
  EXPECT_EQ(serverState.slotCounter, 2);
  EXPECT_NE(serverState.slots[0].connectionId, 0u);
  PlainClose(listener);
}
