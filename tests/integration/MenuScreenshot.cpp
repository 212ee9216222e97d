#include "MenuScreenshot.h"

#include <string>

namespace idetest {

namespace {

struct Search {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD owner = 0;
    char className[64] = {};
    GetWindowThreadProcessId(hwnd, &owner);
    GetClassNameA(hwnd, className, sizeof className);
    if (owner == s->process && IsWindowVisible(hwnd) && lstrcmpA(className, s->className) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND Find(DWORD process, const char* className) {
    Search s{process, className, nullptr};
    EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Copies the window, frame and menu bar included, into `into` at (x, y).
void Copy(HWND hwnd, HDC into, int x, int y) {
    RECT r;
    GetWindowRect(hwnd, &r);
    HDC dc = GetWindowDC(hwnd);
    BitBlt(into, x, y, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, dc);
}

}  // namespace

bool CaptureMainWindowWithMenu(DWORD processId, Image& picture, DWORD timeoutMs) {
    HWND main = nullptr, menu = nullptr;
    for (DWORD until = GetTickCount() + timeoutMs; GetTickCount() < until && !menu; Sleep(50)) {
        main = Find(processId, "TAppBuilder");
        menu = main ? Find(processId, "#32768") : nullptr;
    }
    if (!main || !menu) return false;
    Sleep(300);  // let the menu finish drawing
    RECT m, p, all;
    GetWindowRect(main, &m);
    GetWindowRect(menu, &p);
    UnionRect(&all, &m, &p);
    picture.width = all.right - all.left;
    picture.height = all.bottom - all.top;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT everything{0, 0, picture.width, picture.height};
    FillRect(memory, &everything, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Copy(main, memory, m.left - all.left, m.top - all.top);
    Copy(menu, memory, p.left - all.left, p.top - all.top);
    GdiFlush();
    const int stride = (picture.width * 3 + 3) & ~3;
    const auto* data = static_cast<const uint8_t*>(bits);
    picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* bgr = data + y * stride + x * 3;
            uint8_t* rgb = picture.At(x, y);
            rgb[0] = bgr[2], rgb[1] = bgr[1], rgb[2] = bgr[0];
        }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return true;
}

}  // namespace idetest
