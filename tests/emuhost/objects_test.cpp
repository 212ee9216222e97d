// Objects, managed data, lists, interfaces and 64-bit helpers of the
// emulated runtime: layouts, reference counts and the host's conventions.
#include "EmuHostTest.h"

#include <oleauto.h>

#include "base/HostException.h"

using namespace emutest;
using toravex::HostString;
namespace n = hostnames;
namespace host = toravex::host;

namespace {

class Objects : public EmuHostTest {};

void* ClassRef(const n::HostName& name) { return Export(name); }
void* Create(const n::HostName& constructor, void* classRef, std::initializer_list<uint32_t> more = {}) {
    HostCallFrame f{};
    f.eax = Word(classRef), f.edx = 1;
    if (more.size()) f.ecx = *more.begin();
    testsupport_host_call(Export(constructor), &f);
    return reinterpret_cast<void*>(f.outEax);
}
void Free(void* object) { HostCall(n::System_TObject_Free, {Word(object)}); }

using testsupport::RaisedMessage;

#pragma pack(push, 1)
struct StringType { uint8_t kind = 10, nameLength = 1; char name = 's'; };
struct RecordType {  // record S: string; P: Integer; T: string end
    uint8_t kind = 14, nameLength = 1;
    char name = 'R';
    int32_t size = 12, count = 2;
    hostabi::ManagedFieldRef fields[2];
};
struct DynArrayType { uint8_t kind = 17, nameLength = 1; char name = 'A'; int32_t elementSize; void** elementType; };
struct Int64Type { uint8_t kind = 16, nameLength = 1; char name = 'I'; };
#pragma pack(pop)

StringType gString;
void* gStringRef = &gString;
RecordType MakeRecordType() {
    RecordType r;
    r.fields[0] = {&gStringRef, 0};
    r.fields[1] = {&gStringRef, 8};
    return r;
}
RecordType gRecord = MakeRecordType();
void* gRecordRef = &gRecord;

}  // namespace

TEST_F(Objects, ClassRecordsCarryTheHostLayout) {
    auto* tlist = static_cast<const char*>(ClassRef(n::Classes_TList));
    auto* tobject = ClassRef(n::System_TObject);
    auto* owning = ClassRef(n::Contnrs_TObjectList);
    auto at = [](const void* c, int offset) { return *reinterpret_cast<void* const*>(static_cast<const char*>(c) + offset); };
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(tlist - 40), 16);  // instance size
    EXPECT_EQ(*static_cast<void**>(at(tlist, -36)), tobject);       // parent
    EXPECT_EQ(*static_cast<void**>(at(owning, -36)), tlist);
    EXPECT_EQ(std::string(static_cast<const char*>(at(tlist, -44)) + 1, 5), "TList");
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(static_cast<const char*>(owning) - 40), 20);
    EXPECT_EQ(HostCall(n::System_TObject_InstanceSize, {Word(owning)}).outEax, 20u);
    EXPECT_EQ(HostCall(n::System_TObject_ClassParent, {Word(owning)}).outEax, Word(tlist));
    EXPECT_EQ(HostCall(n::System_TObject_ClassParent, {Word(tobject)}).outEax, 0u);
    // Inherited slots hold the exported entries themselves.
    EXPECT_EQ(at(tlist, -12), Export(n::System_TObject_NewInstance));
    EXPECT_EQ(at(owning, -8), Export(n::System_TObject_FreeInstance));
    EXPECT_EQ(at(ClassRef(n::System_TInterfacedObject), -12), Export(n::System_TInterfacedObject_NewInstance));

    void* list = Create(n::System_TObject_Create, const_cast<char*>(tlist));
    EXPECT_EQ(*static_cast<void**>(list), tlist);
    EXPECT_EQ(HostCall(n::System_IsClass, {Word(list), Word(tobject)}).outEax & 0xFF, 1u);
    EXPECT_EQ(HostCall(n::System_IsClass, {Word(list), Word(owning)}).outEax & 0xFF, 0u);
    EXPECT_EQ(HostCall(n::System_IsClass, {0, Word(tobject)}).outEax & 0xFF, 0u);
    std::string cls;
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::System_AsClass, {Word(list), Word(owning)}); }, &cls),
              "Invalid class typecast");
    EXPECT_EQ(cls, "EInvalidCast");
    Free(list);
    EXPECT_EQ(HostCall(n::System_FindHInstance, {Word(tlist)}).outEax, Word(Rtl()));
}

