// Record IDs, the registry and the address list, through the internal operations.
#include <cstdint>
#include <limits>

#include "gtest/gtest.h"
#include "plax_internal.h"
#include "plax_test_support.h"

namespace {

constexpr PLAX_ID kLastId = std::numeric_limits<PLAX_ID>::max();

void SetLastId(PLAX_ID id) {
  OsSemaphore_Take(PLAX_RegistryMutex);
  PLAX_Registry.PLAX_LastID = id;
  OsSemaphore_Release(PLAX_RegistryMutex);
}

// Starts the IDs afresh; earlier tests in the same process left no records.
void FreshRegistry() {
  ASSERT_TRUE(WaitRegistryEmpty());
  SetLastId(0);
}

}  // namespace

TEST(Registry, IdsStartAtOneAndCountUp) {
  FreshRegistry();
  PLAX_Connection* a = PLAX_NewConnection();
  PLAX_Connection* b = PLAX_NewConnection();
  PLAX_Connection* c = PLAX_NewConnection();
  EXPECT_EQ(a->V_ID, 1u);
  EXPECT_EQ(b->V_ID, 2u);
  EXPECT_EQ(c->V_ID, 3u);
  EXPECT_EQ(a->V_State, 0);
  EXPECT_EQ(a->V_SOCKET, PLAX_INVALID_SOCKET);
  EXPECT_TRUE(PLAX_DeleteConnection(b));
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(RecordState(2), -1);
  EXPECT_EQ(RecordState(1), 0);
  EXPECT_EQ(RecordState(3), 0);
  // A freed ID is not handed out again before the counter wraps.
  PLAX_Connection* d = PLAX_NewConnection();
  EXPECT_EQ(d->V_ID, 4u);
  for (PLAX_Connection* r : {a, c, d}) PLAX_DeleteConnection(r);
  ExpectAllReaped();
}

TEST(Registry, WrapAroundSkipsZeroAndIdsStillRegistered) {
  FreshRegistry();
  PLAX_Connection* one = PLAX_NewConnection();
  PLAX_Connection* two = PLAX_NewConnection();
  ASSERT_EQ(one->V_ID, 1u);
  ASSERT_EQ(two->V_ID, 2u);
  SetLastId(kLastId - 1);
  PLAX_Connection* last = PLAX_NewConnection();
  PLAX_Connection* wrapped = PLAX_NewConnection();
  EXPECT_EQ(last->V_ID, kLastId);
  EXPECT_EQ(wrapped->V_ID, 3u);  // 0 never, 1 and 2 still registered
  // An ID still registered is skipped even when it is the very next one.
  SetLastId(kLastId);
  PLAX_Connection* after = PLAX_NewConnection();
  EXPECT_EQ(after->V_ID, 4u);
  for (PLAX_Connection* r : {one, two, last, wrapped, after}) PLAX_DeleteConnection(r);
  ExpectAllReaped();
}

TEST(Registry, DeletingNothingChangesNothing) {
  PLAX_Connection* none = nullptr;
  EXPECT_FALSE(PLAX_DeleteConnection(none));
}

TEST(Registry, DeletingKeepsTheListLinked) {
  PLAX_Connection* a = PLAX_NewConnection();
  PLAX_Connection* b = PLAX_NewConnection();
  PLAX_Connection* c = PLAX_NewConnection();
  PLAX_DeleteConnection(a);  // first
  PLAX_DeleteConnection(c);  // last
  OsSemaphore_Take(PLAX_RegistryMutex);
  EXPECT_EQ(PLAX_Registry.V_First, b);
  EXPECT_EQ(PLAX_Registry.V_Last, b);
  EXPECT_EQ(b->V_Prev, nullptr);
  EXPECT_EQ(b->V_Next, nullptr);
  OsSemaphore_Release(PLAX_RegistryMutex);
  PLAX_DeleteConnection(b);
  ExpectAllReaped();
}

TEST(AddressList, AddFindRemoveAndClear) {
  PLAX_Connection* record = PLAX_NewConnection();
  OsSemaphore_Take(PLAX_RegistryMutex);
  EXPECT_TRUE(PLAX_IPAAdd(record, "10.0.0.1"));
  EXPECT_TRUE(PLAX_IPAAdd(record, "10.0.0.2"));
  EXPECT_FALSE(PLAX_IPAAdd(record, "10.0.0.1"));  // already listed: unchanged
  EXPECT_EQ(record->V_IPAFirst->V_IPA, "10.0.0.1");
  EXPECT_EQ(record->V_IPALast->V_IPA, "10.0.0.2");
  EXPECT_EQ(record->V_IPAFirst->V_Next, record->V_IPALast);
  EXPECT_NE(PLAX_IPAFind(record, "10.0.0.2"), nullptr);
  EXPECT_EQ(PLAX_IPAFind(record, "10.0.0.20"), nullptr);  // whole text only
  EXPECT_EQ(PLAX_IPAFind(record, "10.0.0."), nullptr);
  EXPECT_FALSE(PLAX_IPARemove(record, "10.0.0.3"));
  EXPECT_TRUE(PLAX_IPARemove(record, "10.0.0.1"));
  EXPECT_EQ(record->V_IPAFirst, record->V_IPALast);
  EXPECT_EQ(PLAX_IPAFind(record, "10.0.0.1"), nullptr);
  PLAX_IPAAdd(record, "10.0.0.4");
  PLAX_IPAClear(record);
  EXPECT_EQ(record->V_IPAFirst, nullptr);
  EXPECT_EQ(record->V_IPALast, nullptr);
  PLAX_IPAAdd(record, "10.0.0.5");  // freed with the record
  OsSemaphore_Release(PLAX_RegistryMutex);
  PLAX_DeleteConnection(record);
}

TEST(AddressList, EmptyReferenceIsRefused) {
  EXPECT_EQ(PLAX_IPAFind(nullptr, "1.2.3.4"), nullptr);
  EXPECT_FALSE(PLAX_IPAAdd(nullptr, "1.2.3.4"));
  EXPECT_FALSE(PLAX_IPARemove(nullptr, "1.2.3.4"));
  PLAX_IPAClear(nullptr);
}
