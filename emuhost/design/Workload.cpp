// What an IDE does at start-up, many times over: building and comparing
// names, converting case, searching and replacing, splitting file names,
// asking for file ages and existence, filling lists, creating and destroying
// objects, and handling managed records and dynamic arrays. Every call goes
// to the runtime package through the package's import thunks.
#include "Workload.h"

#include "HostNames.h"
#include "ObjectShapes.h"
#include "RuntimeCalls.h"

extern "C" {
// Class references and the locale record, imported as data.
__declspec(dllimport) extern char rtl_TObject[] __asm__("@System@TObject@");
__declspec(dllimport) extern char rtl_TInterfacedObject[] __asm__("@System@TInterfacedObject@");
__declspec(dllimport) extern char rtl_TList[] __asm__("@Classes@TList@");
__declspec(dllimport) extern char rtl_TObjectList[] __asm__("@Contnrs@TObjectList@");
// The import slot of TObject's class reference: a class of this package
// names its parent through it, as the host compiler does across packages.
extern void* rtl_TObjectSlot __asm__("__imp_@System@TObject@");
// Thunks used as code addresses in this package's class record.
void thunk_System_TObject_NewInstance() __asm__("thunk_System_TObject_NewInstance");
void thunk_System_TObject_FreeInstance() __asm__("thunk_System_TObject_FreeInstance");
}

