// The emulated compiler libraries: the Delphi compiler (dcc100.dll ...
// dcc50.dll) and the C++ compiler (comp32x.dll, comp32p.dll), built from
// these sources (see CompilerInterface.h). Everything they compute goes
// through their own C runtime (CRuntime.S), called directly as compiled code
// calls it, and through memcmp's callers of every shape (MemcmpCallers.S).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "CompilerCallbacks.h"
#include "CompilerInterface.h"

using emucompiler::CompileResult;

extern "C" {
void* crt_memcpy(void* dest, const void* source, size_t count);
void* crt_memmove(void* dest, const void* source, size_t count);
void* crt_memset(void* dest, int value, size_t count);
char* crt_strcpy(char* dest, const char* source);
char* crt_strchr(const char* s, int c);
char* crt_strcat(char* dest, const char* source);
size_t crt_strlen(const char* s);
int crt_memcmp(const void* a, const void* b, size_t count);

using MemcmpCaller = int (*)(const void* a, const void* b, int count, int* stackShift);
int MemcmpViaEax(const void*, const void*, int, int*);
int MemcmpViaEcx(const void*, const void*, int, int*);
int MemcmpViaEdx(const void*, const void*, int, int*);
int MemcmpViaEbx(const void*, const void*, int, int*);
int MemcmpViaEbp(const void*, const void*, int, int*);
int MemcmpViaEsi(const void*, const void*, int, int*);
int MemcmpViaEdi(const void*, const void*, int, int*);
int MemcmpViaMemory(const void*, const void*, int, int*);
int MemcmpViaMemoryEndingLikePushEsp(const void*, const void*, int, int*);
int MemcmpViaMemoryEndingLikePushEsi(const void*, const void*, int, int*);
int MemcmpViaOtherCleanUp(const void*, const void*, int, int*);
int MemcmpViaRegister(const void*, const void*, int, int*);
int MemcmpViaPointer(const void*, const void*, int, int*);
int MemcmpViaRegisterAfterCallLikeBytes(const void*, const void*, int, int*);
}

namespace {

// The callers whose first argument is an ordinary pointer (push esp passes
// the stack top instead; the workload leaves it to the tests).
constexpr MemcmpCaller kMemcmpCallers[] = {
    MemcmpViaEax,          MemcmpViaEcx,          MemcmpViaEdx,
    MemcmpViaEbx,          MemcmpViaEbp,          MemcmpViaEsi,
    MemcmpViaEdi,          MemcmpViaMemory,       MemcmpViaMemoryEndingLikePushEsp,
    MemcmpViaMemoryEndingLikePushEsi, MemcmpViaOtherCleanUp, MemcmpViaRegister,
    MemcmpViaPointer,      MemcmpViaRegisterAfterCallLikeBytes,
};

// FNV-1a over everything the compiler computes.
class Checksum {
public:
    void Add(uint32_t value) {
        for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(value >> (8 * i)));
    }
    void Add(const void* data, size_t size) {
        for (size_t i = 0; i < size; ++i) Byte(static_cast<const uint8_t*>(data)[i]);
    }
    uint32_t Value() const { return hash_; }

private:
    void Byte(uint8_t b) { hash_ = (hash_ ^ b) * 16777619u; }
    uint32_t hash_ = 2166136261u;
};

class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t Next() {
        state_ = state_ * 1103515245u + 12345u;
        return state_ >> 8;
    }

private:
    uint32_t state_;
};

uint32_t Offset(const void* result, const void* base) {
    return static_cast<uint32_t>(static_cast<const uint8_t*>(result) - static_cast<const uint8_t*>(base));
}

