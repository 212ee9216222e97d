// The managed-data replacements against the emulated host's own routines,
// over generated type information of every kind and nesting: the same
// memory afterwards, the same reference counts, the same blocks freed, the
// same error for a kind they do not handle; and their installation.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "HostCaller.h"
#include "ManagedValues.h"
#include "../core/RuntimeFixture.h"
#include "base/HostException.h"
#include "patching/PatchLib.h"
#include "patching/ReplacementMap.h"
#include "runtime/FastSys.h"
#include "runtime/FastSysRoutines.h"

using namespace toravex;
using testsupport::RaisedMessage;
namespace n = hostnames;

namespace {

struct Routines {
    const char* name;
    void*(HOSTCALL* newValue)(int32_t, const void*);
    void(HOSTCALL* dispose)(void*, const void*);
    void*(HOSTCALL* initialize)(void*, const void*, uint32_t);
    void*(HOSTCALL* finalize)(void*, const void*, uint32_t);
    void**(HOSTCALL* dynArrayClear)(void**, const void*);
    bool(HOSTCALL* isClass)(const void*, const void*);
};

class ManagedData : public RuntimeTest {
protected:
    static void SetUpTestSuite() {
        RuntimeTest::SetUpTestSuite();
        PreparePatchPrimitives();
        PrepareFastSys();
    }
    static Routines Host() {
        return {"host",
                Routine<decltype(Routines::newValue)>(n::System_New),
                Routine<decltype(Routines::dispose)>(n::System_Dispose),
                Routine<decltype(Routines::initialize)>(n::System_InitializeArray),
                Routine<decltype(Routines::finalize)>(n::System_FinalizeArray),
                Routine<decltype(Routines::dynArrayClear)>(n::System_DynArrayClear),
                Routine<decltype(Routines::isClass)>(n::System_IsClass)};
    }
    static Routines Ours() {
        return {"ours", FastNew, FastDispose, FastInitializeArray, FastFinalizeArray, FastDynArrayClear, FastIsClass};
    }
};

// What one implementation left behind.
struct Outcome {
    std::vector<uint8_t> initialized, finalized;
    int32_t stringRefsFilled = 0, stringRefs = 0, objectRefs = 0, blocks = 0;
    bool operator==(const Outcome&) const = default;
};

const managed::GeneratedType& Named(const managed::TypeCatalog& catalog, const std::string& name) {
    for (const managed::GeneratedType& t : catalog.Types())
        if (t.name == name) return t;
    ADD_FAILURE() << "no generated type " << name;
    return catalog.Types()[0];
}

uint8_t gPoolStorage[2048];

// Initializes count values of t in a guarded buffer, fills them, finalizes them.
Outcome InitializeFillFinalize(const Routines& r, const managed::GeneratedType& t, uint32_t count) {
    Outcome o;
    const int32_t blocks = managed::LiveBlocks();
    {
        managed::ValueMaker values;
        std::vector<uint8_t> memory(t.size * count + 8, 0xEE);
        uint8_t* at = memory.data() + 4;
        EXPECT_EQ(r.initialize(at, t.info, count), at);
        o.initialized = memory;
        for (uint32_t i = 0; i < count; ++i) values.Fill(at + i * t.size, t.info, i + count);
        o.stringRefsFilled = values.StringRefs();
        EXPECT_EQ(r.finalize(at, t.info, count), at);
        o.finalized = memory;
        o.stringRefs = values.StringRefs();
        o.objectRefs = values.ObjectRefs();
    }
    o.blocks = managed::LiveBlocks() - blocks;
    return o;
}

}  // namespace

TEST_F(ManagedData, ArraysOfEveryGeneratedTypeEndAsTheHostLeavesThem) {
    managed::TypeCatalog catalog;
    for (const managed::GeneratedType& t : catalog.Types()) {
        for (uint32_t count : {0u, 1u, 2u, 5u}) {
            const Outcome host = InitializeFillFinalize(Host(), t, count);
            const Outcome ours = InitializeFillFinalize(Ours(), t, count);
            EXPECT_TRUE(ours == host) << t.name << " x" << count << ": refs " << ours.stringRefs << "/"
                                      << host.stringRefs << ", blocks " << ours.blocks << "/" << host.blocks;
            EXPECT_EQ(ours.blocks, 0) << t.name << " x" << count;
        }
    }
}

