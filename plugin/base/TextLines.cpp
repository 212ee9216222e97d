#include "base/TextLines.h"

#include <windows.h>

#include <vector>

namespace toravex {

void SplitLines(const char* text, unsigned size, HostStringList& lines) {
    const char* end = text + size;
    const char* line = text;
    for (const char* p = text; p < end;) {
        if (*p != '\r' && *p != '\n') {
            ++p;
            continue;
        }
        lines.Add(HostString(line, static_cast<int32_t>(p - line)));
        p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
        line = p;
    }
    // A last line without its line end.
    if (line < end) lines.Add(HostString(line, static_cast<int32_t>(end - line)));
}

bool ReadTextLines(const char* fileName, HostStringList& lines, unsigned maxBytes) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    bool read = false;
    std::vector<char> text;
    if (size != INVALID_FILE_SIZE && high == 0 && size <= maxBytes) {
        text.resize(size);
        DWORD done = 0;
        read = size == 0 || (ReadFile(file, text.data(), size, &done, nullptr) && done == size);
    }
    CloseHandle(file);
    if (read) SplitLines(text.data(), static_cast<unsigned>(text.size()), lines);
    return read;
}

}  // namespace toravex
