#include "RoutineChecks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EmulatedCompilers.h"

namespace compilertest {

namespace {

const void* Routine(HMODULE library, const char* name) {
    const void* r = reinterpret_cast<const void*>(GetProcAddress(library, name));
    EXPECT_NE(r, nullptr) << name;
    return r;
}

// Calls a C routine and checks what every C routine must leave behind.
uint32_t Call(const void* routine, std::initializer_list<uint32_t> arguments) {
    HostCallFrame frame = CallC(routine, arguments);
    EXPECT_TRUE(frame.preserved);
    EXPECT_TRUE(frame.directionClear);
    EXPECT_EQ(frame.stackRemoved, 0);
    return frame.outEax;
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

}  // namespace

void CheckBlockRoutines(HMODULE library) {
    const void* memcpy_ = Routine(library, "crt_memcpy");
    const void* memmove_ = Routine(library, "crt_memmove");
    const void* memset_ = Routine(library, "crt_memset");
    for (size_t length = 0; length <= 300; length += length < 70 ? 1 : 23) {
        for (size_t from = 0; from < 4; ++from) {
            for (size_t to = 0; to < 4; ++to) {
                SCOPED_TRACE(testing::Message() << length << " bytes from +" << from << " to +" << to);
                std::vector<uint8_t> source = Pattern(length + 16, static_cast<uint32_t>(length)), dest(length + 16, 0xEE);
                std::vector<uint8_t> expected = dest;
                std::memcpy(expected.data() + to, source.data() + from, length);
                EXPECT_EQ(Call(memcpy_, {Word(dest.data() + to), Word(source.data() + from), uint32_t(length)}),
                          Word(dest.data() + to));
                EXPECT_EQ(dest, expected);

                // Overlapping moves: forwards and backwards by up to 9 bytes.
                for (int shift : {-9, -4, -1, 0, 1, 3, 8}) {
                    std::vector<uint8_t> block = Pattern(length + 32, 7), want = block;
                    uint8_t* src = block.data() + 12 + from;
                    std::memmove(want.data() + 12 + from + shift, want.data() + 12 + from, length);
                    EXPECT_EQ(Call(memmove_, {Word(src + shift), Word(src), uint32_t(length)}), Word(src + shift));
                    EXPECT_EQ(block, want) << "shift " << shift;
                }

                const uint32_t value = 0x12345600u | static_cast<uint32_t>(length * 37 + to);
                std::memset(expected.data() + to, static_cast<int>(value), length);
                EXPECT_EQ(Call(memset_, {Word(dest.data() + to), value, uint32_t(length)}), Word(dest.data() + to));
                EXPECT_EQ(dest, expected);
            }
        }
    }
}

void CheckStringRoutines(HMODULE library) {
    const void* strlen_ = Routine(library, "crt_strlen");
    const void* strcat_ = Routine(library, "crt_strcat");
    // Strings ending right before a page that cannot be read.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    auto* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old));
    char* end = pages + info.dwPageSize;
    for (size_t length = 0; length <= 300; ++length) {
        char* s = end - 1 - length;
        std::memset(s, 'a' + length % 26, length);
        end[-1] = 0;
        EXPECT_EQ(Call(strlen_, {Word(s)}), length) << "at the page's end";
        for (size_t align = 0; align < 8; ++align) {
            char buffer[320];
            std::memset(buffer, 'q', sizeof buffer);
            buffer[align + length] = 0;
            EXPECT_EQ(Call(strlen_, {Word(buffer + align)}), length) << "+" << align;
        }
    }
    VirtualFree(pages, 0, MEM_RELEASE);

    for (size_t first = 0; first <= 40; ++first) {
        for (size_t second = 0; second <= 40; second += second < 4 ? 1 : 5) {
            for (size_t align = 0; align < 4; ++align) {
                char dest[128], expected[128];
                std::memset(dest, '#', sizeof dest);
                std::string a(first, 'x'), b(second, 'y');
                std::strcpy(dest + align, a.c_str());
                std::memcpy(expected, dest, sizeof dest);
                std::strcat(expected + align, b.c_str());
                EXPECT_EQ(Call(strcat_, {Word(dest + align), Word(b.c_str())}), Word(dest + align));
                EXPECT_EQ(std::memcmp(dest, expected, sizeof dest), 0) << first << " + " << second << " at +" << align;
            }
        }
    }
}

void CheckCompare(HMODULE library) {
    const void* memcmp_ = Routine(library, "crt_memcmp");
    for (size_t length = 0; length <= 200; length += length < 40 ? 1 : 13) {
        for (size_t align = 0; align < 4; ++align) {
            std::vector<uint8_t> a = Pattern(length + 8, 3), b = a;
            EXPECT_EQ(Call(memcmp_, {Word(a.data() + align), Word(b.data() + align), uint32_t(length)}), 0u);
            for (size_t at = 0; at < length; at += 1 + length / 9) {
                for (uint8_t other : {uint8_t(0x00), uint8_t(0x7F), uint8_t(0x80), uint8_t(0xFF)}) {
                    std::vector<uint8_t> c = a;
                    c[align + at] = other;
                    if (c == a) continue;
                    const int want = int(a[align + at]) - int(other);
                    EXPECT_EQ(int32_t(Call(memcmp_, {Word(a.data() + align), Word(c.data() + align), uint32_t(length)})),
                              want)
                        << length << " bytes, differing at " << at;
                }
            }
        }
    }
}

using MemcmpCaller = int (*)(const void* a, const void* b, int count, int* stackShift);

MemcmpCaller Caller(HMODULE library, const std::string& kind) {
    return reinterpret_cast<MemcmpCaller>(GetProcAddress(library, ("MemcmpVia" + kind).c_str()));
}

void CheckMemcmpCallers(HMODULE library) {
    const char* const kinds[] = {"Eax", "Ecx", "Edx", "Ebx", "Ebp", "Esi", "Edi", "Memory",
                                 "MemoryEndingLikePushEsp", "MemoryEndingLikePushEsi", "OtherCleanUp",
                                 "Register", "Pointer", "RegisterAfterCallLikeBytes"};
    std::vector<uint8_t> a = Pattern(64, 11), b = a;
    a[37] = 10;
    b[37] = 15;
    for (const char* kind : kinds) {
        MemcmpCaller caller = Caller(library, kind);
        ASSERT_NE(caller, nullptr) << kind;
        ASSERT_NE(GetProcAddress(library, (std::string("MemcmpSite") + kind).c_str()), nullptr) << kind;
        int shift = -1;
        EXPECT_EQ(caller(a.data(), b.data(), 37, &shift), 0) << kind;
        EXPECT_EQ(shift, 0) << kind;
        EXPECT_EQ(caller(a.data(), b.data(), 64, &shift), -5) << kind;
        EXPECT_EQ(shift, 0) << kind;
    }
    // push esp: the first argument is the stack top, where b and the count
    // were pushed.
    MemcmpCaller viaEsp = Caller(library, "Esp");
    uint32_t image[2];
    image[0] = Word(image);
    image[1] = 8;
    int shift = -1;
    EXPECT_EQ(viaEsp(nullptr, image, 8, &shift), 0);
    EXPECT_EQ(shift, 0);
    image[1] = 9;
    EXPECT_EQ(viaEsp(nullptr, image, 8, &shift), -1);
    EXPECT_EQ(shift, 0);
}

}  // namespace compilertest