TEST_F(ManagedData, NewMakesTheHostsEmptyValueAndDisposeReleasesEverything) {
    managed::TypeCatalog catalog;
    const Routines host = Host(), ours = Ours();
    for (const managed::GeneratedType& t : catalog.Types()) {
        const int32_t blocks = managed::LiveBlocks();
        managed::ValueMaker values;
        const int32_t strings = values.StringRefs(), objects = values.ObjectRefs();
        void* p = ours.newValue(t.size, t.info);
        ASSERT_EQ(p == nullptr, t.size == 0) << t.name;
        if (p) {
            // Initializing an initialized value changes nothing.
            std::vector<uint8_t> copy(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + t.size);
            host.initialize(copy.data(), t.info, 1);
            EXPECT_TRUE(std::equal(copy.begin(), copy.end(), static_cast<uint8_t*>(p))) << t.name;
            values.Fill(p, t.info, 7);
        }
        ours.dispose(p, t.info);
        EXPECT_EQ(values.StringRefs(), strings) << t.name;
        EXPECT_EQ(values.ObjectRefs(), objects) << t.name;
        EXPECT_EQ(managed::LiveBlocks(), blocks + 2) << t.name;  // the shared string and object remain
    }
}

TEST_F(ManagedData, KindsTheRoutinesDoNotHandleRaiseTheHostsInvalidPointerError) {
    managed::TypeCatalog catalog;
    typeinfo::Pool pool(gPoolStorage, sizeof gPoolStorage);
    for (uint8_t kind : {0, 9, 16, 18, 255}) {
        void* bad = catalog.Unsupported(kind);
        void** badRef = pool.Ref(bad);
        // Where the bad type sits: itself, a record's field, one and two
        // elements of a static array, none of them, the elements of a
        // dynamic array being freed.
        struct Case {
            void* type;
            uint32_t count;
            bool raises;
        };
        const Case cases[] = {
            {bad, 0, false},
            {bad, 1, true},
            {bad, 3, true},
            {pool.Record("R", 8, {{badRef, 4}}), 1, true},
            {pool.StaticArray("", 4, 1, badRef), 2, true},
            {pool.StaticArray("", 8, 2, badRef), 1, true},
            {pool.StaticArray("", 0, 0, badRef), 2, false},
        };
        for (const Routines& r : {Host(), Ours()}) {
            for (const Case& c : cases) {
                uint32_t memory[16] = {};
                const char* expected = c.raises ? "Invalid pointer operation" : "";
                std::string cls;
                EXPECT_EQ(RaisedMessage([&] { r.initialize(memory, c.type, c.count); }, &cls), expected)
                    << r.name << " kind " << int(kind);
                if (c.raises) {
                    EXPECT_EQ(cls, "EInvalidPointer");
                }
                EXPECT_EQ(RaisedMessage([&] { r.finalize(memory, c.type, c.count); }), expected)
                    << r.name << " kind " << int(kind);
            }
            void* record = nullptr;
            EXPECT_EQ(RaisedMessage([&] { record = r.newValue(8, pool.Record("", 8, {{badRef, 0}})); }),
                      "Invalid pointer operation");
            void* array = nullptr;
            auto* block = static_cast<int32_t*>(Runtime().getMem(12));
            block[0] = 1, block[1] = 1;  // count 1, length 1: its element is finalized
            array = block + 2;
            EXPECT_EQ(RaisedMessage([&] { r.dynArrayClear(&array, pool.DynArray("", 4, badRef)); }),
                      "Invalid pointer operation")
                << r.name;
            Runtime().freeMem(block);
        }
    }
}

TEST_F(ManagedData, DynamicArraysAreFreedOnlyWithTheirLastReference) {
    managed::TypeCatalog catalog;
    for (const managed::GeneratedType& t : catalog.Types()) {
        if (hostabi::KindOf(t.info) != hostabi::typekind::kDynArray) continue;
        std::vector<Outcome> outcomes;
        for (const Routines& r : {Host(), Ours()}) {
            Outcome o;
            const int32_t blocks = managed::LiveBlocks();
            {
                managed::ValueMaker values;
                void* array = nullptr;
                values.Fill(&array, t.info, 3);  // three elements
                void* other = array;
                ++static_cast<hostabi::DynArrayHeader*>(array)[-1].refCount;
                EXPECT_EQ(r.dynArrayClear(&array, t.info), &array);
                EXPECT_EQ(array, nullptr);
                o.stringRefsFilled = values.StringRefs();  // 2 -> 1: nothing released
                r.dynArrayClear(&other, t.info);
                r.dynArrayClear(&other, t.info);  // nil: nothing
                o.stringRefs = values.StringRefs();
                o.objectRefs = values.ObjectRefs();
            }
            o.blocks = managed::LiveBlocks() - blocks;
            outcomes.push_back(o);
        }
        EXPECT_TRUE(outcomes[0] == outcomes[1]) << t.name;
        EXPECT_EQ(outcomes[1].blocks, 0) << t.name;
    }
}

TEST_F(ManagedData, AConstantStringIsClearedButNeverCountedOrFreed) {
    struct { int32_t refCount = -1, length = 3; char text[4] = "abc"; } constant;
    typeinfo::Pool pool(gPoolStorage, sizeof gPoolStorage);
    void* str = pool.Plain(hostabi::typekind::kLongString, "");
    char* fields[3] = {constant.text, constant.text, constant.text};
    FinalizeOne(&fields[0], str);
    FinalizeMany(&fields[1], str, 2);
    EXPECT_EQ(fields[0], nullptr);
    EXPECT_EQ(fields[2], nullptr);
    EXPECT_EQ(constant.refCount, -1);
}

