// Pictures of the emulated IDE's windows, read from this process's own
// windows (so that other programs' windows on the display cannot cover them)
// and saved as 24-bit BMP files: the main window with the menu it has
// dropped down (-menu-picture), and one window (the splash window's
// -splash-picture).
#include <cstdio>
#include <vector>

#include "IdeApplication.h"

namespace ide {

namespace {

BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM found) {
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (lstrcmpA(className, "#32768") == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void Copy(HWND hwnd, HDC into, const RECT& all) {
    RECT r;
    GetWindowRect(hwnd, &r);
    HDC dc = GetWindowDC(hwnd);
    BitBlt(into, r.left - all.left, r.top - all.top, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, dc);
}

// A memory device context holding a top-down 24-bit picture of the given
// size, filled by `draw` and saved to `path`.
template <class Draw>
bool SavePicture(const char* path, HDC reference, int width, int height, Draw draw) {
    BITMAPINFOHEADER header = {sizeof header, width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC memory = CreateCompatibleDC(reference);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(reference, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    GdiFlush();
    const DWORD size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    header.biSizeImage = size;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof header + size), 0, 0,
                             sizeof file + sizeof header};
    bool saved = false;
    if (FILE* out = std::fopen(path, "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&header, sizeof header, 1, out);
        std::fwrite(bits, 1, size, out);
        saved = std::fclose(out) == 0;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return saved;
}

}  // namespace

bool SaveWindowPicture(HWND window, const char* path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC source = GetWindowDC(window);
    const bool saved = SavePicture(path, source, width, height,
                                   [&](HDC memory) { BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY); });
    ReleaseDC(window, source);
    return saved;
}

bool SaveMenuPicture(HWND main, const char* path) {
    HWND menu = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMenuWindow, reinterpret_cast<LPARAM>(&menu));
    if (!menu) return false;
    RECT m, p, all;
    GetWindowRect(main, &m);
    GetWindowRect(menu, &p);
    UnionRect(&all, &m, &p);
    const int width = all.right - all.left, height = all.bottom - all.top;
    HDC screen = GetDC(nullptr);
    const bool saved = SavePicture(path, screen, width, height, [&](HDC memory) {
        RECT everything{0, 0, width, height};
        FillRect(memory, &everything, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        Copy(main, memory, all);
        Copy(menu, memory, all);
    });
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace ide
