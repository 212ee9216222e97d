// A picture of a window's client area as the window drew it (read from its
// own device context, so other windows on the screen do not cover it; the
// virtual display has no window manager to draw frames), saved as a 24-bit
// BMP file for a person to look at.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace setuptest {

struct Picture {
    int width = 0, height = 0;
    std::vector<BYTE> bgr;  // rows top to bottom, 3 bytes a pixel, rows padded to 4 bytes
    int Stride() const { return (width * 3 + 3) & ~3; }
    const BYTE* At(int x, int y) const { return &bgr[static_cast<size_t>(y * Stride() + x * 3)]; }
};

inline Picture CaptureWindow(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    Picture picture;
    picture.width = r.right - r.left;
    picture.height = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC window = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(window);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, window, r.left, r.top, SRCCOPY);
    GdiFlush();
    const BYTE* data = static_cast<const BYTE*>(bits);
    picture.bgr.assign(data, data + static_cast<size_t>(picture.Stride()) * picture.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);
    return picture;
}

inline bool SaveBitmap(const Picture& picture, const std::string& path) {
    BITMAPINFOHEADER header = {sizeof header, picture.width, -picture.height, 1, 24, BI_RGB,
                               static_cast<DWORD>(picture.bgr.size()), 0, 0, 0, 0};
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof header + picture.bgr.size()), 0, 0,
                             sizeof file + sizeof header};
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(picture.bgr.data(), 1, picture.bgr.size(), out);
    return std::fclose(out) == 0;
}

}  // namespace setuptest