TEST_F(Objects, ListsNotifyRaiseWithTheIndexAndOwningListsFreeOnDeletion) {
    auto* list = static_cast<hostabi::ListObject*>(Create(n::System_TObject_Create, ClassRef(n::Classes_TList)));
    for (uintptr_t i = 1; i <= 20; ++i) HostCall(n::Classes_TList_Add, {Word(list), Word(i)});
    EXPECT_EQ(list->count, 20);
    EXPECT_GE(list->capacity, 20);
    EXPECT_EQ(HostCall(n::Classes_TList_Get, {Word(list), 4}).outEax, 5u);
    EXPECT_EQ(HostCall(n::Classes_TList_IndexOf, {Word(list), 7}).outEax, 6u);
    HostCall(n::Classes_TList_Insert, {Word(list), 20, 99});  // Insert at Count appends
    EXPECT_EQ(HostCall(n::Classes_TList_Last, {Word(list)}).outEax, 99u);
    HostCall(n::Classes_TList_Exchange, {Word(list), 0, 1});
    EXPECT_EQ(list->list[0], reinterpret_cast<void*>(2));
    HostCall(n::Classes_TList_Put, {Word(list), 2, 0});
    HostCall(n::Classes_TList_Pack, {Word(list)});
    EXPECT_EQ(list->count, 20);

    std::string cls;
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::Classes_TList_Get, {Word(list), static_cast<uint32_t>(-1)}); }, &cls),
              "List index out of bounds (-1)");
    EXPECT_EQ(cls, "EListError");
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::Classes_TList_Insert, {Word(list), 22, 1}); }),
              "List index out of bounds (22)");
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::Classes_TList_SetCount, {Word(list), 134217728}); }),
              "List count out of bounds (134217728)");
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::Classes_TList_Exchange, {Word(list), 0, 20}); }),
              "List index out of bounds (20)");
    HostCall(n::Classes_TList_SetCount, {Word(list), 0});
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::Classes_TList_Last, {Word(list)}); }), "List index out of bounds (0)");
    EXPECT_EQ(RaisedMessage([&] {
                  HostCall(n::Classes_TList_Error, {Word(ClassRef(n::Classes_TList)),
                                                    Word(Export(n::Rtlconsts_SListCountError)), 7});
              }),
              "List count out of bounds (7)");
    Free(list);

    // An owning list frees on deletion and Put, not on Extract.
    void* owningClass = ClassRef(n::Contnrs_TObjectList);
    auto* owning = static_cast<hostabi::ObjectListObject*>(Create(n::Contnrs_TObjectList_Create, owningClass));
    EXPECT_EQ(owning->ownsObjects, 1);
    void* tlistClass = ClassRef(n::Classes_TList);
    void* items[3];
    for (void*& item : items) {
        item = Create(n::System_TObject_Create, tlistClass);  // owned lists, freed by the owner
        HostCall(n::Contnrs_TObjectList_Add, {Word(owning), Word(item)});
        HostCall(n::Classes_TList_Add, {Word(item), 1});
    }
    EXPECT_EQ(HostCall(n::Contnrs_TObjectList_Extract, {Word(owning), Word(items[0])}).outEax, Word(items[0]));
    EXPECT_EQ(static_cast<hostabi::ListObject*>(items[0])->count, 1);  // still alive
    HostCall(n::Classes_TList_Delete, {Word(owning), 0});              // frees items[1]
    HostCall(n::Contnrs_TObjectList_SetItem, {Word(owning), 0, Word(items[0])});  // frees items[2]
    EXPECT_EQ(owning->base.count, 1);
    Free(owning);  // frees items[0]
    auto* kept = static_cast<hostabi::ObjectListObject*>(Create(n::Contnrs_TObjectList_CreateOwning, owningClass, {0}));
    EXPECT_EQ(kept->ownsObjects, 0);
    Free(kept);
    // The notification routine spans 32 bytes or more of its own.
    auto* notify = static_cast<const unsigned char*>(Export(n::Contnrs_TObjectList_Notify));
    EXPECT_EQ(notify[47], 0xCC);
}