namespace design {

namespace {

unsigned gBuildBit = hostnames::B100;
bool Has(const hostnames::HostName& name) { return (name.builds & gBuildBit) != 0; }

// A long string variable of this package.
struct Str {
    char* s = nullptr;
    Str() = default;
    explicit Str(const char* text) { rtl_System_LStrFromPChar(&s, text); }
    Str(const Str&) = delete;
    ~Str() { rtl_System_LStrClr(&s); }
    char** Out() { return &s; }
};

struct Checksum {
    uint32_t value = 2166136261u;
    void Add(int32_t v) { value = (value ^ static_cast<uint32_t>(v)) * 16777619u; }
};

// A small deterministic generator.
struct Random {
    uint32_t state;
    uint32_t Next(uint32_t range) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % range;
    }
};

// ---- A class of this package: TDesignItem = class(TObject) with a name,
// a dynamic array of tags and a wide caption, all finalized by the runtime.
#pragma pack(push, 1)
struct KindOnly { uint8_t kind, nameLength; char name[1]; };
struct DynArrayInfo { uint8_t kind, nameLength; char name[1]; int32_t elementSize; void** elementType; };
struct RecordInfo3 {
    uint8_t kind, nameLength;
    char name[1];
    int32_t size, count;
    hostabi::ManagedFieldRef fields[3];
};
#pragma pack(pop)

KindOnly gStringType = {hostabi::typekind::kLongString, 1, {'S'}};
KindOnly gWideType = {hostabi::typekind::kWideString, 1, {'W'}};
void* gStringRef = &gStringType;
void* gWideRef = &gWideType;
DynArrayInfo gTagsType = {hostabi::typekind::kDynArray, 1, {'T'}, 4, &gStringRef};
DynArrayInfo gIntsType = {hostabi::typekind::kDynArray, 1, {'I'}, 4, nullptr};
void* gTagsRef = &gTagsType;
void* gIntsRef = &gIntsType;
RecordInfo3 gItemFields = {hostabi::typekind::kRecord, 1, {'D'}, 16, 3, {{&gStringRef, 4}, {&gTagsRef, 8}, {&gWideRef, 12}}};
// TEntry = record Name: string; Value: Integer; Items: array of Integer end
RecordInfo3 gEntryType = {hostabi::typekind::kRecord, 1, {'E'}, 12, 2, {{&gStringRef, 0}, {&gIntsRef, 8}, {}}};

struct DesignItem {
    const void* classRef;
    char* name;
    char** tags;
    wchar_t* caption;
};

struct ClassRecord {
    hostabi::ClassHeader header;
    void* firstVirtual;
};
ClassRecord gDesignItemClass;
const unsigned char kDesignItemName[] = "\x0BTDesignItem";

// TDesignItem.Destroy: BeforeDestruction, an empty body, then the instance
// goes back through FreeInstance (which finalizes the managed fields).
void HOSTCALL DesignItemDestroy(void* self, int8_t outermost) {
    rtl_System_BeforeDestruction(self, outermost);
    if (outermost) rtl_System_ClassDestroy(self);
}

void DefineDesignItemClass() {
    hostabi::ClassHeader& h = gDesignItemClass.header;
    const void* tobject = rtl_TObject;  // the class reference, with its header below it
    __asm__("" : "+r"(tobject));        // an address, not an array of known bounds
    const hostabi::ClassHeader& parent = *hostabi::HeaderOfClass(tobject);
    h = parent;
    h.selfPtr = &gDesignItemClass.firstVirtual;
    h.initTable = &gItemFields;
    h.typeInfo = h.fieldTable = h.methodTable = h.dynamicTable = h.intfTable = h.autoTable = nullptr;
    h.className = kDesignItemName;
    h.instanceSize = sizeof(DesignItem);
    h.parent = reinterpret_cast<void**>(&rtl_TObjectSlot);
    h.newInstance = reinterpret_cast<void*>(&thunk_System_TObject_NewInstance);
    h.freeInstance = reinterpret_cast<void*>(&thunk_System_TObject_FreeInstance);
    h.destroy = reinterpret_cast<void*>(&DesignItemDestroy);
}

// TDesignItem.Create(Name): the allocation step, the body, AfterConstruction.
DesignItem* NewDesignItem(const char* name, int32_t tagCount) {
    auto* item = static_cast<DesignItem*>(rtl_System_ClassCreate(&gDesignItemClass.firstVirtual, 1));
    rtl_System_LStrAsg(&item->name, name);
    rtl_System_DynArraySetLength(reinterpret_cast<void**>(&item->tags), &gTagsType, 1, tagCount);
    for (int32_t i = 0; i < tagCount; ++i) rtl_System_LStrAsg(&item->tags[i], name);
    rtl_System_WStrFromLStr(&item->caption, name);
    rtl_System_AfterConstruction(item);
    return item;
}

void* gKeptItems = nullptr;  // a TObjectList kept until Finalize

const char* const kFolders[] = {"C:\\Program Files\\Borland\\BDS\\4.0\\source\\Win32\\vcl\\",
                                "C:\\Program Files\\Borland\\BDS\\4.0\\lib\\",
                                "C:\\Documents and Settings\\User\\My Documents\\Borland Studio Projects\\",
                                "c:\\projects\\Components\\Design\\"};
const char* const kStems[] = {"Controls", "StdCtrls", "ExtCtrls", "Forms", "Dialogs", "Menus", "Graphics",
                              "ComCtrls", "Grids", "DBGrids", "ActnList", "ImgList", "Buttons", "Registry"};
const char* const kExtensions[] = {".pas", ".dcu", ".dfm", ".res", ".bpl", ".dcp", ".PAS", ""};

// One round of the work over `names` freshly built names.
void Round(Random& random, Checksum& sum, const char* packagePath, int names) {
    // Names of units, components and files.
    Str files[24];
    for (int i = 0; i < names; ++i) {
        Str number;
        rtl_Sysutils_IntToStr(static_cast<int32_t>(random.Next(1000)), number.Out());
        Str folder(kFolders[random.Next(4)]), stem(kStems[random.Next(14)]);
        rtl_System_LStrCat3(files[i].Out(), folder.s, stem.s);
        rtl_System_LStrCat(files[i].Out(), number.s);
        Str ext(kExtensions[random.Next(8)]);
        rtl_System_LStrCat(files[i].Out(), ext.s);
    }

    // Comparisons, as sorting and look-ups make them.
    for (int i = 0; i < names; ++i) {
        const char* a = files[i].s;
        const char* b = files[random.Next(names)].s;
        sum.Add(rtl_Sysutils_CompareStr(a, b) > 0);
        sum.Add(rtl_Sysutils_CompareText(a, b) < 0);
        sum.Add(rtl_Sysutils_SameText(a, b));
        sum.Add(rtl_Sysutils_AnsiCompareText(a, b));
        sum.Add(dp_LStrEqualJe(a, b) + 2 * dp_LStrDifferJne(a, b) + 4 * dp_LStrEqualJeNear(a, a));
        sum.Add(dp_LStrDifferJneNear(a, b) + 2 * dp_LStrEqualSete(b, a) + 4 * dp_LStrDifferSetne(a, a));
        sum.Add(dp_LStrBelowJb(a, b) + 2 * dp_LStrAboveJa(a, b));
        sum.Add(rtl_Sysutils_StrComp(a, b) < 0);
        sum.Add(rtl_Sysutils_StrIComp(a, b) == 0);
        sum.Add(rtl_Sysutils_CompareMem(a, b, rtl_Sysutils_StrLen(a) < rtl_Sysutils_StrLen(b) ? rtl_Sysutils_StrLen(a) : rtl_Sysutils_StrLen(b)));
    }

    // Case conversion, searching and replacing.
    for (int i = 0; i < names; ++i) {
        Str upper, lower, lowerName, replaced, dcu;
        rtl_Sysutils_UpperCase(files[i].s, upper.Out());
        rtl_Sysutils_LowerCase(files[i].s, lower.Out());
        rtl_Sysutils_AnsiLowerCaseFileName(files[i].s, lowerName.Out());
        sum.Add(rtl_Sysutils_CompareStr(lower.s, lowerName.s));
        Str backslash("\\"), slash("/"), pas(".PAS"), dcuExt(".dcu");
        sum.Add(rtl_System_LStrPos(backslash.s, files[i].s));
        if (Has(hostnames::Strutils_PosEx)) sum.Add(rtl_Strutils_PosEx(backslash.s, files[i].s, 4));
        const char* found = rtl_Sysutils_StrScan(files[i].s, '.');
        sum.Add(found ? static_cast<int32_t>(found - files[i].s) : -1);
        auto replace = Has(hostnames::Sysutils_StringReplace)     ? &rtl_Sysutils_StringReplace
                       : Has(hostnames::Sysutils_StringReplace60) ? &rtl_Sysutils_StringReplace60
                                                                  : &rtl_Sysutils_StringReplace50;
        replace(files[i].s, backslash.s, slash.s, replaced.Out(), 1);
        replace(upper.s, pas.s, dcuExt.s, dcu.Out(), 3);
        sum.Add(rtl_System_LStrLen(replaced.s) + rtl_System_LStrLen(dcu.s));
        sum.Add(rtl_Sysutils_StrToInt(Str("  42").s) + rtl_Math_Max(i, names / 2));
    }

    // File names, and the questions an IDE asks the file system.
    for (int i = 0; i < names; ++i) {
        Str path, dir, name, ext, changed, with, without;
        rtl_Sysutils_ExtractFilePath(files[i].s, path.Out());
        rtl_Sysutils_ExtractFileDir(files[i].s, dir.Out());
        rtl_Sysutils_ExtractFileName(files[i].s, name.Out());
        rtl_Sysutils_ExtractFileExt(files[i].s, ext.Out());
        rtl_Sysutils_ChangeFileExt(files[i].s, Str(".dcu").s, changed.Out());
        if (Has(hostnames::Sysutils_IncludeTrailingPathDelimiter)) {
            rtl_Sysutils_IncludeTrailingPathDelimiter(dir.s, with.Out());
            rtl_Sysutils_ExcludeTrailingPathDelimiter(with.s, without.Out());
            sum.Add(rtl_Sysutils_SameFileName(without.s, dir.s));
        }
        sum.Add(rtl_System_LStrLen(path.s) * 3 + rtl_System_LStrLen(name.s) * 5 + rtl_System_LStrLen(ext.s));
        sum.Add(rtl_Sysutils_SameFileName(changed.s, files[i].s));
    }
    Str self(packagePath), selfDir, missing;
    rtl_Sysutils_ExtractFilePath(self.s, selfDir.Out());
    rtl_System_LStrCat3(missing.Out(), selfDir.s, Str("NoSuchUnit.dcu").s);
    for (int i = 0; i < 4; ++i) {
        sum.Add(rtl_Sysutils_FileExists(self.s) + 2 * rtl_Sysutils_FileExists(missing.s));
        sum.Add(rtl_Sysutils_FileAge(self.s) != -1);
        sum.Add(rtl_Sysutils_FileAge(missing.s));
    }

    // Lists: a plain TList of numbers and an owning TObjectList of items.
    void* list = rtl_System_TObject_Create(rtl_TList, 1);
    for (int i = 0; i < 64; ++i) rtl_Classes_TList_Add(list, reinterpret_cast<void*>(random.Next(100) + 1));
    rtl_Classes_TList_Insert(list, 3, reinterpret_cast<void*>(7));
    rtl_Classes_TList_Exchange(list, 0, 63);
    rtl_Classes_TList_Put(list, 5, nullptr);
    rtl_Classes_TList_Pack(list);
    sum.Add(rtl_Classes_TList_IndexOf(list, reinterpret_cast<void*>(50)));
    sum.Add(static_cast<int32_t>(reinterpret_cast<uintptr_t>(rtl_Classes_TList_Get(list, 10))));
    sum.Add(rtl_Classes_TList_Remove(list, reinterpret_cast<void*>(7)));
    rtl_Classes_TList_Delete(list, 0);
    sum.Add(static_cast<int32_t>(reinterpret_cast<uintptr_t>(rtl_Classes_TList_Last(list))));
    rtl_Classes_TList_SetCount(list, 10);
    sum.Add(static_cast<const hostabi::ListObject*>(list)->count);
    rtl_System_TObject_Free(list);

    void* owned = rtl_Contnrs_TObjectList_CreateOwning(rtl_TObjectList, 1, true);
    for (int i = 0; i < names; ++i) rtl_Contnrs_TObjectList_Add(owned, NewDesignItem(files[i].s, 1 + i % 3));
    auto* extracted = static_cast<DesignItem*>(rtl_Contnrs_TObjectList_Extract(owned, rtl_Contnrs_TObjectList_GetItem(owned, 1)));
    sum.Add(rtl_System_IsClass(extracted, rtl_TObject) + 2 * rtl_System_IsClass(extracted, rtl_TList));
    sum.Add(rtl_System_DynArrayLength(extracted->tags) + rtl_System_WStrLen(extracted->caption));
    rtl_System_AsClass(extracted, rtl_TObject);
    rtl_System_TObject_Free(extracted);
    sum.Add(rtl_Contnrs_TObjectList_Remove(owned, rtl_Contnrs_TObjectList_GetItem(owned, 0)));
    rtl_System_TObject_Free(owned);  // frees the remaining items

    // Reference-counted objects through interfaces.
    void* object = rtl_System_TObject_Create(rtl_TInterfacedObject, 1);
    const hostabi::GuidRec iinterface = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void *intf = nullptr, *copy = nullptr;
    sum.Add(rtl_Sysutils_Supports_ObjectOut(object, &iinterface, &intf));
    rtl_System_IntfCopy(&copy, intf);
    sum.Add(static_cast<const hostabi::InterfacedObject*>(object)->refCount);
    rtl_System_IntfClear(&copy);
    rtl_System_IntfClear(&intf);  // the last reference destroys it

    // Managed records and dynamic arrays.
    struct Entry {
        char* name;
        int32_t value;
        int32_t* items;
    };
    Entry entries[8];
    rtl_System_InitializeArray(entries, &gEntryType, 8);
    for (int i = 0; i < 8; ++i) {
        rtl_System_LStrAsg(&entries[i].name, files[i % names].s);
        entries[i].value = i;
        rtl_System_DynArraySetLength(reinterpret_cast<void**>(&entries[i].items), &gIntsType, 1, 4 + i);
        for (int k = 0; k < 4 + i; ++k) entries[i].items[k] = static_cast<int32_t>(random.Next(50));
    }
    auto* heap = static_cast<Entry*>(rtl_System_New(sizeof(Entry), &gEntryType));
    rtl_System_Move(&entries[3], heap, sizeof(Entry));
    rtl_System_AddRef(heap, &gEntryType);  // a record copy
    void* range = nullptr;
    rtl_System_DynArrayCopyRange(heap->items, &gIntsType, 1, reinterpret_cast<void**>(&range), 3);
    void* whole = nullptr;
    rtl_System_DynArrayCopy(entries[7].items, &gIntsType, &whole);
    rtl_System_DynArrayAsg(reinterpret_cast<void**>(&entries[0].items), whole, &gIntsType);
    sum.Add(rtl_System_DynArrayLength(range) + rtl_System_DynArrayHigh(entries[0].items) +
            static_cast<const int32_t*>(range)[2] + entries[0].items[5]);
    rtl_System_DynArrayClear(&range, &gIntsType);
    rtl_System_DynArrayClear(&whole, &gIntsType);
    rtl_System_Dispose(heap, &gEntryType);
    rtl_System_FinalizeArray(entries, &gEntryType, 8);

    // Wide strings and blocks.
    wchar_t *wide = nullptr, *other = nullptr;
    rtl_System_WStrFromLStr(&wide, files[0].s);
    rtl_System_WStrAsg(&other, wide);
    rtl_System_WStrCat(&other, wide);
    sum.Add(dp_WStrEqualJe(wide, other) + 2 * dp_WStrDifferSetne(wide, other) + 4 * dp_WStrBelowJb(wide, other));
    if (Has(hostnames::Sysutils_WideSameStr)) sum.Add(rtl_Sysutils_WideSameStr(wide, wide));
    rtl_System_WStrClr(&wide);
    rtl_System_WStrClr(&other);
    char buffer[64];
    rtl_System_FillChar(buffer, sizeof buffer, 'x');
    rtl_Sysutils_StrCopy(buffer, files[1].s ? "Component" : "");
    sum.Add(rtl_Sysutils_StrLen(buffer));
    // Objects of every shape, managed records and arrays.
    sum.Add(static_cast<int32_t>(ShapeRound(random.Next(1u << 20))));
}

}  // namespace

