// The TList replacements against the runtime's own TList methods, and the
// code written over TObjectList's notification.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "HostLayout.h"
#include "TestSupport.h"
#include "base/HostRuntime.h"
#include "fastcode/FastMove.h"
#include "runtime/ListRoutines.h"

using hostabi::ListObject;

namespace {

// A class record copied from a host class, with some slots replaced.
struct ClassCopy {
    hostabi::ClassHeader header;
    void* virtuals[8];
    void* Ref() { return virtuals; }
    static ClassCopy Of(const void* classRef, void* const* parentSelf) {
        ClassCopy c;
        c.header = *hostabi::HeaderOfClass(classRef);
        std::memcpy(c.virtuals, classRef, sizeof c.virtuals);
        c.header.parent = const_cast<void**>(parentSelf);
        return c;
    }
};

struct Notice {
    const void* list;
    void* item;
    int action;
    bool operator==(const Notice&) const = default;
};
std::vector<Notice> gNotices;
void HOSTCALL RecordNotify(ListObject* self, void* item, uint8_t action) { gNotices.push_back({self, item, action}); }

class ListRoutinesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr);
        toravex::PrepareFastMove();
        rtl = toravex::Runtime().module;
        listClass = toravex::FindHostExport(rtl, hostnames::Classes_TList);
        static void* listSelf = const_cast<void*>(listClass);
        recording = ClassCopy::Of(listClass, &listSelf);
        recording.virtuals[hostabi::listslot::kNotify / 4] = reinterpret_cast<void*>(&RecordNotify);
    }
    ListObject* NewList(bool plain) {
        void* cls = plain ? const_cast<void*>(listClass) : recording.Ref();
        using NewInstance = void*(HOSTCALL*)(void*);
        auto* list = static_cast<ListObject*>(
            reinterpret_cast<NewInstance>(hostabi::HeaderOfClass(cls)->newInstance)(cls));
        lists_.push_back(list);
        return list;
    }
    void TearDown() override {
        for (ListObject* l : lists_) {
            toravex::Runtime().freeMem(l->list);
            toravex::Runtime().freeMem(l);
        }
    }
    template <class Fn>
    static Fn HostMethod(const hostnames::HostName& n) {
        return toravex::FindHostRoutine<Fn>(rtl, n);
    }

    static inline HMODULE rtl;
    static inline const void* listClass;
    static inline ClassCopy recording;
    std::vector<ListObject*> lists_;
};

std::vector<void*> Items(const ListObject* l) { return std::vector<void*>(l->list, l->list + l->count); }

}  // namespace