TEST_F(ManagedData, IsClassWalksTheChainAsTheHostDoes) {
    const void* tobject = FindHostExport(n::System_TObject);
    const void* tlist = FindHostExport(n::Classes_TList);
    const void* owning = FindHostExport(n::Contnrs_TObjectList);
    const void* interfaced = FindHostExport(n::System_TInterfacedObject);
    const void* classes[] = {tobject, tlist, owning, interfaced, nullptr};
    const Routines host = Host();
    for (const void* c : {tobject, tlist, owning, interfaced}) {
        const void* instance = &c;  // only the class reference is read
        for (const void* tested : classes) {
            EXPECT_EQ(FastIsClass(instance, tested), host.isClass(instance, tested));
            EXPECT_FALSE(FastIsClass(nullptr, tested));
        }
    }
    EXPECT_TRUE(FastIsClass(&owning, tobject));
    EXPECT_FALSE(FastIsClass(&tlist, owning));
}

TEST_F(ManagedData, TheReplacementsKeepTheHostsRegisterConvention) {
    managed::TypeCatalog catalog;
    const managed::GeneratedType& t = Named(catalog, "string");
    uint32_t memory[8];
    testsupport::WithEachStackAlignment([&] {
        HostCallFrame f{};
        f.eax = reinterpret_cast<uint32_t>(memory), f.edx = reinterpret_cast<uint32_t>(t.info), f.ecx = 2;
        testsupport_host_call(reinterpret_cast<void*>(&FastInitializeArray), &f);
        EXPECT_TRUE(f.preserved);
        EXPECT_EQ(f.stackRemoved, 0);
        EXPECT_EQ(f.outEax, f.eax);
        testsupport_host_call(reinterpret_cast<void*>(&FastFinalizeArray), &f);
        EXPECT_TRUE(f.preserved);
        EXPECT_TRUE(f.fpuEmpty);
    });
}

TEST_F(ManagedData, InstallationRedirectsTheSixEntriesRegistersFourAndRemovalRestoresThem) {
    managed::TypeCatalog catalog;
    const hostnames::HostName* redirected[] = {&n::System_New, &n::System_Dispose, &n::System_InitializeArray,
                                               &n::System_DynArrayClear, &n::System_FinalizeArray, &n::System_IsClass};
    const void* replacements[] = {reinterpret_cast<void*>(&FastNew), reinterpret_cast<void*>(&FastDispose),
                                  reinterpret_cast<void*>(&FastInitializeArray),
                                  reinterpret_cast<void*>(&FastDynArrayClear),
                                  reinterpret_cast<void*>(&FastFinalizeArray), reinterpret_cast<void*>(&FastIsClass)};
    uint8_t before[6][5];
    for (int i = 0; i < 6; ++i) std::memcpy(before[i], FindHostExport(*redirected[i]), 5);
    PrepareFastSys();
    InstallFastSys();
    InstallFastSys();  // a second call does nothing
    for (int i = 0; i < 6; ++i) {
        auto* entry = static_cast<uint8_t*>(FindHostExport(*redirected[i]));
        ASSERT_EQ(entry[0], 0xE9) << redirected[i]->decorated;
        EXPECT_EQ(entry + 5 + *reinterpret_cast<int32_t*>(entry + 1), replacements[i]) << redirected[i]->decorated;
    }
    // New, Dispose, IsClass and DynArrayClear reach their importers through stubs.
    for (int i : {0, 1, 3, 5}) {
        void* stub = nullptr;
        ASSERT_TRUE(FindReplacement(FindHostExport(*redirected[i]), stub)) << redirected[i]->decorated;
        auto* code = static_cast<uint8_t*>(stub);
        EXPECT_EQ(code[0], 0x50);
        EXPECT_EQ(code + 33 + *reinterpret_cast<int32_t*>(code + 29), replacements[i]);
    }
    for (int i : {2, 4}) {
        void* none = nullptr;
        EXPECT_FALSE(FindReplacement(FindHostExport(*redirected[i]), none)) << redirected[i]->decorated;
    }
    // Called as importers call the host: the replacement answers.
    void* p = Routine<void*(HOSTCALL*)(int32_t, const void*)>(n::System_New)(4, Named(catalog, "string").info);
    EXPECT_EQ(*static_cast<void**>(p), nullptr);
    Runtime().freeMem(p);
    RemoveFastSys();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(std::memcmp(before[i], FindHostExport(*redirected[i]), 5), 0) << redirected[i]->decorated;
    FreeReplacementMap();
}
