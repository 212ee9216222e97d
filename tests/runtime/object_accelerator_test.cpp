// The object accelerator inside this process, over classes of every shape:
// the routine each shape gets, instances byte for byte as the host makes
// them (with and without MMX), releases that finalize the whole chain, the
// stubs' bytes, classes that keep their own routines, a package unloaded
// while others stay, two threads at once, a stub that cannot be had, and
// every slot given back at unit end.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "HostLayout.h"
#include "ManagedValues.h"
#include "../core/RuntimeFixture.h"
#include "base/HostException.h"
#include "base/HostString.h"
#include "base/Win32Platform.h"
#include "patching/PatchLib.h"
#include "runtime/FastObj.h"
#include "runtime/FastObjAccelerator.h"
#include "runtime/FastObjRoutines.h"
#include "runtime/FastSys.h"

using namespace toravex;
using testsupport::RaisedMessage;
namespace n = hostnames;

namespace {

using NewInstanceFn = void*(HOSTCALL*)(const void*);
using FreeInstanceFn = void(HOSTCALL*)(void*);
using UnloadProc = void(HOSTCALL*)(uint32_t);

template <class Fn>
Fn Host(const n::HostName& name) {
    return reinterpret_cast<Fn>(FindHostExport(name));
}

void* SlotOf(const void* cls, int32_t offset) { return *reinterpret_cast<void* const*>(static_cast<const char*>(cls) + offset); }

// A class of the test, in the host's layout, inheriting its parent's slots.
struct TestClass {
    hostabi::ClassHeader header;
    void* firstVirtual = nullptr;
    void* Ref() { return &firstVirtual; }
};

std::vector<std::unique_ptr<TestClass>> gClasses;  // alive for the whole program: slots may point at them

const void* gTObject;
const void* gInterfaced;

bool IsInterfaced(const void* cls) {
    for (const void* c = cls; c; c = hostabi::ParentOf(c))
        if (c == gInterfaced) return true;
    return false;
}

// Slots name the runtime's exported entries, as its own classes do, whatever
// the parent's record holds at the moment (a stub, if it is accelerated).
void* MakeClass(const void* const* parentCell, int32_t size, void* initTable = nullptr, void* intfTable = nullptr) {
    auto c = std::make_unique<TestClass>();
    c->header = *hostabi::HeaderOfClass(*parentCell);
    c->header.selfPtr = c->Ref();
    c->header.instanceSize = size;
    c->header.parent = const_cast<void**>(parentCell);
    c->header.initTable = initTable;
    c->header.intfTable = intfTable;
    c->header.newInstance = FindHostExport(IsInterfaced(*parentCell) ? n::System_TInterfacedObject_NewInstance
                                                                      : n::System_TObject_NewInstance);
    c->header.freeInstance = FindHostExport(n::System_TObject_FreeInstance);
    gClasses.push_back(std::move(c));
    return gClasses.back()->Ref();
}

// A second interface of a class at ioffset: only its method-table pointer matters here.
void* const kDummyVTable[3] = {};
hostabi::InterfaceTable* InterfaceAt(int32_t ioffset) {
    static std::vector<std::unique_ptr<hostabi::InterfaceTable>> tables;
    tables.push_back(std::make_unique<hostabi::InterfaceTable>());
    tables.back()->entryCount = 1;
    tables.back()->entries[0] = {{0x1234, 5, 6, {7}}, const_cast<void**>(kDummyVTable), ioffset, 0};
    return tables.back().get();
}

// An instance as the host's own NewInstance makes it.
std::vector<uint8_t> HostInstance(const void* cls) {
    const int32_t size = hostabi::HeaderOfClass(cls)->instanceSize;
    void* p = Runtime().getMem(size);
    Host<void*(HOSTCALL*)(const void*, void*)>(n::System_TObject_InitInstance)(cls, p);
    if (IsInterfaced(cls)) static_cast<hostabi::InterfacedObject*>(p)->refCount = 1;
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + size);
    Runtime().freeMem(p);
    return bytes;
}

// Leaves a block of size bytes full of garbage for the next allocation of
// that size to get (the memory manager hands out the block freed last).
void LeaveDirtyBlock(int32_t size) {
    void* p = Runtime().getMem(size);
    std::memset(p, 0xA5, size);
    Runtime().freeMem(p);
}