// Block routines over every length to 260 and every alignment to 3: copies,
// overlapping moves both ways, fills, and comparisons that differ at every
// place or nowhere.
void BlockWorkload(Random& random, Checksum& sum) {
    static uint8_t source[640], dest[640], copy[640];
    for (uint8_t& b : source) b = static_cast<uint8_t>(random.Next());
    for (size_t length = 0; length <= 260; length += length < 40 ? 1 : 7) {
        for (size_t align = 0; align < 4; ++align) {
            crt_memset(dest, 0xA5, sizeof dest);
            sum.Add(Offset(crt_memcpy(dest + align, source + (align ^ 1), length), dest));
            sum.Add(dest, length + 8);

            crt_memcpy(copy, source, sizeof copy);
            sum.Add(Offset(crt_memmove(copy + align + 3, copy + 1, length), copy));
            sum.Add(copy, length + 8);
            sum.Add(Offset(crt_memmove(copy + 1, copy + align + 3, length), copy));
            sum.Add(copy, length + 8);

            const int value = static_cast<int>(random.Next());
            sum.Add(Offset(crt_memset(dest + align, value, length), dest));
            sum.Add(dest, length + 8);

            crt_memcpy(copy + align, source + 5, length);
            sum.Add(static_cast<uint32_t>(crt_memcmp(copy + align, source + 5, length)));
            if (length > 0) {
                const size_t at = random.Next() % length;
                copy[align + at] = static_cast<uint8_t>(copy[align + at] + 1 + random.Next() % 255);
                sum.Add(static_cast<uint32_t>(crt_memcmp(copy + align, source + 5, length)));
                sum.Add(static_cast<uint32_t>(crt_memcmp(source + 5, copy + align, length)));
            }
        }
    }
}

// String routines: every length to 300 at every alignment, and appending
// empty, one-character and longer strings.
void StringWorkload(Random& random, Checksum& sum) {
    static char text[400], joined[800];
    for (size_t length = 0; length <= 300; ++length) {
        for (size_t align = 0; align < 4; ++align) {
            char* s = text + align;
            for (size_t i = 0; i < length; ++i) s[i] = static_cast<char>('a' + random.Next() % 26);
            s[length] = 0;
            sum.Add(static_cast<uint32_t>(crt_strlen(s)));
            if (length % 5 == 0) {
                crt_strcpy(joined, s);
                sum.Add(Offset(crt_strcat(joined, ""), joined));
                sum.Add(Offset(crt_strcat(joined, "x"), joined));
                sum.Add(Offset(crt_strcat(joined + align, s), joined));
                sum.Add(static_cast<uint32_t>(crt_strlen(joined)));
                sum.Add(joined, crt_strlen(joined) + 1);
                const char* found = crt_strchr(joined, 'q');
                sum.Add(found ? Offset(found, joined) : 0xFFFFFFFFu);
            }
        }
    }
}

// memcmp through each shape of call, equal and unequal.
void CallerWorkload(Random& random, Checksum& sum) {
    uint8_t a[96], b[96];
    for (int round = 0; round < 3; ++round) {
        for (MemcmpCaller caller : kMemcmpCallers) {
            for (uint8_t& x : a) x = static_cast<uint8_t>(random.Next());
            crt_memcpy(b, a, sizeof b);
            const int length = static_cast<int>(random.Next() % sizeof a);
            int shift = -1;
            sum.Add(static_cast<uint32_t>(caller(a, b, length, &shift)));
            sum.Add(static_cast<uint32_t>(shift));
            if (length > 0) b[random.Next() % length] ^= 0x5A;
            sum.Add(static_cast<uint32_t>(caller(a, b, length, &shift)));
            sum.Add(static_cast<uint32_t>(shift));
        }
    }
}

const void* gCallbacks = nullptr;

// The text of a file, zero-terminated, in memory from HeapAlloc; nil when it
// cannot be read.
char* ReadText(const char* fileName) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const DWORD size = GetFileSize(file, nullptr);
    char* text = size == INVALID_FILE_SIZE ? nullptr : static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1));
    DWORD read = 0;
    if (text && !(ReadFile(file, text, size, &read, nullptr) && read == size)) {
        HeapFree(GetProcessHeap(), 0, text);
        text = nullptr;
    }
    CloseHandle(file);
    if (text) text[size] = 0;
    return text;
}

