// Call-site stubs byte for byte, their pages, the call-site rewrite on byte
// buffers and on real calls, the executable heap, and call sites rewritten
// while other threads call through them.
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "PatchTestSupport.h"
#include "base/HostException.h"
#include "patching/CodeWriter.h"
#include "patching/PatchLib.h"

using namespace toravex;

extern "C" {
extern void* fixture_stub;
extern volatile LONG fixture_stub_entries;
int32_t HOSTCALL fixture_call_host_thunk(int32_t);
int32_t HOSTCALL fixture_call_gnu_thunk(int32_t);
int32_t HOSTCALL fixture_call_through_slot(int32_t);
}

namespace {

int32_t HOSTCALL AddOne(int32_t x) { return x + 1; }

uint32_t U32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

class StubTest : public PlatformTest {};

TEST_F(StubTest, StubBytesAndFixUpsAtTheirOffsets) {
    uint8_t stub[kCallSiteStubSize];
    FillCallSiteStub(stub, 0x1008, 0x5000, 0x6000, 0x9000);
    const uint8_t expected[36] = {0x50, 0x8B, 0x44, 0x24, 0x04, 0x83, 0xE8, 0x05, 0x80, 0x38, 0xE8, 0x75,
                                  0x0E, 0x52, 0x51, 0xBA, 0x00, 0x60, 0x00, 0x00, 0xE8, 0xDF, 0x7F, 0x00,
                                  0x00, 0x59, 0x5A, 0x58, 0xE9, 0xD7, 0x3F, 0x00, 0x00, 0x90, 0x90, 0xC3};
    EXPECT_EQ(0, std::memcmp(stub, expected, sizeof expected));
    EXPECT_EQ(U32(stub + 29), 0x3FD7u);  // the jump's displacement at 0x1025: 0x5000 - (0x1008 + 33)
}

TEST_F(StubTest, The111thStubStartsASecondPageLinkedToTheFirst) {
    StubPageChain chain;
    void* target = reinterpret_cast<void*>(&AddOne);
    std::vector<uint8_t*> stubs;
    for (int i = 0; i < 111; ++i) stubs.push_back(static_cast<uint8_t*>(chain.MakeStub(target)));
    EXPECT_EQ(platform.pagesAllocated, 2);
    StubPage* second = chain.Newest();
    StubPage* first = second->previous;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->previous, nullptr);
    EXPECT_EQ(stubs[0], reinterpret_cast<uint8_t*>(first) + 8);
    EXPECT_EQ(stubs[109], reinterpret_cast<uint8_t*>(first) + 8 + 109 * 37);
    EXPECT_EQ(stubs[110], reinterpret_cast<uint8_t*>(second) + 8);
    EXPECT_EQ(first->count, 110);
    EXPECT_EQ(second->count, 1);
    // Each stub forwards: call it as the target.
    EXPECT_EQ(reinterpret_cast<int32_t(HOSTCALL*)(int32_t)>(stubs[110])(41), 42);

    platform.pagesLeft = 0;  // no page to be had: the target itself
    StubPageChain empty;
    EXPECT_EQ(empty.MakeStub(target), target);
}

// A direct call at `call` to a thunk at `thunk` in one code buffer.
struct CallSiteBuffer {
    alignas(64) uint8_t code[128] = {};
    uint8_t* call = code + 2;
    uint8_t* thunk = code + 32;
    CallSiteBuffer(uint8_t filler0, uint8_t filler1, size_t callOffset = 2) {
        call = code + callOffset;
        call[0] = 0xE8;
        SetDisplacementTo(thunk);
        thunk[0] = 0xFF, thunk[1] = 0x25, thunk[6] = filler0, thunk[7] = filler1;
    }
    void SetDisplacementTo(const void* to) {
        uint32_t d = reinterpret_cast<uintptr_t>(to) - reinterpret_cast<uintptr_t>(call + 5);
        std::memcpy(call + 1, &d, 4);
    }
    uintptr_t Destination() const { return reinterpret_cast<uintptr_t>(call + 5) + U32(call + 1); }
};

TEST_F(StubTest, RewriteAcceptsHostAndChainedThunksAndRefusesOthers) {
    void* x = reinterpret_cast<void*>(0x00ABC000);
    CallSiteBuffer host(0x8B, 0xC0), chained(0xFF, 0x25), gnu(0x90, 0x90);
    RewriteCallSite(host.call, x);
    RewriteCallSite(chained.call, x);
    RewriteCallSite(gnu.call, x);
    EXPECT_EQ(host.Destination(), 0x00ABC000u);
    EXPECT_EQ(chained.Destination(), 0x00ABC000u);
    EXPECT_EQ(gnu.Destination(), reinterpret_cast<uintptr_t>(gnu.thunk));

    CallSiteBuffer unreadable(0x8B, 0xC0);
    unreadable.SetDisplacementTo(reinterpret_cast<void*>(0x10));
    RewriteCallSite(unreadable.call, x);
    EXPECT_EQ(unreadable.Destination(), 0x10u);

    CallSiteBuffer straddling(0x8B, 0xC0, 60);  // displacement bytes 61..64 cross a cache line
    RewriteCallSite(straddling.call, x);
    EXPECT_EQ(straddling.Destination(), reinterpret_cast<uintptr_t>(straddling.thunk));

    CallSiteBuffer locked(0x8B, 0xC0);
    platform.refuseProtect = true;
    RewriteCallSite(locked.call, x);
    EXPECT_EQ(locked.Destination(), reinterpret_cast<uintptr_t>(locked.thunk));
}

