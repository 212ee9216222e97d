// The platform seam for the patching tests: the Win32 platform with
// failures that a test switches on, and a module image built in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "base/SystemPlatform.h"
#include "base/Win32Platform.h"

class FakePlatform : public toravex::Win32Platform {
public:
    bool refuseProtect = false, failRead = false, failWrite = false, failQuery = false;
    bool hidePsapi = false, hideToolhelp = false;
    int32_t family = 2;
    int pagesLeft = 1 << 30;
    int pagesAllocated = 0;

    bool Protect(void* a, size_t n, DWORD p, DWORD* old) override {
        if (refuseProtect) SetLastError(ERROR_ACCESS_DENIED);
        return !refuseProtect && Win32Platform::Protect(a, n, p, old);
    }
    bool ReadMemory(HANDLE h, const void* a, void* b, size_t n, size_t* done) override {
        return !failRead && Win32Platform::ReadMemory(h, a, b, n, done);
    }
    bool Store(void* a, const void* b, size_t n) override { return !failWrite && Win32Platform::Store(a, b, n); }
    size_t Query(const void* a, MEMORY_BASIC_INFORMATION* info, size_t n) override {
        return failQuery ? 0 : Win32Platform::Query(a, info, n);
    }
    int32_t Family() override { return family; }
    HMODULE LoadModule(const char* name) override {
        return hidePsapi && !_stricmp(name, "psapi.dll") ? nullptr : Win32Platform::LoadModule(name);
    }
    void* GetExport(HMODULE m, const char* name) override {
        if (hideToolhelp && (!strcmp(name, "CreateToolhelp32Snapshot") || !strncmp(name, "Module32", 8)))
            return nullptr;
        return Win32Platform::GetExport(m, name);
    }
    void* AllocateExecutablePages(size_t size) override {
        if (pagesLeft <= 0) return nullptr;
        --pagesLeft, ++pagesAllocated;
        return Win32Platform::AllocateExecutablePages(size);
    }
};

// Installs a fake platform for the life of a test.
class PlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
    void SetUp() override { previous_ = toravex::SetPlatform(&platform); }
    void TearDown() override { toravex::SetPlatform(previous_); }
    FakePlatform platform;

private:
    toravex::SystemPlatform* previous_ = nullptr;
};

// A module image in fresh pages (extent bytes, all readable), with the
// headers of a 32-bit image whose SizeOfImage may be smaller than that.
class TestImage {
public:
    explicit TestImage(uint32_t sizeOfImage, uint32_t extent = 0x4000, uint32_t imageBase = 0x400000) {
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, extent, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        U16(0, 0x5A4D);
        U32(60, 0x80);
        U32(0x80, 0x4550);
        U16(0x80 + 24, 0x10B);
        U32(0x80 + 52, imageBase);
        U32(0x80 + 80, sizeOfImage);
        U32(0x80 + 116, 16);
    }
    ~TestImage() { VirtualFree(base_, 0, MEM_RELEASE); }
    uint8_t* base() const { return base_; }
    void U16(uint32_t at, uint16_t v) { std::memcpy(base_ + at, &v, 2); }
    void U32(uint32_t at, uint32_t v) { std::memcpy(base_ + at, &v, 4); }
    uint32_t U32(uint32_t at) const { uint32_t v; std::memcpy(&v, base_ + at, 4); return v; }
    void Text(uint32_t at, const char* s) { std::memcpy(base_ + at, s, std::strlen(s) + 1); }
    void Directory(int index, uint32_t rva, uint32_t size = 0) {
        U32(0x80 + 120 + 8 * index, rva);
        U32(0x80 + 124 + 8 * index, size);
    }
    // An import descriptor at rva naming the library at nameRva, with its
    // address table at thunks.
    void Import(uint32_t rva, uint32_t nameRva, uint32_t thunks) {
        U32(rva + 12, nameRva);
        U32(rva + 16, thunks);
    }

private:
    uint8_t* base_;
};