TEST_F(Objects, ManagedRecordsAndDynamicArraysFollowTheirReferenceCounts) {
    HostString text("shared text");
    struct { char* s; int32_t p; char* t; } record{};
    HostCall(n::System_AddRef, {Word(&record), Word(&gRecord)});  // nil fields: nothing
    record.s = const_cast<char*>(text.Get());
    record.t = const_cast<char*>(text.Get());
    HostCall(n::System_AddRef, {Word(&record), Word(&gRecord)});
    EXPECT_EQ(RefCount(text.Get()), 3);
    HostCall(n::System_FinalizeArray, {Word(&record), Word(&gRecord), 1});
    EXPECT_EQ(record.s, nullptr);
    EXPECT_EQ(RefCount(text.Get()), 1);

    void* p = reinterpret_cast<void*>(HostCall(n::System_New, {12, Word(&gRecord)}).outEax);
    EXPECT_EQ(static_cast<uint32_t*>(p)[0] | static_cast<uint32_t*>(p)[2], 0u);
    HostCall(n::System_LStrAsg, {Word(p), Word(text.Get())});
    HostCall(n::System_Dispose, {Word(p), Word(&gRecord)});
    EXPECT_EQ(RefCount(text.Get()), 1);

    // array of record: SetLength takes its lengths on the stack, left to the caller.
    DynArrayType arrayType;
    arrayType.elementSize = 12;
    arrayType.elementType = &gRecordRef;
    void* array = nullptr;
    HostCallFrame f = HostCall(n::System_DynArraySetLength, {Word(&array), Word(&arrayType), 1}, {3});
    EXPECT_EQ(f.stackRemoved, 0);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(HostCall(n::System_DynArrayLength, {Word(array)}).outEax, 3u);
    EXPECT_EQ(HostCall(n::System_DynArrayHigh, {Word(array)}).outEax, 2u);
    EXPECT_EQ(HostCall(n::System_DynArrayHigh, {0}).outEax, 0xFFFFFFFFu);
    HostCall(n::System_LStrAsg, {Word(array) + 12, Word(text.Get())});  // element 1, field S
    void* second = nullptr;
    HostCall(n::System_DynArrayAsg, {Word(&second), Word(array), Word(&arrayType)});
    EXPECT_EQ(static_cast<int32_t*>(array)[-2], 2);
    HostCall(n::System_DynArraySetLength, {Word(&second), Word(&arrayType), 1}, {5});  // copy on write
    EXPECT_NE(second, array);
    EXPECT_EQ(static_cast<int32_t*>(array)[-2], 1);
    EXPECT_EQ(RefCount(text.Get()), 3);
    void* range = nullptr;
    f = HostCall(n::System_DynArrayCopyRange, {Word(array), Word(&arrayType), 1}, {5, Word(&range)});
    EXPECT_EQ(f.stackRemoved, 8);
    EXPECT_EQ(HostCall(n::System_DynArrayLength, {Word(range)}).outEax, 2u);
    EXPECT_EQ(RefCount(text.Get()), 4);
    for (void** a : {&array, &second, &range}) HostCall(n::System_DynArrayClear, {Word(a), Word(&arrayType)});
    EXPECT_EQ(array, nullptr);
    EXPECT_EQ(RefCount(text.Get()), 1);

    Int64Type int64Type;
    int64_t value = 0;
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::System_InitializeArray, {Word(&value), Word(&int64Type), 2}); }),
              "Invalid pointer operation");
}

