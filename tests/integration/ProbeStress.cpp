// The stress part of the patch probe. Two threads compare strings through
// call sites of generated code (a direct call of an import thunk, followed
// by the caller's test), all of which are put back to the thunk before each
// round, so every round rewrites them again while both threads run them.
// Then two threads load libraries through the core package's hooked loaders
// at once: new packages, and new names of packages already loaded.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "HostCall.h"
#include "HostNames.h"
#include "PatchProbe.h"
#include "ProbeImage.h"

namespace probe {

namespace {

using namespace hostnames;

// The caller's test after the call, and what it answers for an order.
struct SiteKind {
    uint8_t code[12];  // after the call; answers 1 or 0 in EAX and returns
    size_t size;
    int (*holds)(int order);
    bool equality;
};
// 74 03 / 75 03: Jcc short over "xor eax, eax; ret"; then "mov eax, 1; ret".
// 0F 84 / 0F 85 near; 0F 94 C0 / 0F 95 C0: SETcc al, movzx eax, al, ret.
const SiteKind kKinds[] = {
    {{0x74, 0x03, 0x31, 0xC0, 0xC3, 0xB8, 1, 0, 0, 0, 0xC3}, 11, [](int o) { return int(o == 0); }, true},
    {{0x75, 0x03, 0x31, 0xC0, 0xC3, 0xB8, 1, 0, 0, 0, 0xC3}, 11, [](int o) { return int(o != 0); }, true},
    {{0x0F, 0x94, 0xC0, 0x0F, 0xB6, 0xC0, 0xC3}, 7, [](int o) { return int(o == 0); }, true},
    {{0x0F, 0x95, 0xC0, 0x0F, 0xB6, 0xC0, 0xC3}, 7, [](int o) { return int(o != 0); }, true},
    {{0x72, 0x03, 0x31, 0xC0, 0xC3, 0xB8, 1, 0, 0, 0, 0xC3}, 11, [](int o) { return int(o < 0); }, false},
    {{0x77, 0x03, 0x31, 0xC0, 0xC3, 0xB8, 1, 0, 0, 0, 0xC3}, 11, [](int o) { return int(o > 0); }, false},
};
constexpr int kKindCount = sizeof kKinds / sizeof kKinds[0];
constexpr int kSites = 96;
constexpr int kRounds = 600;
// Each site in 128 bytes of its own, its call at their start, or for every
// eighth site 60 bytes in, so that the call's displacement straddles a cache
// line: such a call must never be rewritten (another thread could run half
// of the new displacement).
constexpr int kSiteSize = 128;
constexpr int kStraddleOffset = 60;

struct Site {
    uint8_t* code;
    const uint8_t* thunk;
    const SiteKind* kind;
    bool wide;
    bool straddles;
};

class CallSites {
public:
    CallSites(void** longSlot, void** wideSlot) {
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        // Two thunks of the host linker's shape through the core package's
        // slots of LStrCmp and WStrCmp.
        for (int i = 0; i < 2; ++i) {
            uint8_t* t = base_ + 8 * i;
            void** slot = i ? wideSlot : longSlot;
            t[0] = 0xFF;
            t[1] = 0x25;
            std::memcpy(t + 2, &slot, 4);
            t[6] = 0x8B;
            t[7] = 0xC0;
        }
        for (int k = 0; k < kSites; ++k) {
            const bool straddles = k % 8 == 7;
            Site s{base_ + 64 + kSiteSize * k + (straddles ? kStraddleOffset : 0), nullptr, &kKinds[k % kKindCount],
                   (k / kKindCount) % 3 == 2, straddles};
            s.thunk = base_ + (s.wide ? 8 : 0);
            std::memcpy(s.code + 5, s.kind->code, s.kind->size);
            sites_.push_back(s);
        }
        Reset();
    }
    ~CallSites() { VirtualFree(base_, 0, MEM_RELEASE); }