void* NewThroughSlot(const void* cls) { return reinterpret_cast<NewInstanceFn>(SlotOf(cls, -12))(cls); }
void FreeThroughSlot(void* instance) {
    reinterpret_cast<FreeInstanceFn>(SlotOf(hostabi::ClassOf(instance), -8))(instance);
}

// What a slot holds when it holds one of the accelerator's stubs.
struct Stub {
    TObjectAccelerator* accelerator = nullptr;
    const void* routine = nullptr;
};
Stub NewInstanceStub(const void* cls) {
    auto* s = static_cast<const uint8_t*>(SlotOf(cls, -12));
    if (s[0] != 0xB8 || s[5] != 0xE9) return {};
    return {*reinterpret_cast<TObjectAccelerator* const*>(s + 1), s + 10 + *reinterpret_cast<const int32_t*>(s + 6)};
}
Stub FreeInstanceStub(const void* cls) {
    auto* s = static_cast<const uint8_t*>(SlotOf(cls, -8));
    if (s[0] != 0x89 || s[1] != 0xC2 || s[2] != 0xB8 || s[7] != 0xE9) return {};
    return {*reinterpret_cast<TObjectAccelerator* const*>(s + 3), s + 12 + *reinterpret_cast<const int32_t*>(s + 8)};
}

template <class F>
const void* Code(F* f) {
    return reinterpret_cast<const void*>(f);
}

int BusyBlocks(HANDLE heap) {
    int busy = 0;
    PROCESS_HEAP_ENTRY e{};
    HeapLock(heap);
    while (HeapWalk(heap, &e))
        if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
    HeapUnlock(heap);
    return busy;
}

// Told of every module unload after the accelerator is (it registers later).
std::function<void(uint32_t)> gOnUnload;
void HOSTCALL WatchUnload(uint32_t module) {
    if (gOnUnload) gOnUnload(module);
}

class ObjectAccelerator : public RuntimeTest {
protected:
    static void SetUpTestSuite() {
        RuntimeTest::SetUpTestSuite();
        PreparePatchPrimitives();
        gTObject = FindHostExport(n::System_TObject);
        gInterfaced = FindHostExport(n::System_TInterfacedObject);
    }
    void SetUp() override {
        std::memcpy(entryBefore_, FindHostExport(n::System_TObject_NewInstance), 5);
        Host<void(HOSTCALL*)(UnloadProc)>(n::System_AddModuleUnloadProc)(&WatchUnload);
        PrepareFastSys();
        PrepareFastObj();
        InstallFastObj();
        blocks_ = managed::LiveBlocks();
    }
    void TearDown() override {
        TeardownFastObj();
        Host<void(HOSTCALL*)(UnloadProc)>(n::System_RemoveModuleUnloadProc)(&WatchUnload);
        gOnUnload = nullptr;
        EXPECT_EQ(std::memcmp(entryBefore_, FindHostExport(n::System_TObject_NewInstance), 5), 0);
    }
    // Creates and frees one instance on the host path, which builds the accelerator.
    static void Accelerate(const void* cls) { FreeThroughSlot(NewThroughSlot(cls)); }

    uint8_t entryBefore_[5];
    int32_t blocks_ = 0;
};

}  // namespace