TEST_F(Objects, ConstantStringsAreNeverCountedOrFreedAndTheLastReleaseFrees) {
    struct { int32_t refCount = -1, length = 3; char text[4] = "abc"; } constant;
    char* dest = nullptr;
    HostCall(n::System_LStrLAsg, {Word(&dest), Word(constant.text)});
    EXPECT_EQ(dest, constant.text);  // stored as it is
    HostCall(n::System_LStrAsg, {Word(&dest), Word(constant.text)});
    ASSERT_NE(dest, constant.text);  // a counted copy
    EXPECT_EQ(RefCount(dest), 1);
    EXPECT_EQ(constant.refCount, -1);
    HostCall(n::System_LStrAddRef, {Word(dest)});
    EXPECT_EQ(RefCount(dest), 2);
    char* other = dest;
    HostCall(n::System_UniqueString, {Word(&other)});
    EXPECT_NE(other, dest);
    HostCall(n::System_LStrClr, {Word(&other)});
    HostCall(n::System_LStrClr, {Word(&dest)});
    EXPECT_EQ(dest, nullptr);
    char* array[2] = {nullptr, nullptr};
    HostCall(n::System_LStrFromArray, {Word(&array[0]), Word("ab\0cd"), 5});
    EXPECT_EQ(Text(array[0]), "ab");
    HostCall(n::System_LStrArrayClr, {Word(array), 2});
    EXPECT_EQ(array[0], nullptr);
}

TEST_F(Objects, InterfacedObjectsCountTheirReferencesAndCastsCheckTheIdentifier) {
    void* cls = ClassRef(n::System_TInterfacedObject);
    auto* object = static_cast<hostabi::InterfacedObject*>(Create(n::System_TObject_Create, cls));
    EXPECT_EQ(object->refCount, 0);  // NewInstance's reference given back by AfterConstruction
    auto* raw = static_cast<hostabi::InterfacedObject*>(
        reinterpret_cast<void*>(HostCall(n::System_TInterfacedObject_NewInstance, {Word(cls)}).outEax));
    EXPECT_EQ(raw->refCount, 1);
    HostCall(n::System_TObject_FreeInstance, {Word(raw)});

    const GUID iunknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}, other = {1, 2, 3, {4}};
    void* intf = nullptr;
    EXPECT_EQ(HostCall(n::Sysutils_Supports_ObjectOut, {Word(object), Word(&iunknown), Word(&intf)}).outEax & 0xFF, 1u);
    EXPECT_EQ(intf, &object->intfVTable);
    EXPECT_EQ(object->refCount, 1);
    EXPECT_EQ(HostCall(n::Sysutils_Supports_Class, {Word(cls), Word(&other)}).outEax & 0xFF, 0u);
    void* copy = nullptr;
    HostCall(n::System_IntfCopy, {Word(&copy), Word(intf)});
    HostCall(n::System_IntfCast, {Word(&copy), Word(intf), Word(&iunknown)});
    EXPECT_EQ(object->refCount, 2);
    std::string cls2;
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::System_IntfCast, {Word(&copy), Word(intf), Word(&other)}); }, &cls2),
              "Interface not supported");
    EXPECT_EQ(cls2, "EIntfCastError");
    HostCall(n::System_IntfClear, {Word(&copy)});
    HostCall(n::System_IntfClear, {Word(&intf)});  // the last reference destroys the object
    EXPECT_EQ(intf, nullptr);
}