    // Every call back at its thunk.
    void Reset() {
        for (Site& s : sites_) {
            s.code[0] = 0xE8;
            const int32_t displacement = static_cast<int32_t>(s.thunk - (s.code + 5));
            std::memcpy(s.code + 1, &displacement, 4);
        }
        FlushInstructionCache(GetCurrentProcess(), base_, kBytes);
    }
    const std::vector<Site>& Sites() const { return sites_; }
    const void* Target(const Site& s) const {
        int32_t displacement;
        std::memcpy(&displacement, s.code + 1, 4);
        return s.code + 5 + displacement;
    }

private:
    static constexpr size_t kBytes = 64 + kSiteSize * kSites;
    uint8_t* base_;
    std::vector<Site> sites_;
};

class SpinBarrier {
public:
    void Wait() {
        const LONG phase = phase_;
        if (InterlockedIncrement(&arrived_) == 2) {
            arrived_ = 0;
            InterlockedIncrement(&phase_);
        } else {
            while (phase_ == phase) SwitchToThread();
        }
    }

private:
    volatile LONG arrived_ = 0;
    volatile LONG phase_ = 0;
};

struct Pair {
    const void* a;
    const void* b;
    const void* wa;
    const void* wb;
    int order;
    int wideOrder;
};

struct Comparisons {
    CallSites* sites;
    std::vector<Pair> pairs;
    SpinBarrier barrier;
    volatile LONG compares = 0;
    volatile LONG wrong = 0;
    volatile LONG next = 0;
};

DWORD WINAPI CompareThread(void* context) {
    auto& c = *static_cast<Comparisons*>(context);
    const bool first = InterlockedIncrement(&c.next) == 1;
    LONG compares = 0, wrong = 0;
    for (int round = 0; round < kRounds; ++round) {
        c.barrier.Wait();
        if (first) c.sites->Reset();
        c.barrier.Wait();
        for (const Site& s : c.sites->Sites()) {
            auto call = reinterpret_cast<int(HOSTCALL*)(const void*, const void*)>(s.code);
            for (size_t p = (round + (first ? 0 : 4)) % 9; p < c.pairs.size(); p += 9) {
                const Pair& pair = c.pairs[p];
                const int got = s.wide ? call(pair.wa, pair.wb) : call(pair.a, pair.b);
                if (got != s.kind->holds(s.wide ? pair.wideOrder : pair.order)) ++wrong;
                ++compares;
            }
        }
    }
    InterlockedExchangeAdd(&c.compares, compares);
    InterlockedExchangeAdd(&c.wrong, wrong);
    return 0;
}

void StressComparisons() {
    HMODULE core = GetModuleHandleA(kCore), rtl = GetModuleHandleA(kRuntime);
    CallSites sites(FindImportSlot(core, kRuntime, System_LStrCmp.decorated),
                    FindImportSlot(core, kRuntime, System_WStrCmp.decorated));
    auto fromPChar = reinterpret_cast<void(HOSTCALL*)(char**, const char*)>(
        GetProcAddress(rtl, System_LStrFromPChar.decorated));
    auto clear = reinterpret_cast<void*(HOSTCALL*)(char**)>(GetProcAddress(rtl, System_LStrClr.decorated));

    // Texts equal in content but not in address, prefixes, and differences
    // at every position of a word and in the last one.
    std::vector<std::string> texts = {"", "a", "b", "ab", "abc", "abd", "abcd", "abce", "ABCD", "\xE9t\xE9",
                                      "abcdefgh", "abcdefgi", "bbcdefgh", "Controls", "Controls.dcu"};
    std::vector<char*> strings;
    std::vector<BSTR> wide;
    Comparisons c;
    c.sites = &sites;
    for (int copy = 0; copy < 2; ++copy)
        for (const std::string& t : texts) {
            char* s = nullptr;
            fromPChar(&s, t.c_str());
            strings.push_back(s);
            wide.push_back(t.empty() ? nullptr : SysAllocString(Wide(t).c_str()));
        }
    const size_t n = strings.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const std::string &a = texts[i % texts.size()], &b = texts[j % texts.size()];
            c.pairs.push_back({strings[i], strings[j], wide[i], wide[j], Order(a, b), Order(Wide(a), Wide(b))});
        }

    const DWORD start = GetTickCount();
    HANDLE threads[2];
    for (HANDLE& t : threads) t = CreateThread(nullptr, 0, &CompareThread, &c, 0, nullptr);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (HANDLE t : threads) CloseHandle(t);

