// Object creation and release and the managed-data routines: the emulated
// host's path ("host") and Toravex's ("selected": the object accelerator's
// stubs, the managed-data replacements; for creation also the allocation
// routines with MMX stores and without, "MmxRoutines" and "PlainRoutines")
// measured side by side in one run, in
// interleaved rounds (for creation the accelerator is installed and removed
// again in every round), the fastest figure of each kept:
//   CreateFree      NewInstance then FreeInstance through the class record's
//                   slots, as ClassCreate and ClassDestroy reach them; bytes =
//                   the instance size: 4, 20 and 64 bytes of zeroes, a
//                   100-byte TInterfacedObject descendant, a 200-byte class
//                   with six managed fields over three classes (left empty);
//                   "limit" is the host's GetMem and FreeMem of the size alone
//   NewDispose      New then Dispose of a record with three managed fields
//   FinalizeArray   of 1, 16 and 256 such records (bytes = the count), their
//                   fields empty, so the walk over the type is what is timed
//   DynArrayClear   of an array still shared (2 -> 1; bytes = 0) and of an
//                   array of 16 such records it frees (SetLength included;
//                   bytes = 16)
//   IsClass         an instance tested against the class 1, 5 and 10 steps
//                   up its chain (bytes = the depth)
// The host's routines are called past the emulated runtime's entry counter,
// which the real host does not have; the replacements are called directly,
// as a rewritten call site calls them. Ends with the goals: creation and
// release at least 2x the host's from 20 bytes, New/Dispose and
// FinalizeArray at least 1.5x, IsClass not slower at any depth. Figures come
// from an emulator: read the ratios only.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "patching/PatchLib.h"
#include "runtime/FastObj.h"
#include "runtime/FastObjAccelerator.h"
#include "runtime/FastObjRoutines.h"
#include "runtime/FastSys.h"
#include "runtime/FastSysRoutines.h"