TEST_F(ObjectAccelerator, EveryShapeGetsItsRoutineAndItsInstancesAreTheHostsByteForByte) {
    const void* const* tobject = &gTObject;
    const void* const* interfaced = &gInterfaced;
    for (bool mmx : {false, true}) {
        UseMmxRoutines = mmx;
        const void* zeroed = mmx ? Code(toravex_AllocZeroedMmx) : Code(AllocZeroed);
        const void* prefix = mmx ? Code(toravex_AllocCopyPrefixMmx) : Code(AllocCopyPrefix);
        struct Shape {
            void* cls;
            const void* routine;
        };
        const std::vector<Shape> shapes = {
            {MakeClass(tobject, 4), Code(AllocClassOnly)},
            {MakeClass(tobject, 20), Code(AllocSmallZeroed)},
            {MakeClass(tobject, 24), zeroed},
            {MakeClass(tobject, 64), zeroed},
            {MakeClass(tobject, 100), zeroed},
            {MakeClass(interfaced, 16), Code(AllocSmallCopy)},
            {MakeClass(interfaced, 20, nullptr, InterfaceAt(16)), Code(AllocSmallCopy)},
            {MakeClass(interfaced, 112), prefix},  // 100 bytes of data
            {MakeClass(interfaced, 112, nullptr, InterfaceAt(108)), prefix},
            {MakeClass(tobject, 40, nullptr, InterfaceAt(36)), prefix},
        };
        for (const Shape& s : shapes) {
            Accelerate(s.cls);
            // The slots hold B8 imm32 E9 rel32 and 89 C2 B8 imm32 E9 rel32 in
            // executable blocks of the code heap.
            const Stub stub = NewInstanceStub(s.cls), free = FreeInstanceStub(s.cls);
            ASSERT_NE(stub.accelerator, nullptr);
            EXPECT_EQ(free.accelerator, stub.accelerator);
            EXPECT_EQ(stub.accelerator->AcceleratedClass, s.cls);
            EXPECT_EQ(stub.routine, s.routine) << hostabi::HeaderOfClass(s.cls)->instanceSize << " mmx " << mmx;
            EXPECT_EQ(free.routine, Code(toravex_FreePlain));
            EXPECT_TRUE(HeapValidate(CodeHeapHandle(), 0, SlotOf(s.cls, -12)));
            MEMORY_BASIC_INFORMATION info;
            VirtualQuery(SlotOf(s.cls, -8), &info, sizeof info);
            EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
        }
        // The 100-byte interfaced class copies only its non-zero prefix (the
        // reference count of 1 and the method table), the rest is zeroed.
        const TObjectAccelerator* counted = NewInstanceStub(shapes[7].cls).accelerator;
        EXPECT_EQ(counted->CopyDwords, 4);
        EXPECT_EQ(static_cast<const int32_t*>(counted->Template)[1], 1);

        // Every size to 260 bytes, with and without interfaces, zero tails of
        // every length: what the stubs make is what the host makes.
        for (int32_t size = 4; size <= 260; size += 4) {
            std::vector<void*> classes = {MakeClass(tobject, size)};
            if (size >= 12) classes.push_back(MakeClass(interfaced, size));
            if (size >= 16) classes.push_back(MakeClass(interfaced, size, nullptr, InterfaceAt(size - 4)));
            if (size >= 8) classes.push_back(MakeClass(tobject, size, nullptr, InterfaceAt((size / 8) * 4)));
            for (void* cls : classes) {
                Accelerate(cls);
                ASSERT_NE(NewInstanceStub(cls).accelerator, nullptr) << size;
                const std::vector<uint8_t> expected = HostInstance(cls);
                for (int i = 0; i < 2; ++i) {
                    LeaveDirtyBlock(size);
                    auto* made = static_cast<uint8_t*>(NewThroughSlot(cls));
                    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), made)) << "size " << size << " mmx " << mmx;
                    FreeThroughSlot(made);
                }
            }
        }
    }
    // Nothing is left but what the accelerators keep: templates and field lists.
    int32_t held = 0;
    for (auto& c : gClasses)
        if (const TObjectAccelerator* a = NewInstanceStub(c->Ref()).accelerator)
            held += (a->Template != nullptr) + (a->ManagedFields != nullptr);
    EXPECT_EQ(managed::LiveBlocks() - blocks_, held);
}

namespace {
int gOwnReleases = 0;
void HOSTCALL OwnFreeInstance(void* self) {
    ++gOwnReleases;
    Host<FreeInstanceFn>(n::System_TObject_FreeInstance)(self);
}
void* HOSTCALL OwnNewInstance(const void* cls) { return Host<NewInstanceFn>(n::System_TObject_NewInstance)(cls); }
}  // namespace