// Splits the text in place into lines; calls f(line) for each.
template <class F>
void ForEachLine(char* text, F f) {
    while (*text) {
        char* end = crt_strchr(text, '\n');
        char* next = end ? end + 1 : text + crt_strlen(text);
        if (end) {
            *end = 0;
            if (end > text && end[-1] == '\r') end[-1] = 0;
        }
        f(text);
        text = next;
    }
}

constexpr int kMaxFolders = 8;

bool StartsWith(const char* line, const char* prefix) {
    const size_t length = crt_strlen(prefix);
    return crt_strlen(line) >= length && crt_memcmp(line, prefix, length) == 0;
}

// Looks a unit up along the search path, .dcu before .pas in each folder.
bool LookUpUnit(const char* unit, char* const* folders, int folderCount, CompileResult& result, Checksum& sum) {
    const auto lookUp = reinterpret_cast<const hostabi::FileLookupCallback*>(gCallbacks)[hostabi::kFileLookupCallback];
    char path[MAX_PATH + 32];
    for (int f = 0; f < folderCount; ++f) {
        for (const char* extension : {".dcu", ".pas"}) {
            if (crt_strlen(folders[f]) + crt_strlen(unit) + 6 > MAX_PATH) return false;
            crt_strcpy(path, folders[f]);
            crt_strcat(path, "\\");
            crt_strcat(path, unit);
            crt_strcat(path, extension);
            emucompiler::FileLookup lookup{};
            lookup.fileName = path;
            lookup.askReadonly = extension[1] == 'p';
            ++result.lookups;
            const int32_t age = lookUp(reinterpret_cast<uint32_t>(&lookup));
            if (age == -1) continue;
            sum.Add(static_cast<uint32_t>(age));
            sum.Add(lookup.size);
            sum.Add(lookup.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
            sum.Add(static_cast<uint32_t>(f));
            sum.Add(path, crt_strlen(path));
            result.readonly += lookup.readonly ? 1 : 0;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" uint32_t __stdcall RuntimeWorkload(uint32_t seed) {
    Random random(seed);
    Checksum sum;
    BlockWorkload(random, sum);
    StringWorkload(random, sum);
    CallerWorkload(random, sum);
    return sum.Value();
}

// DccInitialize (callback table): keeps the IDE's table.
extern "C" void __stdcall emu_Dcc_DccInitialize(const void* callbacks) { gCallbacks = callbacks; }

extern "C" int __stdcall DccCompile(const char* projectFile, CompileResult* result) {
    *result = CompileResult{};
    if (!gCallbacks) return FALSE;
    char* project = ReadText(projectFile);
    if (!project) return FALSE;
    char* folders[kMaxFolders];
    int folderCount = 0;
    Checksum sum;
    ForEachLine(project, [&](char* line) {
        if (StartsWith(line, "search=")) {
            for (char* folder = line + 7; folder && *folder && folderCount < kMaxFolders;) {
                char* end = crt_strchr(folder, ';');
                if (end) *end = 0;
                folders[folderCount++] = folder;
                folder = end ? end + 1 : nullptr;
            }
        } else if (StartsWith(line, "unit=")) {
            ++result->units;
            if (LookUpUnit(line + 5, folders, folderCount, *result, sum)) ++result->found;
        }
    });
    sum.Add(RuntimeWorkload(result->units));
    result->checksum = sum.Value();
    HeapFree(GetProcessHeap(), 0, project);
    return TRUE;
}

// COMPILE (seed) of the C++ compiler library.
extern "C" uint32_t __stdcall emu_Comp32_COMPILE(uint32_t seed) { return RuntimeWorkload(seed) ^ 0x43505058u; }