TEST_F(ListRoutinesTest, RandomOperationsMatchTheRuntimesOwnMethods) {
    using namespace hostnames;
    auto hostInsert = HostMethod<void(HOSTCALL*)(ListObject*, int32_t, void*)>(Classes_TList_Insert);
    auto hostPut = HostMethod<void(HOSTCALL*)(ListObject*, int32_t, void*)>(Classes_TList_Put);
    auto hostSetCount = HostMethod<void(HOSTCALL*)(ListObject*, int32_t)>(Classes_TList_SetCount);
    auto hostExchange = HostMethod<void(HOSTCALL*)(ListObject*, int32_t, int32_t)>(Classes_TList_Exchange);
    auto hostIndexOf = HostMethod<int32_t(HOSTCALL*)(ListObject*, void*)>(Classes_TList_IndexOf);
    auto hostGet = HostMethod<void*(HOSTCALL*)(ListObject*, int32_t)>(Classes_TList_Get);
    auto hostLast = HostMethod<void*(HOSTCALL*)(ListObject*)>(Classes_TList_Last);

    for (bool plain : {true, false}) {
        ListObject* expected = NewList(plain);
        ListObject* actual = NewList(plain);
        std::mt19937 random(plain ? 1 : 2);
        auto item = [&] { return random() % 4 ? reinterpret_cast<void*>(0x1000 + random() % 16 * 4) : nullptr; };
        for (int step = 0; step < 3000; ++step) {
            gNotices.clear();
            const int32_t count = expected->count;
            const int32_t index = static_cast<int32_t>(random() % (count + 3)) - 1;  // also out of range
            void* p = item();
            std::vector<Notice> expectedNotices;
            std::string expectedError, actualError;
            switch (random() % 7) {
                case 0:
                    expectedError = testsupport::RaisedMessage([&] { hostInsert(expected, index, p); });
                    expectedNotices.swap(gNotices);
                    actualError = testsupport::RaisedMessage([&] { toravex::ListInsertFast(actual, index, p); });
                    break;
                case 1:
                    expectedError = testsupport::RaisedMessage([&] { hostPut(expected, index, p); });
                    expectedNotices.swap(gNotices);
                    actualError = testsupport::RaisedMessage([&] { toravex::ListPutFast(actual, index, p); });
                    break;
                case 2: {
                    int32_t n = random() % 9 ? static_cast<int32_t>(random() % (count + 4)) : -1;
                    expectedError = testsupport::RaisedMessage([&] { hostSetCount(expected, n); });
                    expectedNotices.swap(gNotices);
                    actualError = testsupport::RaisedMessage([&] { toravex::ListSetCountFast(actual, n); });
                    break;
                }
                case 3: {
                    int32_t other = static_cast<int32_t>(random() % (count + 1));
                    expectedError = testsupport::RaisedMessage([&] { hostExchange(expected, index, other); });
                    actualError = testsupport::RaisedMessage([&] { toravex::ListExchangeFast(actual, index, other); });
                    break;
                }
                case 4:
                    ASSERT_EQ(toravex::ListIndexOfFast(actual, p), hostIndexOf(expected, p));
                    break;
                case 5: {
                    void *a = nullptr, *b = nullptr;
                    expectedError = testsupport::RaisedMessage([&] { a = hostGet(expected, index); });
                    actualError = testsupport::RaisedMessage([&] { b = toravex::ListGetFast(actual, index); });
                    ASSERT_EQ(a, b);
                    break;
                }
                case 6: {
                    void *a = nullptr, *b = nullptr;
                    expectedError = testsupport::RaisedMessage([&] { a = hostLast(expected); });
                    actualError = testsupport::RaisedMessage([&] { b = toravex::ListLastFast(actual); });
                    ASSERT_EQ(a, b);
                    break;
                }
            }
            ASSERT_EQ(actualError, expectedError) << "step " << step;
            for (auto& n : expectedNotices) n.list = actual;
            ASSERT_EQ(gNotices, expectedNotices) << "step " << step;
            ASSERT_EQ(Items(actual), Items(expected)) << "step " << step;
        }
    }
}

TEST_F(ListRoutinesTest, ErrorsNameTheOffendingValue) {
    ListObject* list = NewList(true);
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListLastFast(list); }), "List index out of bounds (0)");
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListSetCountFast(list, -1); }), "List count out of bounds (-1)");
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListSetCountFast(list, 134217728); }), "List count out of bounds (134217728)");
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListInsertFast(list, 1, nullptr); }), "List index out of bounds (1)");
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListInsertFast(list, 0, list); }), "");
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListGetFast(list, 1); }), "List index out of bounds (1)");
    EXPECT_EQ(testsupport::RaisedMessage([&] { toravex::ListGetFast(list, -1); }), "List index out of bounds (-1)");
    EXPECT_EQ(list->count, 1);
}

namespace {
std::vector<void*> gDestroyed;
void HOSTCALL RecordDestroy(void* self, int8_t outermost) { gDestroyed.push_back(outermost ? self : nullptr); }
}  // namespace

TEST_F(ListRoutinesTest, ObjectListNotificationFreesOwnedItemsOnDeletionOnly) {
    void* code = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    std::memcpy(code, toravex::kObjectListNotifyCode, sizeof toravex::kObjectListNotifyCode);
    auto notify = reinterpret_cast<void(HOSTCALL*)(void*, void*, uint8_t)>(code);

    static ClassCopy itemClass = ClassCopy::Of(toravex::FindHostExport(rtl, hostnames::System_TObject), nullptr);
    itemClass.header.destroy = reinterpret_cast<void*>(&RecordDestroy);
    void* item[2] = {itemClass.Ref(), nullptr};
    hostabi::ObjectListObject owning{}, borrowing{};
    owning.ownsObjects = 1;

    gDestroyed.clear();
    testsupport::WithEachStackAlignment([&] {
        notify(&owning, item, hostabi::kListAdded);
        notify(&owning, item, hostabi::kListExtracted);
        notify(&borrowing, item, hostabi::kListDeleted);
        notify(&owning, nullptr, hostabi::kListDeleted);
        notify(&owning, item, hostabi::kListDeleted);
    });
    EXPECT_EQ(gDestroyed, std::vector<void*>(4, item)) << "one destruction per run, outer-most";
    VirtualFree(code, 0, MEM_RELEASE);
}
