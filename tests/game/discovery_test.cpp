#include "game/discovery.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(DiscoveryRequest, IsMagicVersionLittleEndianReplyPortAndTwoZeros) {
  EXPECT_EQ(BuildDiscoveryRequest(0x81C6), Bytes({0x54, 0x47, 0x3F, 1, 0xC6, 0x81, 0, 0}));
  std::uint16_t port = 0;
  ASSERT_TRUE(ReadDiscoveryRequest(BuildDiscoveryRequest(65535), port));
  EXPECT_EQ(port, 65535);
}

TEST(DiscoveryRequest, AnythingElseIsIgnoredAndLeavesThePortAlone) {
  const std::string good = BuildDiscoveryRequest(40000);
  std::vector<std::string> bad = {"", good.substr(0, 7), good + '\0', BuildDiscoveryRequest(0),
                                  BuildDiscoveryAnswer({33222, 1, 4})};
  for (std::size_t at : {0u, 1u, 2u, 3u, 6u, 7u}) {
    std::string changed = good;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    bad.push_back(changed);
  }
  for (const std::string& datagram : bad) {
    std::uint16_t port = 7;
    EXPECT_FALSE(ReadDiscoveryRequest(datagram, port)) << testing::PrintToString(datagram);
    EXPECT_EQ(port, 7);
  }
}

TEST(DiscoveryAnswer, IsMagicVersionGamePortAndSeats) {
  EXPECT_EQ(BuildDiscoveryAnswer({33222, 3, 4}), Bytes({0x54, 0x47, 0x21, 1, 0xC6, 0x81, 3, 4}));
  DiscoveryAnswer read;
  ASSERT_TRUE(ReadDiscoveryAnswer(BuildDiscoveryAnswer({1, 4, 4}), read));
  EXPECT_EQ(read.gamePort, 1);
  EXPECT_EQ(read.seatsTaken, 4);
  EXPECT_FALSE(DiscoveryAnswer_HasFreeSeat(read));
  EXPECT_TRUE(DiscoveryAnswer_HasFreeSeat({33222, 3, 4}));
}

TEST(DiscoveryAnswer, MalformedOnesAreIgnored) {
  const std::string good = BuildDiscoveryAnswer({33222, 0, 4});
  std::vector<std::string> bad = {"",
                                  good.substr(0, 7),
                                  good + 'x',
                                  BuildDiscoveryAnswer({0, 0, 4}),
                                  BuildDiscoveryAnswer({33222, 0, 0}),
                                  BuildDiscoveryAnswer({33222, 5, 4}),
                                  BuildDiscoveryRequest(33222)};
  for (std::size_t at : {0u, 1u, 2u, 3u}) {
    std::string changed = good;
    changed[at] = static_cast<char>(changed[at] ^ 0x10);
    bad.push_back(changed);
  }
  for (const std::string& datagram : bad) {
    DiscoveryAnswer read{9, 9, 9};
    EXPECT_FALSE(ReadDiscoveryAnswer(datagram, read)) << testing::PrintToString(datagram);
    EXPECT_EQ(read.gamePort, 9);
  }
}

// The named version: the 8 bytes of version 1 with the version byte 2, the
// name's length, the name and zeros; the request padded to the same size.
// What else the readers turn away, and that a name read is clean, the fuzz
// targets check; that a server reads the request, the server's tests.
TEST(DiscoveryNamed, AnswerCarriesTheNameAndTheRequestIsAsLarge) {
  const std::string request = BuildDiscoveryRequest(0x81C6, DISCOVERY_NAMED_VERSION);
  EXPECT_EQ(request, Bytes({0x54, 0x47, 0x3F, 2, 0xC6, 0x81}) + std::string(27, '\0'));

  const std::string answer = BuildNamedDiscoveryAnswer({33222, 2, 4}, "Ana's game");
  EXPECT_EQ(answer, Bytes({0x54, 0x47, 0x21, 2, 0xC6, 0x81, 2, 4, 10}) + "Ana's game" +
                        std::string(GAME_NAME_MAX_CHARS - 10, '\0'));
  EXPECT_EQ(answer.size(), request.size());
  DiscoveryAnswer read;
  std::string name;
  ASSERT_TRUE(ReadDiscoveryAnswer(answer, read, name));
  EXPECT_EQ(name, "Ana's game");
  EXPECT_EQ(read.seatsTaken, 2);
  ASSERT_TRUE(
      ReadDiscoveryAnswer(BuildNamedDiscoveryAnswer({1, 0, 4}, std::string(300, 'x')), read, name));
  EXPECT_EQ(name, std::string(GAME_NAME_MAX_CHARS, 'x'));
  // A length past the name's room, bytes behind the name, or a request.
  std::string long_length = answer, behind = answer;
  long_length[8] = 'x';
  behind[DISCOVERY_NAMED_SIZE - 1] = 'x';
  for (const std::string& datagram : {long_length, behind, request}) {
    EXPECT_FALSE(ReadDiscoveryAnswer(datagram, read, name)) << testing::PrintToString(datagram);
  }
}

// Asks `count` times, `step` seconds apart from `from`, from `askers`
// addresses in turn; the times answered.
std::vector<double> Answered(AnswerLimiter& limiter, double from, int count, double step,
                             int askers) {
  std::vector<double> answered;
  for (int i = 0; i < count; ++i) {
    const double now = from + i * step;
    const std::string address = "10.0.0." + std::to_string(i % askers);
    if (AnswerLimiter_Allow(limiter, address, now)) answered.push_back(now);
  }
  return answered;
}

TEST(AnswerLimiter, NoSecondHoldsMoreThanTheLimitWhereverItStarts) {
  AnswerLimiter limiter;
  // A flood of 1000 a second for 3 s, from more addresses than the limiter
  // keeps account of (forged ones, say): the limit in each second, and no
  // second, at a window's edge or not, holds more.
  const std::vector<double> answered = Answered(limiter, 100.0, 3000, 0.001, 100);
  EXPECT_EQ(answered.size(), 3u * DISCOVERY_ANSWERS_PER_SECOND);
  for (std::size_t i = DISCOVERY_ANSWERS_PER_SECOND; i < answered.size(); ++i) {
    EXPECT_GE(answered[i] - answered[i - DISCOVERY_ANSWERS_PER_SECOND], 1.0 - 1e-9) << i;
  }
}

TEST(AnswerLimiter, RequestsWithinTheLimitAreAllAnswered) {
  AnswerLimiter limiter;
  const int count = 60 * DISCOVERY_ANSWERS_PER_SECOND;
  EXPECT_EQ(Answered(limiter, 0.0, count, 1.0 / DISCOVERY_ANSWERS_PER_SECOND + 1e-6, 4).size(),
            static_cast<std::size_t>(count));
}

// One machine asking 1000 times a second gets its own share and cannot hide
// the game: another machine, asking once a second, is always answered.
TEST(AnswerLimiter, AFloodingAskerLeavesOthersTheirSearches) {
  AnswerLimiter limiter;
  int flooder_answered = 0;
  int searches_answered = 0;
  for (int ms = 0; ms < 10000; ++ms) {
    const double now = ms / 1000.0;
    flooder_answered += AnswerLimiter_Allow(limiter, "10.0.0.66", now);
    if (ms % 1000 == 500 && AnswerLimiter_Allow(limiter, "10.0.0.7", now)) ++searches_answered;
  }
  EXPECT_EQ(searches_answered, 10);
  EXPECT_EQ(flooder_answered, 10 * DISCOVERY_ANSWERS_PER_ASKER);
}

}  // namespace
