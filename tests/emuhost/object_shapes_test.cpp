// The emulated runtime's object creation as the object accelerator meets
// it: the memory manager's block count, InitInstance on any instance size,
// and the classes of every shape in a design package. (Its managed-data
// routines are the reference of tests/runtime/managed_data_test.cpp.)
#include "EmuHostTest.h"

#include <cstring>

#include "ManagedValues.h"

using namespace emutest;
using testsupport::RaisedMessage;
using toravex::HostString;
namespace n = hostnames;

namespace {

class ObjectShapes : public EmuHostTest {};

using ShapeClassesFn = void* const* (*)();
using RoundFn = uint32_t (*)();

HMODULE LoadDesignPackage(const char* file) {
    HostString name((testsupport::EmulatedIdeDir(100) + "\\" + file).c_str());
    return reinterpret_cast<HMODULE>(HostCall(n::Sysutils_LoadPackage, {Word(name.Get())}).outEax);
}

const void* ParentOf(const void* c) { return hostabi::ParentOf(c); }
std::string NameOf(const void* c) {
    const unsigned char* s = hostabi::HeaderOfClass(c)->className;
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}
// Where a class slot leads: through an import thunk (FF 25 [slot]) to the
// routine the slot of the thunk holds, else the slot's own code.
const void* Through(const void* code) {
    auto* p = static_cast<const uint8_t*>(code);
    return p[0] == 0xFF && p[1] == 0x25 ? **reinterpret_cast<void* const* const*>(p + 2) : code;
}

}  // namespace

TEST_F(ObjectShapes, TheMemoryManagerCountsItsBlocksAndRefusesADoubleRelease) {
    const int32_t before = managed::LiveBlocks();
    void* p = reinterpret_cast<void*>(HostCall(n::System_GetMem, {24}).outEax);
    EXPECT_EQ(managed::LiveBlocks(), before + 1);
    HostCall(n::System_ReallocMem, {Word(&p), 4000});
    EXPECT_EQ(managed::LiveBlocks(), before + 1);
    HostCall(n::System_FreeMem, {Word(p)});
    EXPECT_EQ(managed::LiveBlocks(), before);
    std::string cls;
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::System_FreeMem, {Word(p)}); }, &cls), "Invalid pointer operation");
    EXPECT_EQ(cls, "EInvalidPointer");
    EXPECT_EQ(managed::LiveBlocks(), before);
}

TEST_F(ObjectShapes, InitInstanceZeroesAnyInstanceSizeUpToItsEnd) {
    const void* tobject = Export(n::System_TObject);
    for (int32_t size = 4; size <= 41; ++size) {
        struct { hostabi::ClassHeader header; void* first; } derived;
        derived.header = *hostabi::HeaderOfClass(tobject);
        derived.header.instanceSize = size;
        derived.header.parent = const_cast<void**>(&tobject);
        uint8_t memory[48];
        std::memset(memory, 0xA5, sizeof memory);
        HostCall(n::System_TObject_InitInstance, {Word(&derived.first), Word(memory)});
        EXPECT_EQ(*reinterpret_cast<void**>(memory), &derived.first);
        for (int32_t i = 4; i < 48; ++i) EXPECT_EQ(memory[i], i < size ? 0 : 0xA5) << "size " << size << " byte " << i;
    }
}

TEST_F(ObjectShapes, ADesignPackageDeclaresEveryShapeAndItsWorkLeavesNothingBehind) {
    HMODULE package = LoadDesignPackage("dclemu05.bpl");
    ASSERT_NE(package, nullptr);
    auto classes = reinterpret_cast<ShapeClassesFn>(GetProcAddress(package, "ShapeClasses"))();
    const void* tobject = Export(n::System_TObject);
    const void* interfaced = Export(n::System_TInterfacedObject);
    const void* newInstance = Export(n::System_TObject_NewInstance);
    const void* interfacedNew = Export(n::System_TInterfacedObject_NewInstance);
    const void* freeInstance = Export(n::System_TObject_FreeInstance);
    struct Shape {
        const char* name;
        int32_t size;
        const void* parent;  // nil: the class before it in the list
        const void* newInstance;  // nil: its own
        const void* freeInstance;
        int32_t ownFields;
    };
    const Shape kShapes[] = {
        {"TEmuBare", 4, tobject, newInstance, freeInstance, -1},
        {"TEmuPoint", 20, tobject, newInstance, freeInstance, -1},
        {"TEmuBlock", 100, tobject, newInstance, freeInstance, -1},
        {"TEmuCounted", 112, interfaced, interfacedNew, freeInstance, -1},
        {"TEmuTiny", 16, interfaced, interfacedNew, freeInstance, -1},
        {"TEmuOdd", 6, tobject, newInstance, freeInstance, -1},
        {"TEmuOwnFree", 32, tobject, newInstance, nullptr, 1},
        {"TEmuOwnNew", 12, tobject, nullptr, freeInstance, -1},
        {"TEmuNamed", 20, tobject, newInstance, freeInstance, 3},
        {"TEmuValued", 56, nullptr, newInstance, freeInstance, 3},
        {"TEmuListed", 112, nullptr, newInstance, freeInstance, 4},
    };
    int i = 0;
    for (const Shape& s : kShapes) {
        const void* c = classes[i];
        ASSERT_NE(c, nullptr);
        const hostabi::ClassHeader& h = *hostabi::HeaderOfClass(c);
        EXPECT_EQ(NameOf(c), s.name);
        EXPECT_EQ(h.instanceSize, s.size) << s.name;
        EXPECT_EQ(ParentOf(c), s.parent ? s.parent : classes[i - 1]) << s.name;
        EXPECT_EQ(h.initTable ? reinterpret_cast<const hostabi::RecordTypeData*>(hostabi::TypeDataOf(h.initTable))
                                    ->managedFieldCount
                              : -1,
                  s.ownFields)
            << s.name;
        // Inherited slots name the runtime's entries through the package's
        // import thunks; own ones lead into the package.
        for (auto [slot, entry] : {std::pair{h.newInstance, s.newInstance}, std::pair{h.freeInstance, s.freeInstance}}) {
            if (entry) {
                EXPECT_EQ(Through(slot), entry) << s.name;
                EXPECT_NE(slot, entry) << s.name;
            } else {
                EXPECT_EQ(HostCall(n::System_FindHInstance, {Word(slot)}).outEax, Word(package)) << s.name;
            }
        }

        // An instance made by the host: the class, zeroes, the interfaces of the chain.
        void* o = reinterpret_cast<void*>(HostCall(n::System_ClassCreate, {Word(c), 1}).outEax);
        EXPECT_EQ(hostabi::ClassOf(o), c);
        if (s.newInstance == interfacedNew) {
            EXPECT_EQ(static_cast<hostabi::InterfacedObject*>(o)->refCount, 1) << s.name;
            EXPECT_NE(static_cast<hostabi::InterfacedObject*>(o)->intfVTable, nullptr);
            static_cast<hostabi::InterfacedObject*>(o)->refCount = 0;
        }
        HostCall(n::System_TObject_Free, {Word(o)});
        ++i;
    }
    EXPECT_EQ(classes[i], nullptr);

    auto round = reinterpret_cast<RoundFn>(GetProcAddress(package, "ObjectRound"));
    const int32_t blocks = managed::LiveBlocks();
    const uint32_t first = round();
    EXPECT_EQ(round(), first);
    EXPECT_EQ(managed::LiveBlocks(), blocks);
    HostCall(n::Sysutils_UnloadPackage, {Word(package)});
}
