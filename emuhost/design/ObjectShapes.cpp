#include "ObjectShapes.h"

#include <cstddef>

#include "PackageClasses.h"
#include "RuntimeCalls.h"
#include "TypeInfoPool.h"

extern "C" {
// The runtime's classes, through this package's import slots.
extern void* rtl_TObjectCell __asm__("__imp_@System@TObject@");
extern void* rtl_TInterfacedObjectCell __asm__("__imp_@System@TInterfacedObject@");
// Runtime routines called through this package's import thunks.
void* HOSTCALL rtl_InheritedNewInstance(void* classRef) __asm__("thunk_System_TObject_NewInstance");
void HOSTCALL rtl_InheritedFreeInstance(void* self) __asm__("thunk_System_TObject_FreeInstance");
void HOSTCALL rtl_IntfAddRefOf(void* intf) __asm__("thunk_System_IntfAddRef");
}

namespace design {

namespace {

// ---- Instances, as the host compiler lays out their fields.

struct Bare { const void* cls; };
struct Point { const void* cls; int32_t x, y, width, height; };
struct Block { const void* cls; int32_t cells[24]; };
// TInterfacedObject descendants: 100 bytes of data, the first word the
// method table of a second interface; and 4 bytes of data.
struct Counted { hostabi::InterfacedObject base; void* tracked; int32_t cells[24]; };
struct Tiny { hostabi::InterfacedObject base; int32_t value; };
struct Odd { const void* cls; int16_t value; };  // instance size 6
struct OwnFree { const void* cls; char* name; int32_t cells[6]; };
struct OwnNew { const void* cls; uint32_t madeBy; int32_t value; };

struct Variant {  // 16 bytes: type, three reserved words, the value
    uint16_t type, reserved[3];
    void* value;
    uint32_t high;
};
constexpr uint16_t kVarUnknown = 13, kVarString = 0x100;

// TEmuPair = record Key: string; Data: array of Integer; Weight: Integer end
struct Pair { char* key; int32_t* data; int32_t weight; };
// The chain TEmuNamed <- TEmuValued <- TEmuListed.
struct Named { const void* cls; char* name; wchar_t* caption; void* owner; int32_t tag; };
struct Valued { Named named; int32_t filler; Variant value; char** items; Pair pair; };
struct Listed { Valued valued; /* none: array[0..-1] of string */ wchar_t* one[1]; Pair many[3]; char* names[4]; };
// TEmuAll: a record with every managed kind.
struct All {
    char* text;
    wchar_t* wide;
    void* intf;
    int32_t filler;
    Variant value;
    int32_t* numbers;
    Pair pair;
    /* none: array[0..-1] of string */
    char* one[1];
    wchar_t* few[2];
};
static_assert(sizeof(Counted) == 112 && sizeof(Tiny) == 16 && sizeof(Named) == 20 && sizeof(Valued) == 56);
static_assert(offsetof(Valued, value) == 24 && offsetof(Valued, items) == 40 && offsetof(Valued, pair) == 44);
static_assert(offsetof(Listed, one) == 56 && offsetof(Listed, many) == 60 && offsetof(Listed, names) == 96);
static_assert(sizeof(Listed) == 112 && sizeof(All) == 60 && offsetof(All, pair) == 36 && offsetof(All, few) == 52);

// ---- Type information.

uint8_t gTypeStorage[1024];
struct Types {
    void **string, **wide, **variant, **intf, **integers, **strings, **pair, **pairs, **all;
    void *none, *oneWide, *threePairs, *fourStrings, *twoWide;
    void *namedFields, *valuedFields, *listedFields, *ownFreeFields;
} T;

void DefineTypes() {
    typeinfo::Pool pool(gTypeStorage, sizeof gTypeStorage);
    namespace k = hostabi::typekind;
    T.string = pool.Ref(pool.Plain(k::kLongString, "string"));
    T.wide = pool.Ref(pool.Plain(k::kWideString, "WideString"));
    T.variant = pool.Ref(pool.Plain(k::kVariant, "Variant"));
    T.intf = pool.Ref(pool.Plain(k::kInterface, "IInterface"));
    T.integers = pool.Ref(pool.DynArray("TIntegerArray", 4, nullptr));
    T.strings = pool.Ref(pool.DynArray("TStringArray", 4, T.string));
    T.pair = pool.Ref(pool.Record("TEmuPair", sizeof(Pair), {{T.string, 0}, {T.integers, 4}}));
    T.pairs = pool.Ref(pool.DynArray("TEmuPairs", sizeof(Pair), T.pair));
    T.none = pool.StaticArray("", 0, 0, T.string);
    T.oneWide = pool.StaticArray("", 4, 1, T.wide);
    T.threePairs = pool.StaticArray("", 3 * sizeof(Pair), 3, T.pair);
    T.fourStrings = pool.StaticArray("", 16, 4, T.string);
    T.twoWide = pool.StaticArray("", 8, 2, T.wide);
    void** none = pool.Ref(T.none);
    void** oneWide = pool.Ref(T.oneWide);
    T.all = pool.Ref(pool.Record("TEmuAll", sizeof(All),
                                 {{T.string, offsetof(All, text)},
                                  {T.wide, offsetof(All, wide)},
                                  {T.intf, offsetof(All, intf)},
                                  {T.variant, offsetof(All, value)},
                                  {T.integers, offsetof(All, numbers)},
                                  {T.pair, offsetof(All, pair)},
                                  {none, offsetof(All, one)},
                                  {pool.Ref(pool.StaticArray("", 4, 1, T.string)), offsetof(All, one)},
                                  {pool.Ref(T.twoWide), offsetof(All, few)}}));
    T.namedFields = pool.Record("TEmuNamed", sizeof(Named),
                                {{T.string, offsetof(Named, name)},
                                 {T.wide, offsetof(Named, caption)},
                                 {T.intf, offsetof(Named, owner)}});
    T.valuedFields = pool.Record("TEmuValued", sizeof(Valued),
                                 {{T.variant, offsetof(Valued, value)},
                                  {T.strings, offsetof(Valued, items)},
                                  {T.pair, offsetof(Valued, pair)}});
    T.listedFields = pool.Record("TEmuListed", sizeof(Listed),
                                 {{none, offsetof(Listed, one)},
                                  {oneWide, offsetof(Listed, one)},
                                  {pool.Ref(T.threePairs), offsetof(Listed, many)},
                                  {pool.Ref(T.fourStrings), offsetof(Listed, names)}});
    T.ownFreeFields = pool.Record("TEmuOwnFree", sizeof(OwnFree), {{T.string, offsetof(OwnFree, name)}});
}

// ---- The second interface of TEmuCounted: its methods act on the object
// through its IInterface part.
constexpr hostabi::GuidRec kTrackedIid = {0x5A3C11E7, 0x2B4D, 0x4F60, {0x8A, 0x19, 0x70, 0x3E, 0x41, 0x5C, 0x22, 0xD8}};
constexpr hostabi::GuidRec kIInterface = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

using QueryFn = int32_t(__stdcall*)(void*, const hostabi::GuidRec*, void**);
using CountFn = int32_t(__stdcall*)(void*);
void* MainInterface(void* tracked) {
    return static_cast<char*>(tracked) - offsetof(Counted, tracked) + offsetof(hostabi::InterfacedObject, intfVTable);
}
int32_t __stdcall TrackedQuery(void* self, const hostabi::GuidRec* iid, void** out) {
    void* main = MainInterface(self);
    return (*static_cast<QueryFn**>(main))[0](main, iid, out);
}
int32_t __stdcall TrackedAddRef(void* self) {
    void* main = MainInterface(self);
    return (*static_cast<CountFn**>(main))[1](main);
}
int32_t __stdcall TrackedRelease(void* self) {
    void* main = MainInterface(self);
    return (*static_cast<CountFn**>(main))[2](main);
}
void* const kTrackedVTable[] = {reinterpret_cast<void*>(&TrackedQuery), reinterpret_cast<void*>(&TrackedAddRef),
                                reinterpret_cast<void*>(&TrackedRelease)};
hostabi::InterfaceTable kCountedInterfaces = {
    1, {{kTrackedIid, const_cast<void**>(kTrackedVTable), offsetof(Counted, tracked), 0}}};

// ---- Classes with their own NewInstance or FreeInstance.
constexpr uint32_t kMadeByOwnNewInstance = 0x4F4E574E;
int32_t gOwnFreeReleases = 0;

void* HOSTCALL OwnNewInstance(void* classRef) {
    auto* self = static_cast<OwnNew*>(rtl_InheritedNewInstance(classRef));
    self->madeBy = kMadeByOwnNewInstance;
    return self;
}
void HOSTCALL OwnFreeInstance(void* self) {
    ++gOwnFreeReleases;
    rtl_InheritedFreeInstance(self);
}

PackageClass gBare, gPoint, gBlock, gCounted, gTiny, gOdd, gOwnFree, gOwnNew, gNamed, gValued, gListed;

const unsigned char kBareName[] = "\x08TEmuBare";
const unsigned char kPointName[] = "\x09TEmuPoint";
const unsigned char kBlockName[] = "\x09TEmuBlock";
const unsigned char kCountedName[] = "\x0BTEmuCounted";
const unsigned char kTinyName[] = "\x08TEmuTiny";
const unsigned char kOddName[] = "\x07TEmuOdd";
const unsigned char kOwnFreeName[] = "\x0BTEmuOwnFree";
const unsigned char kOwnNewName[] = "\x0ATEmuOwnNew";
const unsigned char kNamedName[] = "\x09TEmuNamed";
const unsigned char kValuedName[] = "\x0ATEmuValued";
const unsigned char kListedName[] = "\x0ATEmuListed";

// ---- The work.

struct Sum {
    uint32_t value = 2166136261u;
    void Add(int32_t v) { value = (value ^ static_cast<uint32_t>(v)) * 16777619u; }
};

int32_t RefCount(const char* s) { return s ? hostabi::HeaderOf(s)->refCount : 0; }
int32_t RefCountOf(void* object) { return static_cast<hostabi::InterfacedObject*>(object)->refCount; }

// Bytes of the instance from offset `from` up to its size that are not zero.
int32_t NonZeroBytes(const void* instance, int32_t from, int32_t size) {
    int32_t n = 0;
    for (int32_t i = from; i < size; ++i) n += static_cast<const uint8_t*>(instance)[i] != 0;
    return n;
}

void* Create(PackageClass& c) { return rtl_System_TObject_Create(c.Ref(), 1); }

void SetString(char** dest, const char* s) { rtl_System_LStrAsg(dest, s); }
void SetWide(wchar_t** dest, const char* s) { rtl_System_WStrFromLStr(dest, s); }
void SetNumbers(int32_t** dest, int32_t count, int32_t seed) {
    rtl_System_DynArraySetLength(reinterpret_cast<void**>(dest), *T.integers, 1, count);
    for (int32_t i = 0; i < count; ++i) (*dest)[i] = seed + i;
}
void SetPair(Pair& p, const char* s, int32_t count) {
    SetString(&p.key, s);
    SetNumbers(&p.data, count, count * 7);
    p.weight = count;
}

// Objects without managed fields: every word after the class reference
// starts zero; the class tests see the chain.
void PlainShapes(Sum& sum, uint32_t seed) {
    struct Shape {
        PackageClass* cls;
        int32_t size;
    };
    const Shape kShapes[] = {{&gBare, 4}, {&gPoint, 20}, {&gBlock, 100}, {&gOdd, 6}};
    for (const Shape& shape : kShapes) {
        void* o = Create(*shape.cls);
        sum.Add(NonZeroBytes(o, 4, shape.size));
        sum.Add(rtl_System_IsClass(o, shape.cls->Ref()) + 2 * rtl_System_IsClass(o, rtl_TObjectCell) +
                4 * rtl_System_IsClass(o, gListed.Ref()));
        if (shape.size >= 8) static_cast<int32_t*>(o)[shape.size / 4 - 1] = static_cast<int32_t>(seed);
        if (shape.cls == &gOdd) static_cast<Odd*>(o)->value = static_cast<int16_t>(seed);
        rtl_System_TObject_Free(o);
    }
    auto* own = static_cast<OwnNew*>(Create(gOwnNew));
    sum.Add(own->madeBy == kMadeByOwnNewInstance);
    sum.Add(own->value);
    rtl_System_TObject_Free(own);
}

// Interfaced objects: one reference from NewInstance, given back by
// AfterConstruction; both interfaces' method tables in place.
void InterfacedShapes(Sum& sum, uint32_t seed) {
    auto* counted = static_cast<Counted*>(Create(gCounted));
    sum.Add(counted->base.refCount);
    sum.Add(counted->tracked == kTrackedVTable);
    sum.Add(NonZeroBytes(counted, offsetof(Counted, cells), sizeof(Counted)));
    counted->cells[static_cast<int32_t>(seed % 24)] = static_cast<int32_t>(seed);
    void* tracked = nullptr;
    sum.Add(rtl_Sysutils_Supports_ObjectOut(counted, &kTrackedIid, &tracked));
    sum.Add(tracked == &counted->tracked);
    void* main = nullptr;
    sum.Add(rtl_Sysutils_Supports_ObjectOut(counted, &kIInterface, &main));
    sum.Add(RefCountOf(counted));
    rtl_System_IntfClear(&main);
    rtl_System_IntfClear(&tracked);  // the last reference frees it

    auto* tiny = static_cast<Tiny*>(Create(gTiny));
    sum.Add(tiny->base.refCount + 2 * (tiny->base.intfVTable != nullptr) + 4 * tiny->value);
    tiny->value = static_cast<int32_t>(seed);
    rtl_System_TObject_Free(tiny);
}

// The chain of classes with managed fields of every kind, all sharing one
// string and one interface; releasing the object gives every reference back.
void ManagedChain(Sum& sum, const char* s, void* ownerObject, void* owner, uint32_t seed) {
    auto* o = static_cast<Listed*>(Create(gListed));
    sum.Add(NonZeroBytes(o, 4, sizeof(Listed)));
    Named& named = o->valued.named;
    SetString(&named.name, s);
    SetWide(&named.caption, s);
    rtl_System_IntfCopy(&named.owner, owner);
    named.tag = static_cast<int32_t>(seed);
    o->valued.value.type = kVarString;
    SetString(reinterpret_cast<char**>(&o->valued.value.value), s);
    rtl_System_DynArraySetLength(reinterpret_cast<void**>(&o->valued.items), *T.strings, 1, 3);
    for (int i = 0; i < 3; ++i) SetString(&o->valued.items[i], s);
    SetPair(o->valued.pair, s, 5);
    SetWide(&o->one[0], s);
    for (int i = 0; i < 3; ++i) SetPair(o->many[i], s, i + 1);
    for (char*& name : o->names) SetString(&name, s);
    sum.Add(RefCount(s));
    sum.Add(rtl_System_WStrLen(named.caption) + rtl_System_DynArrayLength(o->many[2].data));
    sum.Add(rtl_System_IsClass(o, gNamed.Ref()) + 2 * rtl_System_IsClass(o, gValued.Ref()) +
            4 * rtl_System_IsClass(o, rtl_TObjectCell) + 8 * rtl_System_IsClass(o, gCounted.Ref()));

    auto* base = static_cast<Named*>(Create(gNamed));
    SetWide(&base->caption, s);
    rtl_System_IntfCopy(&base->owner, owner);
    sum.Add(rtl_System_IsClass(base, gValued.Ref()) + 2 * rtl_System_IsClass(base, gNamed.Ref()));
    rtl_System_TObject_Free(base);

    auto* valued = static_cast<Valued*>(Create(gValued));
    sum.Add(rtl_System_IsClass(valued, gListed.Ref()) + 2 * rtl_System_IsClass(valued, gNamed.Ref()) +
            4 * rtl_System_IsClass(nullptr, gNamed.Ref()));
    SetString(&valued->named.name, s);
    rtl_System_TObject_Free(valued);

    auto* ownFree = static_cast<OwnFree*>(Create(gOwnFree));
    sum.Add(NonZeroBytes(ownFree, 4, sizeof(OwnFree)));
    SetString(&ownFree->name, s);
    const int32_t releases = gOwnFreeReleases;
    rtl_System_TObject_Free(ownFree);
    sum.Add(gOwnFreeReleases - releases);

    sum.Add(RefCountOf(ownerObject));
    rtl_System_TObject_Free(o);
    sum.Add(RefCount(s));
    sum.Add(RefCountOf(ownerObject));
}

void FillAll(All& a, const char* s, void* owner, int32_t count) {
    SetString(&a.text, s);
    SetWide(&a.wide, s);
    rtl_System_IntfCopy(&a.intf, owner);
    a.value.type = kVarUnknown;
    a.value.value = owner;
    rtl_IntfAddRefOf(owner);  // the variant's own reference
    SetNumbers(&a.numbers, count, count);
    SetPair(a.pair, s, count + 1);
    SetString(&a.one[0], s);
    SetWide(&a.few[0], s);
    SetWide(&a.few[1], s);
}

// Records with every managed kind on the heap and in arrays of 0, 1 and 3,
// and a dynamic array of records shared, then released twice.
void ManagedRecords(Sum& sum, const char* s, void* ownerObject, void* owner, uint32_t seed) {
    auto* heap = static_cast<All*>(rtl_System_New(sizeof(All), *T.all));
    sum.Add(heap->text == nullptr && heap->value.type == 0 && heap->pair.data == nullptr && heap->few[1] == nullptr);
    FillAll(*heap, s, owner, static_cast<int32_t>(seed % 5));
    sum.Add(RefCount(s) + 100 * RefCountOf(ownerObject));
    rtl_System_Dispose(heap, *T.all);
    sum.Add(RefCount(s) + 100 * RefCountOf(ownerObject));

    All records[3];
    for (int32_t count : {0, 1, 3}) {
        for (All& a : records) a.text = reinterpret_cast<char*>(&a);  // count 0 leaves it as it is
        rtl_System_InitializeArray(records, *T.all, static_cast<uint32_t>(count));
        sum.Add(records[0].text == nullptr ? count + 10 : count);
        for (int32_t i = 0; i < count; ++i) FillAll(records[i], s, owner, i + 2);
        sum.Add(RefCount(s) + 100 * RefCountOf(ownerObject));
        rtl_System_FinalizeArray(records, *T.all, static_cast<uint32_t>(count));
        sum.Add(RefCount(s) + 100 * RefCountOf(ownerObject));
    }

    Pair* pairs = nullptr;
    Pair* shared = nullptr;
    rtl_System_DynArraySetLength(reinterpret_cast<void**>(&pairs), *T.pairs, 1, 4);
    for (int i = 0; i < 4; ++i) SetPair(pairs[i], s, i);
    rtl_System_DynArrayAsg(reinterpret_cast<void**>(&shared), pairs, *T.pairs);
    rtl_System_DynArrayClear(reinterpret_cast<void**>(&shared), *T.pairs);  // 2 -> 1: only the reference goes
    sum.Add(RefCount(s) + 10 * (shared == nullptr) + 100 * rtl_System_DynArrayLength(pairs));
    rtl_System_DynArrayClear(reinterpret_cast<void**>(&pairs), *T.pairs);  // 1 -> 0: the elements go too
    sum.Add(RefCount(s) + 10 * (pairs == nullptr));
}

// The text every field of a round shares: "EmuShape" and the seed's digits.
void MakeText(char** s, uint32_t seed) {
    char text[20] = "EmuShape";
    int at = 8;
    do text[at++] = static_cast<char>('0' + seed % 10), seed /= 10;
    while (seed && at < 19);
    text[at] = 0;
    rtl_System_LStrFromPChar(s, text);
}

struct Kept {
    Listed* listed[2];
    Point* point;
    OwnFree* ownFree;
    void* tracked;
};
Kept gKept;

}  // namespace

void DefineShapeClasses() {
    DefineTypes();
    const RuntimeParent tobject = RuntimeParent::TObject, interfaced = RuntimeParent::TInterfacedObject;
    DefinePackageClass(gBare, kBareName, sizeof(Bare), tobject, nullptr);
    DefinePackageClass(gPoint, kPointName, sizeof(Point), tobject, nullptr);
    DefinePackageClass(gBlock, kBlockName, sizeof(Block), tobject, nullptr);
    DefinePackageClass(gCounted, kCountedName, sizeof(Counted), interfaced, nullptr, &kCountedInterfaces);
    DefinePackageClass(gTiny, kTinyName, sizeof(Tiny), interfaced, nullptr);
    DefinePackageClass(gOdd, kOddName, 6, tobject, nullptr);
    DefinePackageClass(gOwnFree, kOwnFreeName, sizeof(OwnFree), tobject, T.ownFreeFields);
    gOwnFree.header.freeInstance = reinterpret_cast<void*>(&OwnFreeInstance);
    DefinePackageClass(gOwnNew, kOwnNewName, sizeof(OwnNew), tobject, nullptr);
    gOwnNew.header.newInstance = reinterpret_cast<void*>(&OwnNewInstance);
    DefinePackageClass(gNamed, kNamedName, sizeof(Named), tobject, T.namedFields);
    DefinePackageClass(gValued, kValuedName, sizeof(Valued), gNamed, T.valuedFields);
    DefinePackageClass(gListed, kListedName, sizeof(Listed), gValued, T.listedFields);
}

uint32_t ShapeRound(uint32_t seed) {
    Sum sum;
    char* s = nullptr;
    MakeText(&s, seed);
    void* ownerObject = rtl_System_TObject_Create(rtl_TInterfacedObjectCell, 1);
    void* owner = nullptr;
    rtl_Sysutils_Supports_ObjectOut(ownerObject, &kIInterface, &owner);
    PlainShapes(sum, seed);
    InterfacedShapes(sum, seed);
    ManagedChain(sum, s, ownerObject, owner, seed);
    ManagedRecords(sum, s, ownerObject, owner, seed);
    sum.Add(RefCount(s) + 100 * RefCountOf(ownerObject));
    rtl_System_IntfClear(&owner);  // frees the owner
    rtl_System_LStrClr(&s);
    return sum.value;
}

void KeepShapeObjects(const char* text) {
    char* s = nullptr;
    rtl_System_LStrFromPChar(&s, text);
    for (Listed*& l : gKept.listed) {
        l = static_cast<Listed*>(Create(gListed));
        SetString(&l->valued.named.name, s);
        rtl_System_DynArraySetLength(reinterpret_cast<void**>(&l->valued.items), *T.strings, 1, 2);
        SetString(&l->valued.items[1], s);
        SetPair(l->many[1], s, 3);
    }
    gKept.point = static_cast<Point*>(Create(gPoint));
    gKept.ownFree = static_cast<OwnFree*>(Create(gOwnFree));
    SetString(&gKept.ownFree->name, s);
    rtl_Sysutils_Supports_ObjectOut(Create(gCounted), &kTrackedIid, &gKept.tracked);
    rtl_System_LStrClr(&s);
}

void ReleaseShapeObjects() {
    for (Listed*& l : gKept.listed) rtl_System_TObject_Free(l);
    rtl_System_TObject_Free(gKept.point);
    rtl_System_TObject_Free(gKept.ownFree);
    rtl_System_IntfClear(&gKept.tracked);
    gKept = {};
}

}  // namespace design

extern "C" {
// The package's classes, for tests and probes: a nil-terminated list.
void* const* ShapeClasses() {
    using namespace design;
    static void* list[] = {gBare.Ref(),    gPoint.Ref(),  gBlock.Ref(),  gCounted.Ref(),
                           gTiny.Ref(),    gOdd.Ref(),    gOwnFree.Ref(), gOwnNew.Ref(),
                           gNamed.Ref(),   gValued.Ref(), gListed.Ref(), nullptr};
    return list;
}
// One round of the object work, for the IDE to run after start-up.
uint32_t ObjectRound() { return design::ShapeRound(0x5EED); }
}