TEST_F(Objects, InterfaceListsHoldOneReferencePerItem) {
    void* list = Create(n::Classes_TInterfaceList_Create, ClassRef(n::Classes_TInterfaceList));
    auto* object = static_cast<hostabi::InterfacedObject*>(Create(n::System_TObject_Create, ClassRef(n::System_TInterfacedObject)));
    void* intf = &object->intfVTable;
    HostCall(n::System_IntfAddRef, {Word(intf)});  // our own reference
    EXPECT_EQ(HostCall(n::Classes_TInterfaceList_Add, {Word(list), Word(intf)}).outEax, 0u);
    HostCall(n::Classes_TInterfaceList_Insert, {Word(list), 0, Word(intf)});
    EXPECT_EQ(object->refCount, 3);
    EXPECT_EQ(HostCall(n::Classes_TInterfaceList_GetCount, {Word(list)}).outEax, 2u);
    void* got = nullptr;
    HostCall(n::Classes_TInterfaceList_Get, {Word(list), 1, Word(&got)});
    EXPECT_EQ(got, intf);
    EXPECT_EQ(object->refCount, 4);
    HostCall(n::System_IntfClear, {Word(&got)});
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::Classes_TInterfaceList_Get, {Word(list), 2, Word(&got)}); }),
              "List index out of bounds (2)");
    EXPECT_EQ(HostCall(n::Classes_TInterfaceList_Remove, {Word(list), Word(intf)}).outEax, 0u);
    EXPECT_EQ(object->refCount, 2);
    Free(list);  // releases the remaining item
    EXPECT_EQ(object->refCount, 1);
    HostCall(n::System_IntfClear, {Word(&intf)});
}

TEST_F(Objects, DynamicMethodsAreFoundThroughTheClassChain) {
    // A class derived from TList whose dynamic table holds methods 5 and -3.
    static int target1, target2;
#pragma pack(push, 1)
    static struct {
        uint16_t count = 2;
        int16_t indices[2] = {5, -3};
        void* code[2] = {&target1, &target2};
    } table;
#pragma pack(pop)
    struct { hostabi::ClassHeader header; void* virtuals[4]; } derived;
    const void* tlist = ClassRef(n::Classes_TList);
    derived.header = *hostabi::HeaderOfClass(tlist);
    derived.header.dynamicTable = &table;
    derived.header.parent = const_cast<void**>(&tlist);
    std::copy_n(static_cast<void* const*>(tlist), 4, derived.virtuals);
    void* object = &derived.virtuals[0];  // only its class reference is read
    void* instance = &object;
    EXPECT_EQ(HostCall(n::System_FindDynaClass, {Word(object), 5}).outEax, Word(&target1));
    EXPECT_EQ(HostCall(n::System_FindDynaInst, {Word(instance), 0xFFFD}).outEax, Word(&target2));
    std::string cls;
    EXPECT_EQ(RaisedMessage([&] { HostCall(n::System_FindDynaClass, {Word(object), 6}); }, &cls), "Abstract Error");
    EXPECT_EQ(cls, "EAbstractError");
}

TEST_F(Objects, RaiseLastOSErrorCarriesTheCodeAndTheSystemsText) {
    auto raise = Routine<void(HOSTCALL*)()>(n::Sysutils_RaiseLastOSError);
    auto raiseWin32 = Routine<void(HOSTCALL*)()>(n::Sysutils_RaiseLastWin32Error);
    std::string cls;
    std::string message = RaisedMessage([&] { SetLastError(ERROR_ACCESS_DENIED), raise(); }, &cls);
    EXPECT_EQ(cls, "EOSError");
    EXPECT_EQ(message.rfind("System Error.  Code: 5.\r\n", 0), 0u) << message;
    EXPECT_GT(message.size(), 25u);
    EXPECT_EQ(RaisedMessage([&] { SetLastError(0), raiseWin32(); }), "A call to an OS function failed");
}

TEST_F(Objects, SixtyFourBitHelpersTakeTheSecondOperandOnTheStackAndRemoveIt) {
    auto call = [](const n::HostName& name, int64_t a, int64_t b) {
        HostCallFrame f = HostCall(name, {static_cast<uint32_t>(a), static_cast<uint32_t>(a >> 32)},
                                   {static_cast<uint32_t>(b >> 32), static_cast<uint32_t>(b)});
        EXPECT_EQ(f.stackRemoved, 8) << name.decorated;
        return static_cast<int64_t>((static_cast<uint64_t>(f.outEdx) << 32) | f.outEax);
    };
    EXPECT_EQ(call(n::System_llmul, 0x100000001LL, 3), 0x300000003LL);
    EXPECT_EQ(call(n::System_lldiv, -10000000000LL, 3), -3333333333LL);
    EXPECT_EQ(call(n::System_llmod, -10000000000LL, 3), -1);
    EXPECT_EQ(call(n::System_lludiv, -1, 2), INT64_MAX);
    EXPECT_EQ(call(n::System_llumod, -1, 10), 5);
    EXPECT_EQ(RaisedMessage([&] { call(n::System_lldiv, 1, 0); }), "Division by zero");
    EXPECT_EQ(RaisedMessage([&] { call(n::System_llmulo, INT64_MAX, 2); }), "Integer overflow");
    HostCallFrame f = HostCall(n::System_llshl, {1, 0, 40});
    EXPECT_EQ(f.outEdx, 0x100u);
    EXPECT_EQ(f.stackRemoved, 0);
    EXPECT_EQ(HostCall(n::System_llushr, {0, 0x80000000u, 63}).outEax, 1u);
    EXPECT_EQ(HostCall(n::System_llushr, {5, 5, 64}).outEax, 0u);
}

