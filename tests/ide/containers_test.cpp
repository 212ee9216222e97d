// The string and pointer hashes: bucket index, pool then heap, duplicate
// keys, removal across one chain, the walk and its continue flag.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "TestSupport.h"
#include "base/Utils.h"

using namespace toravex;

namespace {

class ContainerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};

struct Key {
    explicit Key(const char* s) : text(s), hash(StringHash(text.Get())) {}
    HostString text;
    int32_t hash;
};

Key Numbered(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "k%d", i);
    return Key(name);
}

TEST_F(ContainerTest, StringHashOfEmptyAndAbc) {
    EXPECT_EQ(StringHash(nullptr), 0);
    EXPECT_EQ(Key("abc").hash, 231);
}

TEST_F(ContainerTest, IntegerHashTakesThePoolFirstThenTheHeapAndReusesThePoolAfterClear) {
    auto hash = std::make_unique<TStringIntegerHash>();
    int32_t value = 99;
    EXPECT_FALSE(hash->Find(Key("x").hash, Key("x").text.Get(), value));
    EXPECT_EQ(value, 0);
    for (int i = 0; i < 4098; ++i) {
        Key k = Numbered(i);
        hash->Add(k.hash, k.text.Get(), i);
    }
    EXPECT_EQ(hash->PoolUsed(), 4097);
    EXPECT_EQ(hash->Count(), 4098);
    for (int i : {0, 4096, 4097}) {
        Key k = Numbered(i);
        ASSERT_TRUE(hash->Find(k.hash, k.text.Get(), value));
        EXPECT_EQ(value, i);
    }
    Key heapKey("k4097");
    EXPECT_EQ(hash->Remove(heapKey.text.Get()), 4097);
    hash->Clear();
    EXPECT_EQ(hash->Count(), 0);
    EXPECT_EQ(hash->PoolUsed(), 0);
    EXPECT_FALSE(hash->Exists(Key("k1").hash, Key("k1").text.Get()));
    hash->Add(Key("k1").hash, Key("k1").text.Get(), 5);
    EXPECT_EQ(hash->PoolUsed(), 1);
}

TEST_F(ContainerTest, DuplicateKeysAreKeptAndRemovedNewestFirstOrByValue) {
    auto hash = std::make_unique<TStringIntegerHash>();
    Key ab("ab"), ba("ba"), aa("aa"), Ab("Ab");
    ASSERT_EQ(ab.hash, ba.hash);  // the sum ignores order: one chain
    int32_t value;
    hash->Add(ab.hash, ab.text.Get(), 1);
    hash->Add(ab.hash, ab.text.Get(), 2);
    ASSERT_TRUE(hash->Find(ab.hash, ab.text.Get(), value));
    EXPECT_EQ(value, 2);
    EXPECT_FALSE(hash->Exists(Ab.hash, Ab.text.Get()));  // keys compare exactly
    EXPECT_EQ(hash->Remove(ab.text.Get()), 2);
    EXPECT_EQ(hash->Remove(ab.text.Get()), 1);
    EXPECT_EQ(hash->Remove(ab.text.Get()), 0);

    hash->Add(ab.hash, ab.text.Get(), 7);
    hash->Add(ba.hash, ba.text.Get(), 8);
    hash->Add(ba.hash, ba.text.Get(), 7);
    hash->Add(aa.hash, aa.text.Get(), 7);
    hash->Add(ab.hash, ab.text.Get(), 9);  // a newer "ab" with another value stays
    hash->RemoveValue(7);
    EXPECT_EQ(hash->Count(), 2);
    ASSERT_TRUE(hash->Find(ab.hash, ab.text.Get(), value));
    EXPECT_EQ(value, 9);
    ASSERT_TRUE(hash->Find(ba.hash, ba.text.Get(), value));
    EXPECT_EQ(value, 8);
    EXPECT_FALSE(hash->Exists(aa.hash, aa.text.Get()));
}

TEST_F(ContainerTest, StringHashFindsValuesAndEmptiesOnAMiss) {
    auto hash = std::make_unique<TStringStringHash>();
    Key name("C:\\Dir\\File.pas");
    HostString lower("c:\\dir\\file.pas"), found("stale");
    EXPECT_FALSE(hash->Find(name.hash, name.text.Get(), found));
    EXPECT_TRUE(found.Empty());
    hash->Add(name.hash, name.text.Get(), lower.Get());
    ASSERT_TRUE(hash->Find(name.hash, name.text.Get(), found));
    EXPECT_TRUE(found == "c:\\dir\\file.pas");
    hash->Clear();
    EXPECT_FALSE(hash->Find(name.hash, name.text.Get(), found));
}

struct Walk {
    std::vector<uintptr_t> seen;
    bool keepGoing;
    TCustomBucketList* removeFrom;
};

void Visit(void* info, void* item, void*, bool& continueWalk) {
    auto* walk = static_cast<Walk*>(info);
    walk->seen.push_back(reinterpret_cast<uintptr_t>(item));
    if (walk->removeFrom) walk->removeFrom->Remove(item);
    if (walk->keepGoing) continueWalk = true;
}

TEST_F(ContainerTest, ForEachVisitsInBucketOrderAndStopsWhenContinueStaysFalse) {
    TBucketList list(3);
    Walk empty{{}, true, nullptr};
    EXPECT_FALSE(list.ForEach(Visit, &empty));
    EXPECT_TRUE(empty.seen.empty());

    for (uintptr_t p : {0x3002u, 0x1001u, 0x2001u}) list.Add(reinterpret_cast<void*>(p), nullptr);
    Walk once{{}, false, nullptr};
    EXPECT_FALSE(list.ForEach(Visit, &once));
    EXPECT_EQ(once.seen.size(), 1u);

    Walk all{{}, true, &list};  // removing the current item is allowed
    EXPECT_TRUE(list.ForEach(Visit, &all));
    EXPECT_EQ(all.seen, (std::vector<uintptr_t>{0x2001, 0x1001, 0x3002}));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ContainerTest, BucketListsSelectBitsAndTellKeysApartInOneChain) {
    TBucketList pointers;
    TModuleBucketList modules(3);
    EXPECT_EQ(pointers.BucketFor(reinterpret_cast<void*>(0x12345678)), 0x678);
    EXPECT_EQ(modules.BucketFor(reinterpret_cast<void*>(0x12345678)), 0x234);
    void* a = reinterpret_cast<void*>(0x10010000);
    void* b = reinterpret_cast<void*>(0x20010000);  // differs only above bit 27
    ASSERT_EQ(modules.BucketFor(a), modules.BucketFor(b));
    modules.Add(a, reinterpret_cast<void*>(1));
    void* data = reinterpret_cast<void*>(5);
    EXPECT_FALSE(modules.Find(b, data));
    EXPECT_EQ(data, nullptr);
    modules.Add(b, reinterpret_cast<void*>(2));
    ASSERT_TRUE(modules.Find(a, data));
    EXPECT_EQ(data, reinterpret_cast<void*>(1));
    EXPECT_EQ(modules.Remove(b), reinterpret_cast<void*>(2));
    EXPECT_EQ(modules.Remove(b), nullptr);
    EXPECT_TRUE(modules.Exists(a));
}

}  // namespace
