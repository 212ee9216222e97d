// The host's memory manager: GetMem, FreeMem and ReallocMem. Shaped as the
// host's own manager is: small blocks are cut from large chunks and kept on
// one free list per size, so that the many small objects and strings of an
// IDE cost a few instructions each; larger blocks come from the process
// heap. A word before each block records its size and whether it is in use,
// so a block released twice (or any pointer the manager did not give out
// with a header) is the runtime's invalid-pointer error, as in the host.
// The manager also counts its live blocks, so that tests can tell a leak or
// a double release (an export of the emulated host only).
#include <windows.h>

#include "Bytes.h"
#include "EmuRuntime.h"

namespace emurtl {

namespace {

constexpr int32_t kGranule = 8;        // cells are multiples of 8 bytes
constexpr int32_t kSmallLimit = 256;   // the largest small block, header included
constexpr int32_t kClasses = kSmallLimit / kGranule;
constexpr int32_t kChunkSize = 64 * 1024;
constexpr uint32_t kInUse = 0x100;
constexpr uint32_t kLarge = 0xFF;      // size class of a block from the process heap

// Header word before the data: size class (1 ... kClasses, or kLarge) and kInUse.
uint32_t& HeaderOf(void* p) { return static_cast<uint32_t*>(p)[-1]; }

struct FreeCell {
    FreeCell* next;
};

volatile LONG gLock = 0;
FreeCell* gFree[kClasses + 1] = {};
char* gChunkAt = nullptr;  // the unused rest of the newest chunk
char* gChunkEnd = nullptr;
int32_t gLiveBlocks = 0;

// One locked exchange to take the lock, a plain store to give it back, as
// the host's manager does.
void Lock() {
    while (InterlockedExchange(&gLock, 1)) Sleep(0);
}
void Unlock() { __atomic_store_n(&gLock, 0, __ATOMIC_RELEASE); }

// The size class of a block of `size` data bytes: cells hold the header too.
int32_t ClassOf(int32_t size) { return (size + 4 + kGranule - 1) / kGranule; }

// A cell of the class, its data 8-byte aligned; nil when no chunk can be had.
void* TakeCell(int32_t cls) {
    if (FreeCell* cell = gFree[cls]) {
        gFree[cls] = cell->next;
        return cell;
    }
    const int32_t cellSize = cls * kGranule;
    if (!gChunkAt || gChunkEnd - gChunkAt < cellSize) {
        auto* chunk = static_cast<char*>(VirtualAlloc(nullptr, kChunkSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!chunk) return nullptr;
        gChunkAt = chunk + 4;  // cells start 4 bytes past an 8-byte boundary
        gChunkEnd = chunk + kChunkSize;
    }
    void* data = gChunkAt + 4;
    gChunkAt += cellSize;
    return data;
}

// Data bytes the block can hold.
int32_t Capacity(void* p) {
    const uint32_t cls = HeaderOf(p) & 0xFF;
    if (cls != kLarge) return static_cast<int32_t>(cls) * kGranule - 4;
    return static_cast<int32_t>(HeapSize(GetProcessHeap(), 0, static_cast<char*>(p) - 8)) - 8;
}

}  // namespace

void* HOSTCALL GetMem(int32_t size) {
    if (size <= 0) return nullptr;
    void* p;
    uint32_t cls;
    Lock();
    if (size + 4 <= kSmallLimit) {
        cls = static_cast<uint32_t>(ClassOf(size));
        p = TakeCell(static_cast<int32_t>(cls));
    } else {
        cls = kLarge;
        char* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size) + 8));
        p = block ? block + 8 : nullptr;
    }
    if (p) {
        HeaderOf(p) = cls | kInUse;
        ++gLiveBlocks;
    }
    Unlock();
    if (!p) RuntimeError(kOutOfMemory);
    return p;
}

int32_t HOSTCALL FreeMem(void* p) {
    if (!p) return 0;
    const uint32_t header = HeaderOf(p);
    const uint32_t cls = header & 0xFF;
    const bool known = cls == kLarge || (cls >= 1 && cls <= kClasses);
    if ((header & ~0xFFu) != kInUse || !known) RuntimeError(kInvalidPtr);
    Lock();
    HeaderOf(p) = cls;  // no longer in use: a second release is refused
    bool freed = true;
    if (cls == kLarge) {
        freed = HeapFree(GetProcessHeap(), 0, static_cast<char*>(p) - 8);
    } else {
        static_cast<FreeCell*>(p)->next = gFree[cls];
        gFree[cls] = static_cast<FreeCell*>(p);
    }
    if (freed) --gLiveBlocks;
    Unlock();
    if (!freed) RuntimeError(kInvalidPtr);
    return 0;
}

// A small block whose new size keeps its size class stays where it is, a
// large one that stays large is resized by the heap; otherwise the data
// moves to a new block and the old one is released.
void* HOSTCALL ReallocMem(void** p, int32_t newSize) {
    if (!*p) {
        *p = GetMem(newSize);
        return *p;
    }
    if (newSize <= 0) {
        FreeMem(*p);
        *p = nullptr;
        return *p;
    }
    const uint32_t cls = HeaderOf(*p) & 0xFF;
    const bool small = newSize + 4 <= kSmallLimit;
    if (cls == kLarge && !small) {
        char* block = static_cast<char*>(
            HeapReAlloc(GetProcessHeap(), 0, static_cast<char*>(*p) - 8, static_cast<SIZE_T>(newSize) + 8));
        if (!block) RuntimeError(kOutOfMemory);
        *p = block + 8;
    } else if (cls == kLarge || !small || static_cast<uint32_t>(ClassOf(newSize)) != cls) {
        const int32_t capacity = Capacity(*p);
        void* moved = GetMem(newSize);
        CopyBytes(moved, *p, capacity < newSize ? capacity : newSize);
        FreeMem(*p);
        *p = moved;
    }
    return *p;
}

}  // namespace emurtl

extern "C" {
void* HOSTCALL emu_System_GetMem(int32_t size) { return emurtl::GetMem(size); }
int32_t HOSTCALL emu_System_FreeMem(void* p) { return emurtl::FreeMem(p); }
void* HOSTCALL emu_System_ReallocMem(void** p, int32_t n) { return emurtl::ReallocMem(p, n); }
// The blocks GetMem gave out that FreeMem has not taken back.
int32_t emu_LiveBlocks() { return __atomic_load_n(&emurtl::gLiveBlocks, __ATOMIC_ACQUIRE); }
}
