#include "StringTestSupport.h"

#include <cstring>

namespace fastcodetest {

GuardedRegion::GuardedRegion(int readablePages) {
    const size_t page = 4096, size = (readablePages + 1) * page;
    begin_ = static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    end_ = begin_ + readablePages * page;
    DWORD old;
    VirtualProtect(end_, page, PAGE_NOACCESS, &old);
}

GuardedRegion::~GuardedRegion() { VirtualFree(begin_, 0, MEM_RELEASE); }

static void FillJunk(char* from, char* to, Rng& rng) {
    for (char* p = from; p < to; ++p) *p = static_cast<char>(rng() | 1);
}

const char* PlaceCounted(GuardedRegion& region, const std::string& text, int pad, Rng& rng) {
    if (text.empty()) return nullptr;
    const int32_t length = static_cast<int32_t>(text.size());
    const int32_t storage = (length + 1 + 3) & ~3;
    char* data = region.End() - pad - storage;
    const int32_t header[2] = {-1, length};
    std::memcpy(data - 8, header, 8);
    std::memcpy(data, text.data(), text.size());
    data[length] = 0;
    FillJunk(data + length + 1, data + storage, rng);
    return data;
}

const char* PlaceZ(GuardedRegion& region, const std::string& text, int pad) {
    char* data = region.End() - pad - static_cast<int>(text.size()) - 1;
    std::memcpy(data, text.data(), text.size());
    data[text.size()] = 0;
    return data;
}

std::string RandomBytes(Rng& rng, int length, int lowest, int highest) {
    std::uniform_int_distribution<int> byte(lowest, highest);
    std::string s(length, '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

std::string CaseSensitiveBytes(Rng& rng, int length, bool allowZero) {
    static const unsigned char kDeciding[] = {0x40, 'A', 'M', 'Z', 0x5B, 0x5F, 0x60, 'a', 'm', 'z',
                                              0x7B, 0x7F, 0x80, 0xC4, 0xE4, 0xDA, 0xFA, 0xFF, 0x00};
    const int choices = allowZero ? sizeof kDeciding : sizeof kDeciding - 1;
    std::string s(length, '\0');
    for (char& c : s) {
        const unsigned r = rng();
        c = static_cast<char>(r & 1 ? kDeciding[(r >> 1) % choices] : 1 + (r >> 8) % 255);
    }
    return s;
}

static int FoldedByte(unsigned char c, bool fold) { return fold && c >= 'a' && c <= 'z' ? c - 32 : c; }

int CompareBytes(const std::string& a, const std::string& b, bool foldAscii) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int x = FoldedByte(a[i], foldAscii), y = FoldedByte(b[i], foldAscii);
        if (x != y) return x - y;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int CompareZ(const std::string& a, const std::string& b, bool foldAscii) {
    for (size_t i = 0;; ++i) {
        const int x = FoldedByte(i < a.size() ? a[i] : 0, foldAscii);
        const int y = FoldedByte(i < b.size() ? b[i] : 0, foldAscii);
        if (x != y || x == 0) return x - y;
    }
}

std::string AsciiUpper(std::string s) {
    for (char& c : s) c = static_cast<char>(FoldedByte(c, true));
    return s;
}
std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}
std::string FlipAsciiCase(std::string s) {
    for (char& c : s)
        if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') c ^= 0x20;
    return s;
}

int32_t RefCount(const char* s) { return s ? hostabi::HeaderOf(s)->refCount : 0; }

std::string HostText(const char* s) {
    if (!s) return {};
    const int32_t length = hostabi::LengthOf(s);
    EXPECT_EQ(s[length], '\0');
    return std::string(s, length);
}

}  // namespace fastcodetest