TEST_F(StubTest, DirectCallOfAHostThunkIsRewrittenOnItsFirstRunAndOthersKeepTheStub) {
    fixture_stub = MakeCallSiteStub(reinterpret_cast<void*>(&AddOne));
    ASSERT_NE(fixture_stub, reinterpret_cast<void*>(&AddOne));
    fixture_stub_entries = 0;
    EXPECT_EQ(fixture_call_host_thunk(1), 2);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(fixture_call_host_thunk(i), i + 1);
    EXPECT_EQ(fixture_stub_entries, 1);  // only the first call passed the stub

    for (int i = 0; i < 10; ++i) EXPECT_EQ(fixture_call_through_slot(i), i + 1);
    EXPECT_EQ(fixture_stub_entries, 11);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(fixture_call_gnu_thunk(i), i + 1);
    EXPECT_EQ(fixture_stub_entries, 21);
}

TEST_F(StubTest, ExecutableHeapBlocksRunAndGoWithTheirAllocator) {
    MEMORY_BASIC_INFORMATION info;
    void* block;
    {
        THeapAllocator code(true);
        block = code.Allocate(100);
        ASSERT_NE(block, nullptr);
        ASSERT_EQ(VirtualQuery(block, &info, sizeof info), sizeof info);
        EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
        const uint8_t returnFive[] = {0xB8, 5, 0, 0, 0, 0xC3};  // mov eax, 5; ret
        std::memcpy(block, returnFive, sizeof returnFive);
        EXPECT_EQ(reinterpret_cast<int (*)()>(block)(), 5);
        code.Release(code.Allocate(16));
        EXPECT_EQ(code.Allocate(0x7FFFFFF0), nullptr);
    }
    EXPECT_TRUE(VirtualQuery(block, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT);

    THeapAllocator plain(false);
    EXPECT_EQ(plain.Protection, 0u);
    platform.refuseProtect = true;
    EXPECT_NE(plain.Allocate(8), nullptr);  // a plain allocator changes no protection
    THeapAllocator code(true);
    host::CaughtException caught{};
    EXPECT_TRUE(host::TryExcept([&] { code.Allocate(100); }, caught));
    if (caught.object) host::FreeHostObject(caught.object);
}

// Call sites rewritten while two threads call through them, and put back to
// the thunk over and over by a third: every call must land and add one.
TEST_F(StubTest, CallSitesRewrittenWhileOtherThreadsCallThroughThem) {
    constexpr int kSites = 700;
    auto* page = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(page, nullptr);
    static void* slot;
    static void* stub;
    static volatile LONG entries;
    entries = 0;
    // thunk: jmp [slot]; mov eax, eax
    uint8_t* thunk = page;
    thunk[0] = 0xFF, thunk[1] = 0x25, thunk[6] = 0x8B, thunk[7] = 0xC0;
    uint32_t a = reinterpret_cast<uintptr_t>(&slot);
    std::memcpy(thunk + 2, &a, 4);
    // counter: lock inc [entries]; jmp [stub]
    uint8_t* counter = page + 8;
    const uint8_t counterCode[] = {0xF0, 0xFF, 0x05, 0, 0, 0, 0, 0xFF, 0x25, 0, 0, 0, 0};
    std::memcpy(counter, counterCode, sizeof counterCode);
    a = reinterpret_cast<uintptr_t>(&entries);
    std::memcpy(counter + 3, &a, 4);
    a = reinterpret_cast<uintptr_t>(&stub);
    std::memcpy(counter + 9, &a, 4);
    // the block: kSites direct calls of the thunk, then ret
    uint8_t* block = page + 32;
    auto pointAtThunk = [&](int i) {
        uint8_t* call = block + 5 * i;
        const uint32_t d = reinterpret_cast<uintptr_t>(thunk) - reinterpret_cast<uintptr_t>(call + 5);
        __atomic_store_n(reinterpret_cast<uint32_t*>(call + 1), d, __ATOMIC_RELEASE);
    };
    for (int i = 0; i < kSites; ++i) block[5 * i] = 0xE8, pointAtThunk(i);
    block[5 * kSites] = 0xC3;
    slot = counter;
    stub = MakeCallSiteStub(reinterpret_cast<void*>(&AddOne));
    DWORD old;
    ASSERT_TRUE(VirtualProtect(page, 4096, PAGE_EXECUTE_READ, &old));

    auto run = reinterpret_cast<int32_t(HOSTCALL*)(int32_t)>(block);
    std::atomic<bool> stop{false};
    std::atomic<long> wrong{0};
    std::atomic<int64_t> runs{0};
    auto caller = [&] {
        for (int r = 0; r < 1500 || !stop; ++r, ++runs)
            if (run(r) != r + kSites) ++wrong;
    };
    std::thread t1(caller), t2(caller);
    constexpr long kResets = 3000;
    for (long resets = 0, i = 0; resets < kResets; i = (i + 7) % kSites) {
        uint8_t* displacement = block + 5 * i + 1;
        if (reinterpret_cast<uintptr_t>(displacement) % 64 > 60) continue;  // never rewritten
        {
            CodeWrite write(displacement, 4);
            pointAtThunk(i);
        }
        ++resets;
        for (int pause = 0; pause < 500; ++pause) __builtin_ia32_pause();  // let the callers at the lock
    }
    stop = true;
    t1.join(), t2.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(runs * kSites, 2000000);
    // Interleaved protection changes would leave the page writable (or fault).
    MEMORY_BASIC_INFORMATION info;
    VirtualQuery(page, &info, sizeof info);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
    std::printf("%lld calls, %ld through the stub\n", static_cast<long long>(runs * kSites),
                static_cast<long>(entries));
    VirtualFree(page, 0, MEM_RELEASE);
}

}  // namespace
