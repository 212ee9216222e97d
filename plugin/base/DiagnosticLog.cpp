#include "base/DiagnosticLog.h"

#include <windows.h>

#include <cstdarg>
#include <string>

#include "base/BuildProfile.h"
#include "base/FormatText.h"
#include "base/Registry.h"
#include "base/SpinLock.h"

namespace toravex {

namespace {

constexpr size_t kLineSize = 1024;
constexpr char kEnvironmentVariable[] = "TORAVEX_LOG";
constexpr char kOptionValue[] = "LogFile";

char gFile[MAX_PATH] = "";
// Lines logged before the start line, and whether it was written. The lock
// also keeps the lines of two threads from mixing where the file system
// does not append atomically.
constinit SpinLock gLock;
char gHeld[8192];
size_t gHeldSize = 0;
bool gStarted = false;

// "<pid> <time> <event>\r\n" into line; the number of bytes.
size_t FormatLine(char (&line)[kLineSize], const char* format, va_list args) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    // Room for the line end is kept back.
    size_t size = FormatText(line, kLineSize - 2, "%lu %02u:%02u:%02u.%03u ", GetCurrentProcessId(), t.wHour,
                             t.wMinute, t.wSecond, t.wMilliseconds);
    size += FormatTextV(line + size, kLineSize - 2 - size, format, args);
    line[size++] = '\r';
    line[size++] = '\n';
    return size;
}

// Appends to the file; a failure loses the bytes. FILE_APPEND_DATA appends
// atomically on the NT family; Windows 9x knows only a write at the end.
void Append(const char* bytes, size_t size) {
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(gFile, FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        file = CreateFileA(gFile, GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        SetFilePointer(file, 0, nullptr, FILE_END);
    }
    DWORD written;
    WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

void Write(const char* format, va_list args, bool start) {
    if (!gFile[0]) return;
    char line[kLineSize];
    const size_t size = FormatLine(line, format, args);
    SpinLockGuard guard(gLock);
    if (start) {
        gStarted = true;
        Append(line, size);
        if (gHeldSize) Append(gHeld, gHeldSize);
        gHeldSize = 0;
    } else if (gStarted) {
        Append(line, size);
    } else if (gHeldSize + size <= sizeof gHeld) {
        for (size_t i = 0; i < size; ++i) gHeld[gHeldSize + i] = line[i];
        gHeldSize += size;
    }
}

// TORAVEX_LOG, else the options key's "LogFile".
bool LogFileName(char (&name)[MAX_PATH]) {
    const DWORD n = GetEnvironmentVariableA(kEnvironmentVariable, name, sizeof name);
    if (n > 0 && n < sizeof name) return true;
    RegistryKey key;
    std::string text;
    if (!key.OpenReadOnly(HKEY_CURRENT_USER, Profile().optionsKey) ||
        !key.ReadString(kOptionValue, text, sizeof name - 1) || text.empty())
        return false;
    for (size_t i = 0; i <= text.size(); ++i) name[i] = text.c_str()[i];
    return true;
}

}  // namespace

void OpenDiagnosticLog() {
    char name[MAX_PATH];
    if (!LogFileName(name)) return;
    SpinLockGuard guard(gLock);
    for (size_t i = 0; i < sizeof gFile; ++i)
        if (!(gFile[i] = name[i])) break;
}

bool Logging() { return gFile[0] != 0; }

void LogEvent(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args, false);
    va_end(args);
}

void LogStart(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args, true);
    va_end(args);
}

void LogMade(const char* how, const char* what) { LogEvent("made %s %s", how, what); }

void LogLeftOut(const char* what, const char* why, const char* detail) {
    if (detail)
        LogEvent("left out %s: %s %s", what, why, detail);
    else
        LogEvent("left out %s: %s", what, why);
}

void CloseDiagnosticLog() {
    SpinLockGuard guard(gLock);
    gFile[0] = 0;
    gHeldSize = 0;
    gStarted = false;
}

}  // namespace toravex