TEST_F(ObjectAccelerator, OwnFreeInstanceIsKeptAndOddSizesOrOwnNewInstanceAreNeverTouched) {
    void* ownFree = MakeClass(&gTObject, 32);
    gClasses.back()->header.freeInstance = reinterpret_cast<void*>(&OwnFreeInstance);
    void* odd = MakeClass(&gTObject, 6);
    void* ownNew = MakeClass(&gTObject, 12);
    gClasses.back()->header.newInstance = reinterpret_cast<void*>(&OwnNewInstance);
    void* before[3][2];
    void* classes[3] = {ownFree, odd, ownNew};
    for (int i = 0; i < 3; ++i) before[i][0] = SlotOf(classes[i], -12), before[i][1] = SlotOf(classes[i], -8);
    const size_t accelerators = AcceleratorCount();
    for (void* cls : classes)
        for (int i = 0; i < 3; ++i) Accelerate(cls);
    EXPECT_EQ(AcceleratorCount(), accelerators + 1);
    EXPECT_NE(NewInstanceStub(ownFree).accelerator, nullptr);
    EXPECT_EQ(NewInstanceStub(ownFree).accelerator->PreviousFreeInstance, nullptr);
    EXPECT_EQ(SlotOf(ownFree, -8), before[0][1]);
    EXPECT_EQ(gOwnReleases, 3);
    for (int i : {1, 2}) {
        EXPECT_EQ(SlotOf(classes[i], -12), before[i][0]);
        EXPECT_EQ(SlotOf(classes[i], -8), before[i][1]);
    }
    AccelerateClass(ownFree);  // already accelerated: nothing more
    AccelerateClass(odd);
    EXPECT_EQ(AcceleratorCount(), accelerators + 1);
}

TEST_F(ObjectAccelerator, ReleasingAnInstanceFinalizesEveryManagedFieldOfTheChainAsTheHostDoes) {
    managed::TypeCatalog catalog;
    static uint8_t storage[1024];
    typeinfo::Pool pool(storage, sizeof storage);
    auto type = [&](const char* name) -> void** {
        for (const managed::GeneratedType& t : catalog.Types())
            if (t.name == name) return pool.Ref(t.info);
        return nullptr;
    };
    // A: string at 4, WideString at 8; B: IInterface at 12, array of string at 16,
    // Variant at 24; C: a mixed record at 40, array[3] of string at 84, array[0] at 96.
    void* a = MakeClass(&gTObject, 12, pool.Record("A", 12, {{type("string"), 4}, {type("WideString"), 8}}));
    void* b = MakeClass(const_cast<const void* const*>(&gClasses.back()->header.selfPtr), 40,
                        pool.Record("B", 40, {{type("IInterface"), 12}, {type("array of string"), 16},
                                              {type("Variant"), 24}}));
    void* c = MakeClass(const_cast<const void* const*>(&gClasses.back()->header.selfPtr), 96,
                        pool.Record("C", 96, {{type("record of every leaf"), 40}, {type("array[3] of string"), 84},
                                              {type("array[0] of string"), 96}}));
    Accelerate(c);
    const Stub free = FreeInstanceStub(c);
    ASSERT_NE(free.accelerator, nullptr);
    EXPECT_EQ(free.routine, Code(FreeWithFields));
    const TObjectAccelerator& acc = *free.accelerator;
    ASSERT_EQ(acc.ManagedFieldCount, 8u);
    EXPECT_EQ(acc.ManagedFields[0].Offset, 40);  // the most derived class first
    EXPECT_EQ(acc.ManagedFields[3].Offset, 12);
    EXPECT_EQ(acc.ManagedFields[7].Offset, 8);
    (void)a, (void)b;

    { managed::ValueMaker accelerateTheSharedObjectsClass; }  // its template stays
    const int32_t blocks = managed::LiveBlocks();
    int32_t refs[2][2];
    for (int side = 0; side < 2; ++side) {
        managed::ValueMaker values;
        void* instance = NewThroughSlot(c);
        for (uint32_t v = 0; v < 4; ++v) {
            for (int i = 0; i < 8; ++i)
                values.Fill(static_cast<char*>(instance) + acc.ManagedFields[i].Offset, acc.ManagedFields[i].TypeInfo,
                            v + i + 1);
            if (side == 0)
                Host<FreeInstanceFn>(n::System_TObject_FreeInstance)(instance);  // the host: CleanupInstance, chain walk
            else
                FreeThroughSlot(instance);
            instance = NewThroughSlot(c);
        }
        FreeThroughSlot(instance);
        refs[side][0] = values.StringRefs(), refs[side][1] = values.ObjectRefs();
    }
    EXPECT_EQ(refs[0][0], refs[1][0]);
    EXPECT_EQ(refs[0][1], refs[1][1]);
    EXPECT_EQ(managed::LiveBlocks(), blocks);
}