    // After the last round: the equality callers reach one routine of the
    // plug-in directly, the ordering callers others, and the calls whose
    // displacement straddles a cache line still go through their thunks.
    std::vector<const void*> equality, ordering;
    int straddling = 0, straddlingAtThunk = 0;
    for (const Site& s : sites.Sites()) {
        if (s.straddles) {
            ++straddling;
            straddlingAtThunk += sites.Target(s) == s.thunk;
        } else {
            (s.kind->equality ? equality : ordering).push_back(sites.Target(s));
        }
    }
    HMODULE plugin = GetModuleHandleA(kPlugin);
    int equalityDirect = 0, orderingDirect = 0;
    for (const void* t : equality) equalityDirect += Contains(plugin, t) && t == equality[0];
    for (const void* t : ordering) orderingDirect += Contains(plugin, t) && t != equality[0];
    char line[256];
    std::snprintf(line, sizeof line,
                  "stress compares=%ld wrong=%ld equality-sites=%d/%d ordering-sites=%d/%d straddling-sites=%d/%d ms=%lu",
                  c.compares, c.wrong, equalityDirect, static_cast<int>(equality.size()), orderingDirect,
                  static_cast<int>(ordering.size()), straddlingAtThunk, straddling, GetTickCount() - start);
    Report(line);
    for (char*& s : strings) clear(&s);
    for (BSTR w : wide) SysFreeString(w);
}

// ---- Libraries loaded on two threads at once.

struct Loads {
    std::string ide;
    std::vector<std::wstring> spellings;  // other names of already loaded packages
    volatile LONG loads = 0;
    volatile LONG wrong = 0;
    volatile LONG next = 0;
};

bool PackageScanned(HMODULE m) {
    void** slot = FindImportSlot(m, kRuntime, Sysutils_SameText.decorated);
    return slot && *slot != reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(kRuntime),
                                                                   Sysutils_SameText.decorated));
}

DWORD WINAPI LoadThread(void* context) {
    auto& l = *static_cast<Loads*>(context);
    const LONG self = InterlockedIncrement(&l.next) - 1;
    LONG loads = 0, wrong = 0;
    // New packages, every other one per thread: each is scanned as it loads.
    for (int i = 3 + self; i <= 30; i += 2) {
        char name[32];
        std::snprintf(name, sizeof name, "\\dclemu%02d.bpl", i);
        HMODULE m = CoreLoadLibraryA((l.ide + name).c_str());
        ++loads;
        if (!m || !PackageScanned(m)) ++wrong;
    }
    // The same spellings on both threads, in opposite orders: each a new
    // name of a package already loaded, through both loaders.
    const int count = static_cast<int>(l.spellings.size());
    for (int k = 0; k < count; ++k) {
        const std::wstring& path = l.spellings[self ? count - 1 - k : k];
        HMODULE m = k % 2 ? CoreLoadLibraryExW(path.c_str(), 0)
                          : CoreLoadLibraryA(std::string(path.begin(), path.end()).c_str());
        ++loads;
        if (!m || !PackageScanned(m)) ++wrong;
        if (m) FreeLibrary(m);
    }
    InterlockedExchangeAdd(&l.loads, loads);
    InterlockedExchangeAdd(&l.wrong, wrong);
    return 0;
}

void StressLoads() {
    Loads l;
    l.ide = Env("PATCHPROBE_IDE");
    // Spellings that differ in the case of their letters: new names to the
    // patch set, the same file to the system.
    for (int i = 0; i < 600; ++i) {
        std::string path = l.ide + (i % 2 ? "\\dclemu01.bpl" : "\\dclemu02.bpl");
        const unsigned bits = static_cast<unsigned>(i / 2);
        unsigned bit = 0;
        for (size_t k = path.size(); k-- > 0 && bit < 12;)
            if (path[k] >= 'a' && path[k] <= 'z') {
                if ((bits >> bit) & 1) path[k] = static_cast<char>(path[k] - 32);
                ++bit;
            }
        l.spellings.emplace_back(path.begin(), path.end());
    }
    const DWORD start = GetTickCount();
    HANDLE threads[2];
    for (HANDLE& t : threads) t = CreateThread(nullptr, 0, &LoadThread, &l, 0, nullptr);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (HANDLE t : threads) CloseHandle(t);
    char line[128];
    std::snprintf(line, sizeof line, "stress-loads loads=%ld wrong=%ld ms=%lu", l.loads, l.wrong, GetTickCount() - start);
    Report(line);
    // Their slots are judged at removal like those of every later library.
    for (int i = 2; i <= 30; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "dclemu%02d.bpl", i);
        RememberLaterModule(GetModuleHandleA(name));
    }
}

}  // namespace

void RunStress() {
    CoreLoadLibraryA((Env("PATCHPROBE_IDE") + "\\dclemu02.bpl").c_str());
    StressComparisons();
    StressLoads();
}

}  // namespace probe
