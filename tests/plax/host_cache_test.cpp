// Host resolution and its 60-second cache, with a clock and a name lookup
// that the test controls and counts.
#include <atomic>
#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "plax_internal.h"

namespace {

// An address as the engine keeps it: its four bytes in network order.
std::uint32_t NetworkOrder(std::uint32_t host_order) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(host_order >> 24), static_cast<unsigned char>(host_order >> 16),
      static_cast<unsigned char>(host_order >> 8), static_cast<unsigned char>(host_order)};
  std::uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

std::atomic<double> g_now{1000.0};
std::atomic<int> g_lookups{0};

double TestClock() {
  return g_now.load();
}

// Every name resolves to 10.0.0.<length>, except "nowhere" and "allones".
bool TestResolve(const char* host, std::uint32_t& address) {
  ++g_lookups;
  std::string name = host;
  if (name == "nowhere") return false;
  if (name == "allones") {
    address = 0xFFFFFFFFu;
    return true;
  }
  address = NetworkOrder(0x0A000000u + static_cast<std::uint32_t>(name.size()));
  return true;
}

class HostCache : public ::testing::Test {
 protected:
  void SetUp() override {
    PLAX_HostCacheClear();
    PLAX_SetHostCacheHooks({TestClock, TestResolve});
    g_now = 1000.0;
    g_lookups = 0;
  }
  void TearDown() override {
    PLAX_SetHostCacheHooks({});
    PLAX_HostCacheClear();
  }
};

std::uint32_t Resolve(const char* host) {
  std::uint32_t address = 0;
  EXPECT_EQ(PLAX_ResolveHost(host, address), PLAX_GURU_NO_ERROR) << host;
  return address;
}

}  // namespace

TEST_F(HostCache, DottedTextNeedsNoLookupButIsCached) {
  EXPECT_EQ(Resolve("127.0.0.1"), NetworkOrder(0x7F000001u));
  EXPECT_EQ(Resolve("127.1"), NetworkOrder(0x7F000001u));  // classic short form
  EXPECT_EQ(g_lookups, 0);
  ASSERT_NE(PLAX_HostCache.V_First, nullptr);
  EXPECT_EQ(PLAX_HostCache.V_First->V_Host, "127.0.0.1");
  EXPECT_EQ(PLAX_HostCache.V_First->V_Expiry, 1060.0);
  EXPECT_EQ(PLAX_HostCache.V_Last->V_Host, "127.1");
}

TEST_F(HostCache, NamesDifferingInCaseAreDifferentKeys) {
  Resolve("Localhost");
  Resolve("localhost");
  EXPECT_EQ(g_lookups, 2);
  Resolve("Localhost");
  EXPECT_EQ(g_lookups, 2);
}

TEST_F(HostCache, HitDoesNotRenewAndLapsedEntriesArePurged) {
  Resolve("server");
  g_now = 1059.9;
  Resolve("server");  // a hit, which must not move the expiry
  EXPECT_EQ(g_lookups, 1);
  EXPECT_EQ(PLAX_HostCache.V_First->V_Expiry, 1060.0);
  g_now = 1060.0;  // at the expiry: purged and looked up again
  Resolve("server");
  EXPECT_EQ(g_lookups, 2);
  EXPECT_EQ(PLAX_HostCache.V_First, PLAX_HostCache.V_Last);
  EXPECT_EQ(PLAX_HostCache.V_First->V_Expiry, 1120.0);
}

TEST_F(HostCache, PurgeDropsEveryLapsedEntryAndKeepsTheRest) {
  Resolve("old");
  g_now = 1030.0;
  Resolve("newer");
  g_now = 1065.0;
  Resolve("127.0.0.1");
  ASSERT_NE(PLAX_HostCache.V_First, nullptr);
  EXPECT_EQ(PLAX_HostCache.V_First->V_Host, "newer");
  EXPECT_EQ(PLAX_HostCache.V_Last->V_Host, "127.0.0.1");
}

TEST_F(HostCache, UnresolvableAndAllOnesFailAndAreNotCached) {
  std::uint32_t address = 7;
  EXPECT_EQ(PLAX_ResolveHost("nowhere", address), PLAX_GURU_CANT_RESOLVE);
  EXPECT_EQ(PLAX_ResolveHost("allones", address), PLAX_GURU_CANT_RESOLVE);
  EXPECT_EQ(address, 7u);
  EXPECT_EQ(PLAX_HostCache.V_First, nullptr);
  // The cache lock was released: the next resolution works.
  EXPECT_EQ(Resolve("somewhere"), NetworkOrder(0x0A000009u));
}

TEST_F(HostCache, AllOnesDottedTextIsNeverAnAddress) {
  PLAX_SetHostCacheHooks({TestClock, nullptr});  // the platform's own lookup
  std::uint32_t address = 0;
  EXPECT_EQ(PLAX_ResolveHost("255.255.255.255", address), PLAX_GURU_CANT_RESOLVE);
  EXPECT_EQ(PLAX_ResolveHost("", address), PLAX_GURU_CANT_RESOLVE);
}

TEST_F(HostCache, RealLookupFindsLocalhost) {
  PLAX_SetHostCacheHooks({});
  EXPECT_EQ(Resolve("localhost"), NetworkOrder(0x7F000001u));
}
