#include "runtime/CompilerCallCache.h"

#include <cstring>
#include <vector>

#include "base/FormatText.h"
#include "base/HostException.h"
#include "base/HostString.h"
#include "base/HostStringList.h"
#include "base/Lifecycle.h"
#include "base/Utils.h"
#include "fastcode/Fastcode.h"
#include "runtime/LoaderHooks.h"

namespace toravex {

RedirectRecord CreateProcessWRecord;
std::atomic<uint32_t> CompilerCallCounter{0};

namespace {

// File names longer than the ANSI file routines take are never cached.
constexpr size_t kPathSize = MAX_PATH + 16;

const char kEntryFolder[] = "\\Toravex";
const char kEntryName[] = "\\bcbide_dynxmlserializer.cached.";
const char kCompilerPath[] = "\\csc.exe\"";
const char kByteOrderMark[] = "\xEF\xBB\xBF";

// One CreateProcessW call while the start-up phase lasts.
struct CompilerCall {
    char entry[kPathSize] = {};    // cache entry n, ".dll" form; empty: no cache
    char outFile[kPathSize] = {};  // the compiler's /out: file
    bool outFound = false;
    bool hit = false;
};

bool Copy(const char* text, char* out) {
    const size_t length = std::strlen(text);
    if (length >= kPathSize) return false;
    std::memcpy(out, text, length + 1);
    return true;
}

// The host's ChangeFileExt: the extension replaced from the last "." that
// follows the last "\" or ":", else appended.
bool ChangeExtension(const char* name, const char* extension, char* out) {
    size_t cut = std::strlen(name);
    for (size_t i = cut; i-- > 0;) {
        if (name[i] == '.') cut = i;
        if (name[i] == '.' || name[i] == '\\' || name[i] == ':') break;
    }
    const size_t length = std::strlen(extension);
    if (cut + length >= kPathSize) return false;
    std::memcpy(out, name, cut);
    std::memcpy(out + cut, extension, length + 1);
    return true;
}

bool FileExists(const char* name) {
    const DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether text holds what, ignoring ASCII case.
bool ContainsText(const char* text, const char* what) {
    const size_t length = std::strlen(what);
    for (; *text; ++text) {
        size_t i = 0;
        while (i < length && text[i] && (text[i] | 0x20) == (what[i] | 0x20)) ++i;
        if (i == length) return true;
    }
    return false;
}

std::vector<char> Narrow(const wchar_t* text, UINT codePage = CP_ACP) {
    if (!text) return {0};
    const int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> narrow(size > 0 ? size : 1, 0);
    if (size > 0) WideCharToMultiByte(codePage, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::vector<wchar_t> Wide(const char* text, UINT codePage = CP_ACP) {
    const int size = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(size > 0 ? size : 1, 0);
    if (size > 0) MultiByteToWideChar(codePage, 0, text, -1, wide.data(), size);
    return wide;
}

// The whole content of a file; false when it cannot be read.
bool ReadWholeFile(const char* name, std::vector<char>& bytes) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) {
        bytes.resize(size);
        DWORD read = 0;
        ok = size == 0 || (ReadFile(file, bytes.data(), size, &read, nullptr) && read == size);
    }
    CloseHandle(file);
    return ok;
}

// The response file's tokens: its text without the UTF-8 byte-order mark
// (when it has one), converted to the 8-bit code page.
void ResponseTokens(const char* response, HostStringList& tokens) {
    std::vector<char> bytes;
    if (!FileExists(response) || !ReadWholeFile(response, bytes)) return;
    bytes.push_back(0);
    const char* text = bytes.data();
    if (bytes.size() > 3 && std::memcmp(text, kByteOrderMark, 3) == 0) text += 3;
    std::vector<char> converted = Narrow(Wide(text, CP_UTF8).data());
    SplitCommandLine(tokens, converted.data(), false);
}

// Step d: the output named in the response file, and whether entry n holds
// what the compiler would make of the same source.
void LookUpEntry(const char* response, CompilerCall& call) {
    HostStringList tokens;
    ResponseTokens(response, tokens);
    for (int32_t i = 0; i < tokens.Count(); ++i) {
        if (std::strncmp(tokens[i].CStr(), "/out:", 5) != 0) continue;
        call.outFound = Copy(Unquote(HostString(tokens[i].CStr() + 5).Get()).CStr(), call.outFile);
        break;
    }
    // A hit needs the entry and the output it is to stand for: without the
    // output, touch would have nothing to act on.
    if (!call.outFound || !call.entry[0] || !FileExists(call.entry) || !FileExists(call.outFile)) return;
    char newSource[kPathSize], cachedSource[kPathSize];
    if (!ChangeExtension(call.outFile, ".cs", newSource) || !ChangeExtension(call.entry, ".cs", cachedSource) ||
        !FilesEqual(newSource, cachedSource))
        return;
    SetFileAttributesA(call.outFile, 0);
    if (!CopyWithExt(call.entry, call.outFile, ".cs")) return;
    SetFileAttributesA(call.outFile, 0);
    CopyWithExt(call.entry, call.outFile, ".tmp");
    CopyWithExt(call.entry, call.outFile, ".err");
    call.hit = true;
}

// Steps a to e: numbers the call and, for a call of the C# compiler, looks
// its output up in the cache.
void LookUpCompilerCall(LPCWSTR commandLine, CompilerCall& call) {
    const uint32_t n = ++CompilerCallCounter;
    const HostString folder = LocalAppDataFolder();
    if (!folder.Empty()) {
        const size_t length = FormatText(call.entry, kPathSize, "%s%s%s%u.dll", folder.CStr(), kEntryFolder,
                                         kEntryName, static_cast<unsigned>(n));
        if (length >= MAX_PATH) call.entry[0] = 0;
    }
    std::vector<char> line = Narrow(commandLine);
    if (!ContainsText(line.data(), kCompilerPath)) return;
    HostStringList tokens;
    SplitCommandLine(tokens, line.data(), false);
    if (tokens.Count() < 1) return;
    const HostString program = Unquote(tokens[0].Get());
    const char* last = tokens[tokens.Count() - 1].CStr();
    if (!SameTextAscii(FileNamePart(program.CStr()), "csc.exe") || last[0] != '@') return;
    const HostString response = Unquote(HostString(last + 1).Get());
    LookUpEntry(response.CStr(), call);
}

// After a real compile: waits for the compiler and, when it succeeded,
// stores its four files as the call's entry.
void StoreEntry(const CompilerCall& call, HANDLE process) {
    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(process, &exitCode) || exitCode != 0 || !call.entry[0] || !FileExists(call.outFile))
        return;
    char folder[kPathSize];
    Copy(call.entry, folder);
    *std::strrchr(folder, '\\') = 0;
    CreateDirectoryA(folder, nullptr);
    for (const char* extension : {".cs", ".dll", ".tmp", ".err"}) CopyWithExt(call.outFile, call.entry, extension);
}

// The command line that starts the host's touch utility on the output.
std::vector<wchar_t> TouchCommandLine(const char* outFile) {
    std::vector<char> text;
    for (const char* part : {"\"", HostDirectory.c_str(), "\\touch.exe\" \"", outFile, "\""})
        text.insert(text.end(), part, part + std::strlen(part));
    text.push_back(0);
    return Wide(text.data());
}

}  // namespace

bool CopyWithExt(const char* source, const char* dest, const char* extension) {
    char from[kPathSize], to[kPathSize];
    if (!ChangeExtension(source, extension, from) || !ChangeExtension(dest, extension, to)) return false;
    SetFileAttributesA(to, 0);
    return CopyFileA(from, to, FALSE) != FALSE;
}

bool FilesEqual(const char* a, const char* b) {
    std::vector<char> first, second;
    if (!ReadWholeFile(a, first) || !ReadWholeFile(b, second) || first.size() != second.size()) return false;
    if (first.empty()) return true;
    if (Slots.CompareMem)
        return Slots.CompareMem(first.data(), second.data(), static_cast<int32_t>(first.size()));
    return std::memcmp(first.data(), second.data(), first.size()) == 0;
}

BOOL WINAPI CreateProcessWHook(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                               LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                               LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                               LPPROCESS_INFORMATION processInformation) {
    CompilerCall call;
    if (StartupPhase) {
        // A failure while looking (a host exception included) is a miss.
        host::CaughtException caught{};
        if (host::TryExcept([&] { LookUpCompilerCall(commandLine, call); }, caught)) {
            host::FreeHostObject(caught.object);
            call.outFound = call.hit = false;
        }
    }
    void* routine = CreateProcessWRecord.Address;
    RemoveRedirect(CreateProcessWRecord);
    const auto real = routine ? reinterpret_cast<decltype(&CreateProcessW)>(routine) : &CreateProcessW;

    // A hit starts touch on the output instead of the compiler; the caller's
    // program name would start the compiler with touch's command line, so it
    // is left out.
    std::vector<wchar_t> touchLine;
    if (call.hit) {
        char touch[kPathSize];
        if (FormatText(touch, kPathSize, "%s\\touch.exe", HostDirectory.c_str()) < MAX_PATH && FileExists(touch)) {
            touchLine = TouchCommandLine(call.outFile);
            commandLine = touchLine.data();
            applicationName = nullptr;
        } else {
            call.outFound = false;
        }
    }
    BOOL result = FALSE;
    host::TryFinally(
        [&] {
            result = real(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                          creationFlags, environment, currentDirectory, startupInfo, processInformation);
        },
        [] {
            if (StartupPhase) ReinstallRedirect(reinterpret_cast<void*>(&CreateProcessWHook), CreateProcessWRecord);
        });
    // A compiler started suspended would never end while its caller waits
    // here for it: it is not waited for, and nothing is stored.
    if (StartupPhase && call.outFound && result && !call.hit && !(creationFlags & CREATE_SUSPENDED))
        StoreEntry(call, processInformation->hProcess);
    return result;
}

}  // namespace toravex