TEST_F(ObjectAccelerator, UnloadingAPackageRestoresExactlyItsClassesAndFreesTheirStubs) {
    auto load = [](const char* file) {
        toravex::HostString name((testsupport::EmulatedIdeDir(100) + "\\" + file).c_str());
        return Host<HMODULE(HOSTCALL*)(const char*)>(n::Sysutils_LoadPackage)(name.Get());
    };
    HMODULE gone = load("dclemu10.bpl"), kept = load("dclemu11.bpl");
    ASSERT_TRUE(gone && kept);
    auto shapes = [](HMODULE m) { return reinterpret_cast<void* const* (*)()>(GetProcAddress(m, "ShapeClasses"))(); };
    struct Slots {
        void* cls;
        void* newOriginal;
        void* freeOriginal;
        int stubs;
    };
    std::vector<Slots> goneSlots;
    int goneStubs = 0;
    for (void* const* c = shapes(gone); *c; ++c) {
        const Stub s = NewInstanceStub(*c);
        if (!s.accelerator) continue;
        const int stubs = 1 + (FreeInstanceStub(*c).accelerator != nullptr);
        goneSlots.push_back({*c, s.accelerator->NewInstanceSlotValue, s.accelerator->FreeInstanceSlotValue, stubs});
        goneStubs += stubs;
        // What goes back is the package's own import thunk, not where it leads.
        auto* original = static_cast<const uint8_t*>(s.accelerator->NewInstanceSlotValue);
        EXPECT_EQ(original[0], 0xFF);
        EXPECT_EQ(original[1], 0x25);
    }
    EXPECT_EQ(goneSlots.size(), 9u);  // all but the 6-byte class and the one with its own NewInstance
    const size_t accelerators = AcceleratorCount();
    const int busy = BusyBlocks(CodeHeapHandle());

    bool checked = false;
    gOnUnload = [&](uint32_t module) {
        if (module != reinterpret_cast<uint32_t>(gone)) return;
        checked = true;
        for (const Slots& s : goneSlots) {
            EXPECT_EQ(SlotOf(s.cls, -12), s.newOriginal);
            if (s.stubs == 2) {
                EXPECT_EQ(SlotOf(s.cls, -8), s.freeOriginal);
            }
        }
        void* const* keptClasses = shapes(kept);
        for (int i = 0; keptClasses[i]; ++i) {
            if (i == 5 || i == 7) continue;  // TEmuOdd, TEmuOwnNew: never accelerated
            EXPECT_NE(NewInstanceStub(keptClasses[i]).accelerator, nullptr) << i;
        }
    };
    Host<void(HOSTCALL*)(HMODULE)>(n::Sysutils_UnloadPackage)(gone);
    EXPECT_TRUE(checked);
    // Its TDesignItem (a managed-field class of the start-up work) went too.
    EXPECT_EQ(AcceleratorCount(), accelerators - goneSlots.size() - 1);
    EXPECT_EQ(BusyBlocks(CodeHeapHandle()), busy - goneStubs - 2);
    reinterpret_cast<uint32_t (*)()>(GetProcAddress(kept, "ObjectRound"))();  // still works
    Host<void(HOSTCALL*)(HMODULE)>(n::Sysutils_UnloadPackage)(kept);
    EXPECT_EQ(BusyBlocks(CodeHeapHandle()), busy - 2 * (goneStubs + 2));
}

