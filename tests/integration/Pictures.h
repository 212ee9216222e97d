// Pictures for a person to look at: read from the 24-bit BMP files the
// emulated IDE saves of its windows, saved as PNG files (24-bit colour,
// stored without compression: deflate's stored blocks keep the writer a
// page of code).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace idetest {

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel, no padding
    uint8_t* At(int x, int y) { return &rgb[static_cast<size_t>((y * width + x) * 3)]; }
    const uint8_t* At(int x, int y) const { return &rgb[static_cast<size_t>((y * width + x) * 3)]; }
};

bool SavePng(const Image& image, const std::string& path);
// A 24-bit BMP file (rows bottom-up or top-down); false for anything else.
bool LoadBmp(const std::string& path, Image& image);

}  // namespace idetest
