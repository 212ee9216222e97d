// A private heap for code made at run time. Blocks of an executable
// allocator are made readable, writable and executable; since the heap is
// private, that touches only other blocks of the same allocator. Destroying
// the allocator frees every block at once.
#pragma once

#include <windows.h>

#include <cstddef>

namespace toravex {

class THeapAllocator {
public:
    explicit THeapAllocator(bool executable);
    virtual ~THeapAllocator();
    THeapAllocator(const THeapAllocator&) = delete;
    THeapAllocator& operator=(const THeapAllocator&) = delete;

    // A block of size bytes, nil when the heap has none. A block whose
    // protection cannot be changed is given back and the host's error for
    // the last operating-system error is raised (nil when the host runtime
    // cannot raise it).
    void* Allocate(size_t size);
    void Release(void* block);

    HANDLE Heap;
    DWORD Protection;  // PAGE_EXECUTE_READWRITE, or 0 for a plain allocator
};

}  // namespace toravex