TEST_F(ObjectAccelerator, TwoThreadsCreatingObjectsOfFreshClassesGetOnlyCorrectInstances) {
    std::vector<void*> classes;
    std::vector<std::vector<uint8_t>> expected;
    for (int32_t i = 0; i < 32; ++i) {
        const int32_t size = 4 + 4 * ((i * 7) % 40);
        classes.push_back(i % 3 == 0 && size >= 12 ? MakeClass(&gInterfaced, size) : MakeClass(&gTObject, size));
        expected.push_back(HostInstance(classes.back()));
    }
    std::atomic<int> wrong{0};
    auto work = [&](int thread) {
        for (int round = 0; round < 40; ++round)
            for (size_t k = 0; k < classes.size(); ++k) {
                const size_t i = thread ? classes.size() - 1 - k : k;
                auto* p = static_cast<uint8_t*>(NewThroughSlot(classes[i]));
                if (!std::equal(expected[i].begin(), expected[i].end(), p)) ++wrong;
                FreeThroughSlot(p);
            }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
    size_t accelerated = 0;
    for (void* cls : classes) {
        const Stub s = NewInstanceStub(cls);
        ASSERT_NE(s.accelerator, nullptr);
        EXPECT_EQ(s.accelerator->AcceleratedClass, cls);
        ++accelerated;
    }
    EXPECT_GE(AcceleratorCount(), accelerated);
}

namespace {
class RefusingPlatform : public Win32Platform {
public:
    bool Protect(void* a, size_t n, DWORD p, DWORD* old) override {
        if (refuse) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        return Win32Platform::Protect(a, n, p, old);
    }
    bool refuse = true;
};
}  // namespace

TEST_F(ObjectAccelerator, AStubThatCannotBeHadLeavesTheClassOnTheHostPathAndTheLockAndCreatingFree) {
    void* cls = MakeClass(&gTObject, 48);
    const std::vector<uint8_t> expected = HostInstance(cls);
    RefusingPlatform platform;
    SystemPlatform* previous = SetPlatform(&platform);
    const int busy = BusyBlocks(CodeHeapHandle());
    const int32_t blocks = managed::LiveBlocks();
    const size_t accelerators = AcceleratorCount();
    void* made = nullptr;
    // The creation the caller asked for succeeds as on the host path.
    EXPECT_EQ(RaisedMessage([&] { made = NewThroughSlot(cls); }), "");
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), static_cast<uint8_t*>(made)));
    platform.refuse = false;
    EXPECT_EQ(BusyBlocks(CodeHeapHandle()), busy);
    EXPECT_EQ(managed::LiveBlocks(), blocks + 1);  // only the instance
    EXPECT_EQ(NewInstanceStub(cls).accelerator, nullptr);
    EXPECT_EQ(AcceleratorCount(), accelerators);
    // The lock is free for another thread (an unload takes it), and no
    // class is tried again once building raised.
    std::thread([] { ModuleUnloaded(0x7FFF0000); }).join();
    Accelerate(cls);
    Accelerate(MakeClass(&gTObject, 52));
    EXPECT_EQ(NewInstanceStub(cls).accelerator, nullptr);
    EXPECT_EQ(AcceleratorCount(), accelerators);
    FreeThroughSlot(made);
    EXPECT_EQ(managed::LiveBlocks(), blocks);
    SetPlatform(previous);
}

TEST_F(ObjectAccelerator, AtUnitEndEveryClassSlotHoldsItsOriginalRoutineAgain) {
    const void* runtimeClasses[] = {gTObject, gInterfaced, FindHostExport(n::Classes_TList),
                                    FindHostExport(n::Contnrs_TObjectList)};
    std::vector<const void*> all(std::begin(runtimeClasses), std::end(runtimeClasses));
    for (int32_t size : {4, 20, 64})
        all.push_back(MakeClass(&gTObject, size)), all.push_back(MakeClass(&gInterfaced, size + 12));
    std::vector<std::pair<void*, void*>> before;
    for (const void* c : all) before.push_back({SlotOf(c, -12), SlotOf(c, -8)});
    for (const void* c : all) Accelerate(c);
    for (size_t i = 0; i < all.size(); ++i) EXPECT_NE(NewInstanceStub(all[i]).accelerator, nullptr) << i;
    TeardownFastObj();
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(SlotOf(all[i], -12), before[i].first) << i;
        EXPECT_EQ(SlotOf(all[i], -8), before[i].second) << i;
    }
    EXPECT_EQ(std::memcmp(entryBefore_, FindHostExport(n::System_TObject_NewInstance), 5), 0);
    Accelerate(all[4]);  // the host's own routines again
    EXPECT_EQ(SlotOf(all[4], -12), before[4].first);
}