uint32_t RunStartupWork(const char* packagePath, int build) {
    gBuildBit = build == 50 ? hostnames::B50 : build == 60 ? hostnames::B60 : build == 70 ? hostnames::B70
              : build == 90 ? hostnames::B90 : hostnames::B100;
    DefineDesignItemClass();
    DefineShapeClasses();
    // The seed comes from the package's file name, so each package differs.
    const char* name = packagePath;
    for (const char* p = packagePath; *p; ++p)
        if (*p == '\\') name = p + 1;
    Random random{0x9E3779B9u};
    for (const char* p = name; *p; ++p) random.state = random.state * 31 + static_cast<unsigned char>(*p | 0x20);
    Checksum sum;
    for (int round = 0; round < 6; ++round) Round(random, sum, packagePath, 24);

    // Items that live as long as the package.
    gKeptItems = rtl_Contnrs_TObjectList_CreateOwning(rtl_TObjectList, 1, true);
    for (int i = 0; i < 16; ++i) rtl_Contnrs_TObjectList_Add(gKeptItems, NewDesignItem(name, 2));
    KeepShapeObjects(name);
    return sum.value;
}

void ReleaseStartupWork() {
    rtl_System_TObject_Free(gKeptItems);
    gKeptItems = nullptr;
    ReleaseShapeObjects();
}

}  // namespace design
