#include "game/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
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
TEST(DiscoveryNamed, AnswerCarriesTheCleanNameAndTheRequestIsAsLarge) {
  const std::string request = BuildDiscoveryRequest(0x81C6, DISCOVERY_NAMED_VERSION);
  EXPECT_EQ(request, Bytes({0x54, 0x47, 0x3F, 2, 0xC6, 0x81}) + std::string(27, '\0'));
  std::uint16_t port = 0;
  std::uint8_t version = 0;
  ASSERT_TRUE(ReadDiscoveryRequest(request, port, version));
  EXPECT_EQ(port, 0x81C6);
  EXPECT_EQ(version, DISCOVERY_NAMED_VERSION);
  ASSERT_TRUE(ReadDiscoveryRequest(BuildDiscoveryRequest(9), port, version));
  EXPECT_EQ(version, DISCOVERY_VERSION);

  const std::string answer = BuildNamedDiscoveryAnswer({33222, 2, 4}, "Ana's game");
  EXPECT_EQ(answer, Bytes({0x54, 0x47, 0x21, 2, 0xC6, 0x81, 2, 4, 10}) + "Ana's game" +
                        std::string(GAME_NAME_MAX_CHARS - 10, '\0'));
  EXPECT_EQ(answer.size(), request.size());
  DiscoveryAnswer read;
  std::string name;
  ASSERT_TRUE(ReadDiscoveryAnswer(answer, read, name));
  EXPECT_EQ(name, "Ana's game");
  EXPECT_EQ(read.seatsTaken, 2);
  // Built from a hostile name, and read from raw hostile bytes: clean and cut.
  const std::string long_name(300, 'x');
  ASSERT_TRUE(ReadDiscoveryAnswer(BuildNamedDiscoveryAnswer({1, 0, 4}, long_name), read, name));
  EXPECT_EQ(name, std::string(GAME_NAME_MAX_CHARS, 'x'));
  std::string raw = answer;
  raw[9] = '\x1B';
  raw[10] = '\xC3';
  ASSERT_TRUE(ReadDiscoveryAnswer(raw, read, name));
  EXPECT_EQ(name, "a's game");
  ASSERT_TRUE(ReadDiscoveryAnswer(BuildDiscoveryAnswer({1, 0, 4}), read, name));
  EXPECT_EQ(name, "");
}

TEST(DiscoveryNamed, MalformedOnesAreIgnored) {
  const std::string request = BuildDiscoveryRequest(40000, DISCOVERY_NAMED_VERSION);
  const std::string answer = BuildNamedDiscoveryAnswer({33222, 0, 4}, "Bo");
  std::string long_length = answer, padding = answer, request_padding = request;
  long_length[8] = static_cast<char>(GAME_NAME_MAX_CHARS + 1);
  padding[DISCOVERY_NAMED_SIZE - 1] = 'x';
  request_padding[DISCOVERY_NAMED_SIZE - 1] = '\1';
  std::string v1_sized = request.substr(0, DISCOVERY_MESSAGE_SIZE);
  std::string v3 = request;
  v3[3] = 3;
  for (const std::string& datagram : {request.substr(0, 32), request + '\0', request_padding,
                                      v1_sized, v3, BuildDiscoveryRequest(0, 2)}) {
    std::uint16_t port = 7;
    EXPECT_FALSE(ReadDiscoveryRequest(datagram, port)) << testing::PrintToString(datagram);
    EXPECT_EQ(port, 7);
  }
  for (const std::string& datagram : {answer.substr(0, 32), answer + '\0', long_length, padding,
                                      BuildNamedDiscoveryAnswer({33222, 5, 4}, "Bo"), request}) {
    DiscoveryAnswer read{9, 9, 9};
    std::string name = "kept";
    EXPECT_FALSE(ReadDiscoveryAnswer(datagram, read, name)) << testing::PrintToString(datagram);
    EXPECT_EQ(name, "kept");
  }
}

// Asks `count` times, `step` seconds apart from `from`, from `askers`
// addresses in turn; the times answered, per asker.
std::vector<std::vector<double>> Answered(AnswerLimiter& limiter, double from, int count,
                                          double step, int askers = 1) {
  std::vector<std::vector<double>> answered(askers);
  for (int i = 0; i < count; ++i) {
    const double now = from + i * step;
    const int asker = i % askers;
    if (AnswerLimiter_Allow(limiter, "10.0.0." + std::to_string(asker), now))
      answered[asker].push_back(now);
  }
  return answered;
}

std::vector<double> AllOf(const std::vector<std::vector<double>>& per_asker) {
  std::vector<double> all;
  for (const auto& times : per_asker) all.insert(all.end(), times.begin(), times.end());
  std::sort(all.begin(), all.end());
  return all;
}

// No second, at a window's edge or not, holds more than `limit` of `times`.
void ExpectAtMostPerSecond(const std::vector<double>& times, int limit) {
  for (std::size_t i = limit; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - limit], 1.0 - 1e-9) << i;
  }
}

// A flood of 1000 a second for 3 s from one address, from as many addresses
// as the table keeps, and from more than it keeps (forged ones, say): one
// address gets its own budget, the overall cap holds whatever the spread.
struct Flood {
  int askers;
  std::size_t answered;  // in the 3 s
};
class AnswerLimiterFlood : public testing::TestWithParam<Flood> {};

TEST_P(AnswerLimiterFlood, NoSecondHoldsMoreThanEitherLimitWhereverItStarts) {
  AnswerLimiter limiter;
  const auto per_asker = Answered(limiter, 100.0, 3000, 0.001, GetParam().askers);
  const std::vector<double> all = AllOf(per_asker);
  EXPECT_EQ(all.size(), GetParam().answered);
  ExpectAtMostPerSecond(all, DISCOVERY_ANSWERS_PER_SECOND);
  for (const auto& times : per_asker) ExpectAtMostPerSecond(times, DISCOVERY_ANSWERS_PER_ASKER);
}

INSTANTIATE_TEST_SUITE_P(Askers, AnswerLimiterFlood,
                         testing::Values(Flood{1, 3u * DISCOVERY_ANSWERS_PER_ASKER},
                                         Flood{static_cast<int>(DISCOVERY_ASKERS_KEPT),
                                               3u * DISCOVERY_ANSWERS_PER_SECOND},
                                         Flood{100, 3u * DISCOVERY_ANSWERS_PER_SECOND}));

TEST(AnswerLimiter, RequestsWithinTheLimitAreAllAnswered) {
  AnswerLimiter limiter;
  const int count = 60 * DISCOVERY_ANSWERS_PER_SECOND;
  const auto answered = Answered(limiter, 0.0, count, 1.0 / DISCOVERY_ANSWERS_PER_SECOND + 1e-6, 4);
  EXPECT_EQ(AllOf(answered).size(), static_cast<std::size_t>(count));
}

// One machine asking 1000 times a second cannot hide the game: another
// machine's searches (three requests, twice each, 0.4 s apart) all get answers.
TEST(AnswerLimiter, AFloodingAskerLeavesOthersTheirSearches) {
  AnswerLimiter limiter;
  int searches_answered = 0;
  for (int ms = 0; ms < 10000; ++ms) {
    const double now = ms / 1000.0;
    AnswerLimiter_Allow(limiter, "10.0.0.66", now);
    if (ms % 1000 == 0 && AnswerLimiter_Allow(limiter, "10.0.0.7", now)) ++searches_answered;
  }
  EXPECT_EQ(searches_answered, 10);
}

}  // namespace
