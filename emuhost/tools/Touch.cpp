// touch.exe, the stand-in for the IDE's touch utility: sets the last-write
// time of every file named on its command line to now.
//   touch <file>...
// A file that does not exist is reported on standard error, and not
// created; the exit code is then 1, else 0.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    int result = 0;
    for (int i = 1; i < argc; ++i) {
        HANDLE file = CreateFileA(argv[i], FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE || !SetFileTime(file, nullptr, nullptr, &now)) {
            std::fprintf(stderr, "touch: %s: cannot touch (error %lu)\n", argv[i], GetLastError());
            result = 1;
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return result;
}