namespace {

namespace n = hostnames;

HMODULE gRuntime = nullptr;

// The routine an export leads to, past the emulated runtime's counting
// entry (lock inc dword ptr [counter]; jmp routine).
void* HostEntry(const n::HostName& name) {
    auto* p = reinterpret_cast<uint8_t*>(GetProcAddress(gRuntime, name.decorated));
    if (p && p[0] == 0xF0 && p[1] == 0xFF && p[2] == 0x05 && p[7] == 0xE9)
        return p + 12 + *reinterpret_cast<int32_t*>(p + 8);
    return p;
}
template <class Fn>
Fn Host(const n::HostName& name) {
    return reinterpret_cast<Fn>(HostEntry(name));
}

// ---- Type information: record R3 = (S: string; I: IInterface; A: array of Integer).
#pragma pack(push, 1)
struct Plain { uint8_t kind, nameLength; char name[1]; };
struct DynArray { uint8_t kind, nameLength; char name[1]; int32_t elementSize; void** elementType; };
struct Record3 { uint8_t kind, nameLength; char name[2]; int32_t size, count; hostabi::ManagedFieldRef fields[3]; };
struct Record2 { uint8_t kind, nameLength; char name[2]; int32_t size, count; hostabi::ManagedFieldRef fields[2]; };
#pragma pack(pop)
Plain gString = {hostabi::typekind::kLongString, 1, {'S'}};
Plain gWide = {hostabi::typekind::kWideString, 1, {'W'}};
Plain gIntf = {hostabi::typekind::kInterface, 1, {'I'}};
Plain gVariant = {hostabi::typekind::kVariant, 1, {'V'}};
void *gStringRef = &gString, *gWideRef = &gWide, *gIntfRef = &gIntf, *gVariantRef = &gVariant;
DynArray gInts = {hostabi::typekind::kDynArray, 1, {'A'}, 4, nullptr};
void* gIntsRef = &gInts;
Record3 gR3 = {hostabi::typekind::kRecord, 2, {'R', '3'}, 12, 3, {{&gStringRef, 0}, {&gIntfRef, 4}, {&gIntsRef, 8}}};
void* gR3Ref = &gR3;
DynArray gR3Array = {hostabi::typekind::kDynArray, 1, {'D'}, 12, &gR3Ref};
struct R3 { char* s; void* i; int32_t* a; };

// ---- Classes, laid out as the runtime's own: slots name the exported entries.
struct BenchClass {
    hostabi::ClassHeader header;
    void* firstVirtual;
    void* Ref() { return &firstVirtual; }
};

const void* gTObject;
const void* gTInterfacedObject;
void* HostEntryOf(const n::HostName& name) { return reinterpret_cast<void*>(GetProcAddress(gRuntime, name.decorated)); }

void Define(BenchClass& c, const void* const* parentCell, int32_t size, void* initTable) {
    c.header = *hostabi::HeaderOfClass(*parentCell);
    c.header.selfPtr = c.Ref();
    c.header.intfTable = nullptr;
    c.header.initTable = initTable;
    c.header.instanceSize = size;
    c.header.parent = const_cast<void**>(parentCell);
    // The runtime's entries, as its own classes name them.
    bool interfaced = false;
    for (const void* p = *parentCell; p; p = hostabi::ParentOf(p)) interfaced |= p == gTInterfacedObject;
    c.header.newInstance = HostEntryOf(interfaced ? n::System_TInterfacedObject_NewInstance : n::System_TObject_NewInstance);
    c.header.freeInstance = HostEntryOf(n::System_TObject_FreeInstance);
}

BenchClass gBare, gZero20, gZero64, gInterfaced100, gManagedA, gManagedB, gManaged200;
// The managed chain: A (string at 4, WideString at 8), B (IInterface at
// 12, array of Integer at 16), C (Variant at 24, string at 40), 200 bytes.
Record2 gFieldsA = {hostabi::typekind::kRecord, 2, {'F', 'A'}, 12, 2, {{&gStringRef, 4}, {&gWideRef, 8}}};
Record2 gFieldsB = {hostabi::typekind::kRecord, 2, {'F', 'B'}, 20, 2, {{&gIntfRef, 12}, {&gIntsRef, 16}}};
Record2 gFieldsC = {hostabi::typekind::kRecord, 2, {'F', 'C'}, 200, 2, {{&gVariantRef, 24}, {&gStringRef, 40}}};
BenchClass* gChain[10];
BenchClass gChainStorage[10];

struct Shape {
    const char* name;
    BenchClass* cls;
};
std::vector<Shape> Shapes() {
    return {{"4 B", &gBare}, {"20 B zero", &gZero20}, {"64 B zero", &gZero64},
            {"100 B interfaced", &gInterfaced100}, {"200 B six managed fields", &gManaged200}};
}

void DefineClasses() {
    gTObject = reinterpret_cast<const void*>(GetProcAddress(gRuntime, n::System_TObject.decorated));
    gTInterfacedObject = reinterpret_cast<const void*>(GetProcAddress(gRuntime, n::System_TInterfacedObject.decorated));
    Define(gBare, &gTObject, 4, nullptr);
    Define(gZero20, &gTObject, 20, nullptr);
    Define(gZero64, &gTObject, 64, nullptr);
    Define(gInterfaced100, &gTInterfacedObject, 100, nullptr);
    Define(gManagedA, &gTObject, 12, &gFieldsA);
    Define(gManagedB, const_cast<const void* const*>(&gManagedA.header.selfPtr), 20, &gFieldsB);
    Define(gManaged200, const_cast<const void* const*>(&gManagedB.header.selfPtr), 200, &gFieldsC);
    for (int i = 0; i < 10; ++i) {
        gChain[i] = &gChainStorage[i];
        Define(gChainStorage[i], i ? const_cast<const void* const*>(&gChainStorage[i - 1].header.selfPtr) : &gTObject,
               4, nullptr);
    }
}

using NewInstanceFn = void*(HOSTCALL*)(void*);
using FreeInstanceFn = void(HOSTCALL*)(void*);

void* CreateThroughSlot(BenchClass& c) {
    return reinterpret_cast<NewInstanceFn>(c.header.newInstance)(c.Ref());
}
void FreeThroughSlot(void* instance) {
    reinterpret_cast<FreeInstanceFn>(hostabi::HeaderOfClass(hostabi::ClassOf(instance))->freeInstance)(instance);
}

// The managed-data routines of one implementation.
struct ManagedRoutines {
    void*(HOSTCALL* newRecord)(int32_t, const void*);
    void(HOSTCALL* dispose)(void*, const void*);
    void*(HOSTCALL* finalizeArray)(void*, const void*, uint32_t);
    void**(HOSTCALL* dynArrayClear)(void**, const void*);
    bool(HOSTCALL* isClass)(const void*, const void*);
};

// Interleaved rounds; the fastest figure of each column is kept.
class Bench {
public:
    explicit Bench(const bench::Options& options) : quick_(options.quick) {}
    int Rounds() const { return quick_ ? 1 : 5; }
    template <class F>
    void Measure(const std::string& routine, const std::string& implementation, long long bytes, F&& f) {
        const double ns = quick_ ? bench::NsPerCall(f, 0.002, 2) : bench::NsPerCall(f, 0.005, 3);
        const std::string key = routine + "/" + implementation + "/" + std::to_string(bytes);
        auto [it, added] = best_.emplace(key, order_.size());
        if (added)
            order_.push_back({routine, implementation, bytes, ns});
        else if (ns < order_[it->second].nsPerCall)
            order_[it->second].nsPerCall = ns;
    }
    // Grouped by routine, in the order the routines were first measured.
    bench::Report Report() const {
        bench::Report report;
        std::vector<std::string> routines;
        for (const bench::Result& r : order_)
            if (std::find(routines.begin(), routines.end(), r.routine) == routines.end()) routines.push_back(r.routine);
        for (const std::string& routine : routines)
            for (const bench::Result& r : order_)
                if (r.routine == routine) report.Add(r.routine, r.implementation, r.bytes, r.nsPerCall);
        return report;
    }

private:
    bool quick_;
    std::map<std::string, size_t> best_;
    std::vector<bench::Result> order_;
};

void MeasureCreateFree(Bench& b, const char* implementation) {
    for (const Shape& s : Shapes())
        b.Measure("CreateFree", implementation, s.cls->header.instanceSize,
                  [&] { FreeThroughSlot(CreateThroughSlot(*s.cls)); });
}

// What no creation can go below: the host's GetMem and FreeMem of the size.
void MeasureMemoryLimit(Bench& b) {
    auto getMem = Host<void*(HOSTCALL*)(int32_t)>(n::System_GetMem);
    auto freeMem = Host<int32_t(HOSTCALL*)(void*)>(n::System_FreeMem);
    for (const Shape& s : Shapes()) {
        const int32_t size = s.cls->header.instanceSize;
        b.Measure("CreateFree", "limit", size, [&] { freeMem(getMem(size)); });
    }
}

void MeasureManaged(Bench& b, const char* implementation, const ManagedRoutines& r) {
    b.Measure("NewDispose", implementation, sizeof(R3),
              [&] { r.dispose(r.newRecord(sizeof(R3), &gR3), &gR3); });
    static R3 records[256] = {};
    for (uint32_t count : {1u, 16u, 256u})
        b.Measure("FinalizeArray", implementation, count, [&] { r.finalizeArray(records, &gR3, count); });

    auto setLength = Host<void(HOSTCALL*)(void**, const void*, int32_t, int32_t)>(n::System_DynArraySetLength);
    void* shared = nullptr;
    setLength(&shared, &gR3Array, 1, 4);
    b.Measure("DynArrayClear", implementation, 0, [&] {
        void* copy = shared;
        ++static_cast<hostabi::DynArrayHeader*>(shared)[-1].refCount;
        r.dynArrayClear(&copy, &gR3Array);
    });
    b.Measure("DynArrayClear", implementation, 16, [&] {
        void* array = nullptr;
        setLength(&array, &gR3Array, 1, 16);
        r.dynArrayClear(&array, &gR3Array);
    });
    r.dynArrayClear(&shared, &gR3Array);

    void* instance = CreateThroughSlot(*gChain[9]);
    for (int depth : {1, 5, 10})
        b.Measure("IsClass", implementation, depth,
                  [&] { bench::KeepValue(r.isClass(instance, gChain[10 - depth]->Ref())); });
    FreeThroughSlot(instance);
}

ManagedRoutines HostManagedRoutines() {
    ManagedRoutines r;
    r.newRecord = Host<decltype(r.newRecord)>(n::System_New);
    r.dispose = Host<decltype(r.dispose)>(n::System_Dispose);
    r.finalizeArray = Host<decltype(r.finalizeArray)>(n::System_FinalizeArray);
    r.dynArrayClear = Host<decltype(r.dynArrayClear)>(n::System_DynArrayClear);
    r.isClass = Host<decltype(r.isClass)>(n::System_IsClass);
    return r;
}

// The replacements call the host's memory manager and VarClear past the
// entry counter too, as they would in the real host.
void BindPastCounters() {
    toravex::ManagedHost.getMem = Host<decltype(toravex::ManagedHost.getMem)>(n::System_GetMem);
    toravex::ManagedHost.freeMem = Host<decltype(toravex::ManagedHost.freeMem)>(n::System_FreeMem);
    toravex::ManagedHost.varClear = Host<decltype(toravex::ManagedHost.varClear)>(n::System_VarClear);
    toravex::ObjectHost.getMem = toravex_ObjectGetMem = toravex::ManagedHost.getMem;
    toravex::ObjectHost.freeMem = toravex_ObjectFreeMem = toravex::ManagedHost.freeMem;
}

// The ratio host / selected of every figure, against the goal of its routine.
void PrintGoals(const bench::Report& report) {
    std::map<std::string, std::map<long long, std::map<std::string, double>>> figures;
    for (const bench::Result& r : report.Results()) figures[r.routine][r.bytes][r.implementation] = r.nsPerCall;
    struct Goal {
        const char* routine;
        long long fromBytes;
        double ratio;
    };
    const Goal kGoals[] = {{"CreateFree", 20, 2.0}, {"NewDispose", 0, 1.5}, {"FinalizeArray", 0, 1.5},
                           {"DynArrayClear", 0, 0.0}, {"IsClass", 0, 1.0}};
    std::printf("\nhost time / selected time (goal in brackets)\n");
    int misses = 0;
    for (const Goal& g : kGoals) {
        for (const auto& [bytes, ns] : figures[g.routine]) {
            if (!ns.count("host") || !ns.count("selected")) continue;
            const double ratio = ns.at("host") / ns.at("selected");
            const bool goal = g.ratio > 0 && bytes >= g.fromBytes;
            const bool miss = goal && ratio < g.ratio;
            std::printf("%-14s %6lld  %5.2f", g.routine, bytes, ratio);
            if (goal) std::printf("  (>= %.1f)%s", g.ratio, miss ? " MISS" : "");
            std::printf("\n");
            misses += miss;
        }
    }
    std::printf("%d miss(es)\n", misses);
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) return 2;
    gRuntime = LoadLibraryA(TORAVEX_BUILD_DIR "\\emuide\\100\\bin\\rtl100.bpl");
    if (!gRuntime) {
        std::fprintf(stderr, "the emulated runtime package did not load\n");
        return 1;
    }
    DefineClasses();
    toravex::PreparePatchPrimitives();
    toravex::PrepareFastSys();
    BindPastCounters();
    Bench b(options);
    const ManagedRoutines host = HostManagedRoutines();
    const ManagedRoutines selected = {toravex::FastNew, toravex::FastDispose, toravex::FastFinalizeArray,
                                      toravex::FastDynArrayClear, toravex::FastIsClass};
    for (int round = 0; round < b.Rounds(); ++round) {
        MeasureCreateFree(b, "host");
        MeasureMemoryLimit(b);
        // The accelerator in place, with the allocation routines this
        // processor gets, then with each kind: one creation of each class
        // builds its accelerator.
        for (const char* variant : {"selected", "MmxRoutines", "PlainRoutines"}) {
            toravex::PrepareFastObj();
            BindPastCounters();
            if (variant[0] != 's') toravex::UseMmxRoutines = variant[0] == 'M';
            toravex::InstallFastObj();
            for (const Shape& s : Shapes()) FreeThroughSlot(CreateThroughSlot(*s.cls));
            MeasureCreateFree(b, variant);
            toravex::TeardownFastObj();
        }
        MeasureManaged(b, "host", host);
        MeasureManaged(b, "selected", selected);
    }
    bench::Report report = b.Report();
    report.PrintTable();
    PrintGoals(report);
    if (!options.csvPath.empty() && !report.WriteCsv(options.csvPath)) return 1;
    return 0;
}