TEST_F(Objects, FileNameRoutinesSplitAtBackslashAndColonOnly) {
    auto split = [](const n::HostName& name, const char* s) {
        HostString in(s), out;
        HostCall(name, {Word(in.Get()), Word(out.Out())});
        return Text(out.Get());
    };
    EXPECT_EQ(split(n::Sysutils_ExtractFileDir, "C:\\dir\\file.txt"), "C:\\dir");
    EXPECT_EQ(split(n::Sysutils_ExtractFileDir, "C:\\file.txt"), "C:\\");
    EXPECT_EQ(split(n::Sysutils_ExtractFileDir, "C:file"), "C:");
    EXPECT_EQ(split(n::Sysutils_ExtractFileDir, "\\file"), "\\");
    EXPECT_EQ(split(n::Sysutils_ExtractFileDir, "file"), "");
    EXPECT_EQ(split(n::Sysutils_ExtractFilePath, "C:\\dir\\file.txt"), "C:\\dir\\");
    EXPECT_EQ(split(n::Sysutils_ExtractFileName, "c:/a/b.txt"), "/a/b.txt");
    EXPECT_EQ(split(n::Sysutils_ExtractFileExt, "C:\\dir.d\\file"), "");
    EXPECT_EQ(split(n::Sysutils_ExtractFileExt, "a.b.pas"), ".pas");
    EXPECT_EQ(split(n::Sysutils_IncludeTrailingPathDelimiter, ""), "\\");
    EXPECT_EQ(split(n::Sysutils_IncludeTrailingPathDelimiter, "C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(split(n::Sysutils_ExcludeTrailingPathDelimiter, "C:\\x\\"), "C:\\x");
    HostString file("C:\\dir.d\\file"), ext(".pas"), changed;
    HostCall(n::Sysutils_ChangeFileExt, {Word(file.Get()), Word(ext.Get()), Word(changed.Out())});
    EXPECT_EQ(Text(changed.Get()), "C:\\dir.d\\file.pas");

    const std::string dir = testsupport::TempDir(), path = dir + "\\age.txt";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    HostString hpath(path.c_str()), hdir(dir.c_str()), missing((dir + "\\missing").c_str());
    EXPECT_EQ(HostCall(n::Sysutils_FileExists, {Word(hpath.Get())}).outEax & 0xFF, 1u);
    EXPECT_EQ(HostCall(n::Sysutils_FileExists, {Word(hdir.Get())}).outEax & 0xFF, 0u);
    EXPECT_EQ(HostCall(n::Sysutils_FileExists, {Word(missing.Get())}).outEax & 0xFF, 0u);
    EXPECT_NE(static_cast<int32_t>(HostCall(n::Sysutils_FileAge, {Word(hpath.Get())}).outEax), -1);
    EXPECT_EQ(static_cast<int32_t>(HostCall(n::Sysutils_FileAge, {Word(hdir.Get())}).outEax), -1);
    DeleteFileA(path.c_str());
    auto* locale = static_cast<const hostabi::SysLocaleRec*>(Export(n::Sysutils_SysLocale));
    EXPECT_EQ(locale->farEast, 0);
    EXPECT_NE(locale->defaultLcid, 0u);
}
