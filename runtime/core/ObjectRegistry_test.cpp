#include "runtime/core/ObjectRegistry.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/core/Text.h"

namespace sondrel::core {
namespace {

// A record like the runtime's: the main pointer first, then owned data.
struct Record {
    void* native = nullptr;
    int value = 0;
    Text name;
    bool exists() const { return native != nullptr; }
};

int gMarker;

Record* fill(Record* record, int value) {
    record->native = &gMarker;
    record->value = value;
    record->name = u"named";
    return record;
}

TEST(ObjectRegistry, FixedNumbersGrowTheTableAndIndexIt) {
    ObjectRegistry<Record> registry(8);
    EXPECT_EQ(registry.slotCount(), 8);
    fill(ObtainObject(registry, 20), 20);
    EXPECT_EQ(registry.slotCount(), 28);
    ASSERT_NE(FindObject(registry, 20), nullptr);
    EXPECT_EQ(FindObject(registry, 20)->value, 20);
    EXPECT_EQ(FindObject(registry, 19), nullptr); // never made
    EXPECT_EQ(FindObject(registry, 27), nullptr);
    EXPECT_EQ(FindObject(registry, 28), nullptr); // beyond the table, not a handle
}

TEST(ObjectRegistry, RecordNeverFilledInOrReleasedIsNoObject) {
    ObjectRegistry<Record> registry(8);
    Record* empty = ObtainObject(registry, 3);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(FindObject(registry, 3), nullptr);
    fill(empty, 3);
    EXPECT_EQ(FindObject(registry, 3), empty);
    ReleaseObject(registry, 3);
    EXPECT_EQ(FindObject(registry, 3), nullptr);
    EXPECT_TRUE(empty->name.empty()); // reset, memory kept for the number
    EXPECT_EQ(ObtainObject(registry, 3), empty);
}

TEST(ObjectRegistry, ReusingANumberFreesTheOldObjectFirst) {
    std::vector<ObjectNumber> freed;
    std::unique_ptr<ObjectRegistry<Record>> registry;
    registry = CreateObjectRegistry<Record>(8, [&](ObjectNumber number) {
        freed.push_back(number);
        EXPECT_EQ(FindObject(*registry, number)->value, 5); // still there while freed
        ReleaseObject(*registry, number);
    });
    Record* first = fill(ObtainObject(*registry, 5), 5);
    Record* second = ObtainObject(*registry, 5);
    EXPECT_EQ(freed, std::vector<ObjectNumber>{5});
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->native, nullptr);
    EXPECT_EQ(second->value, 0);
    EXPECT_TRUE(second->name.empty());
    ObtainObject(*registry, 5); // nothing there now: no free call
    EXPECT_EQ(freed.size(), 1u);
}

TEST(ObjectRegistry, HandlesNameDynamicRecords) {
    ObjectRegistry<Record> registry(8);
    Record* record = fill(ObtainObject(registry, AnyObjectNumber), 7);
    ASSERT_NE(record, nullptr);
    const ObjectNumber handle = ObjectHandle(record);
    EXPECT_GE(handle, kObjectNumberLimit);
    EXPECT_EQ(FindObject(registry, handle), record);
    ReleaseObject(registry, handle);
    EXPECT_EQ(FindObject(registry, handle), nullptr);
    ReleaseObject(registry, handle); // stale: harmless
}

TEST(ObjectRegistry, ValuesThatAreNoObjectAreNeverDereferenced) {
    ObjectRegistry<Record> registry(8);
    fill(ObtainObject(registry, 1), 1);
    Record* live = fill(ObtainObject(registry, AnyObjectNumber), 2);
    const ObjectNumber madeUp = ObjectHandle(live) + 8;
    const ObjectNumber wild = ObjectNumber{0x7fff12345678};
    for (const ObjectNumber value : {madeUp, wild, ObjectNumber{-2}, ObjectNumber{-100},
                                     AnyObjectNumber, kObjectNumberLimit}) {
        EXPECT_EQ(FindObject(registry, value), nullptr) << value;
        ReleaseObject(registry, value);
    }
    EXPECT_EQ(ObtainObject(registry, -2), nullptr);
    EXPECT_EQ(ObtainObject(registry, kObjectNumberLimit), nullptr);
    EXPECT_NE(FindObject(registry, 1), nullptr);
    EXPECT_EQ(FindObject(registry, ObjectHandle(live)), live);
}

TEST(ObjectRegistry, ScanListsFixedNumbersThenHandlesOldestFirst) {
    ObjectRegistry<Record> registry(4);
    fill(ObtainObject(registry, 6), 6);
    const ObjectNumber older = ObjectHandle(fill(ObtainObject(registry, AnyObjectNumber), 100));
    fill(ObtainObject(registry, 2), 2);
    const ObjectNumber newer = ObjectHandle(fill(ObtainObject(registry, AnyObjectNumber), 101));
    ObtainObject(registry, 3); // never filled in: not listed
    std::vector<ObjectNumber> seen;
    ObjectNumber number = 0;
    BeginObjectScan(registry);
    while (NextObject(registry, &number) != nullptr) {
        seen.push_back(number);
    }
    EXPECT_EQ(seen, (std::vector<ObjectNumber>{2, 6, older, newer}));
    EXPECT_EQ(NextObject(registry, &number), nullptr); // ended scans stay ended
}

TEST(ObjectRegistry, ObjectsMayBeReleasedDuringAScan) {
    ObjectRegistry<Record> registry(4);
    const ObjectNumber a = ObjectHandle(fill(ObtainObject(registry, AnyObjectNumber), 1));
    const ObjectNumber b = ObjectHandle(fill(ObtainObject(registry, AnyObjectNumber), 2));
    const ObjectNumber c = ObjectHandle(fill(ObtainObject(registry, AnyObjectNumber), 3));
    std::vector<int> seen;
    ObjectScan scan(registry);
    ObjectNumber number = 0;
    while (Record* record = scan.next(&number)) {
        seen.push_back(record->value);
        ReleaseObject(registry, number); // the returned one
        if (number == a) {
            ReleaseObject(registry, b); // and the one the scan would visit next
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));
    EXPECT_EQ(FindObject(registry, c), nullptr);
}

TEST(ObjectRegistry, ReleaseAllObjectsUsesTheFreeProcedure) {
    int freed = 0;
    std::unique_ptr<ObjectRegistry<Record>> registry;
    registry = CreateObjectRegistry<Record>(2, [&](ObjectNumber number) {
        ++freed;
        ReleaseObject(*registry, number);
    });
    fill(ObtainObject(*registry, 0), 0);
    fill(ObtainObject(*registry, 9), 9);
    fill(ObtainObject(*registry, AnyObjectNumber), 1);
    ReleaseAllObjects(*registry);
    EXPECT_EQ(freed, 3);
    EXPECT_EQ(ObjectScan(*registry).next(), nullptr);

    ObjectRegistry<Record> plain(2); // without a free procedure: released directly
    fill(ObtainObject(plain, 1), 1);
    fill(ObtainObject(plain, AnyObjectNumber), 1);
    ReleaseAllObjects(plain);
    EXPECT_EQ(ObjectScan(plain).next(), nullptr);
}

TEST(ObjectRegistry, AScanHoldsTheLockUntilItEnds) {
    ObjectRegistry<Record> registry(4);
    fill(ObtainObject(registry, 1), 1);
    std::atomic<bool> found{false};
    BeginObjectScan(registry);
    BeginObjectScan(registry); // restarting does not take the lock twice
    std::thread other([&] {
        FindObject(registry, 1);
        found = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(found);
    ObjectNumber number = 0;
    EXPECT_NE(NextObject(registry, &number), nullptr);
    EXPECT_EQ(NextObject(registry, &number), nullptr);
    other.join();
    EXPECT_TRUE(found);
}

TEST(ObjectRegistry, ThreadsMayCreateAndReleaseAtOnce) {
    ObjectRegistry<Record> registry(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&registry, t] {
            for (int i = 0; i < 2000; ++i) {
                const ObjectNumber handle =
                    ObjectHandle(fill(ObtainObject(registry, AnyObjectNumber), i));
                fill(ObtainObject(registry, t * 10 + i % 10), i);
                ASSERT_NE(FindObject(registry, handle), nullptr);
                ReleaseObject(registry, handle);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    int count = 0;
    for (ObjectScan scan(registry); scan.next() != nullptr;) {
        ++count;
    }
    EXPECT_EQ(count, 40);
}

} // namespace
} // namespace sondrel::core
