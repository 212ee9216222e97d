// Inputs for the string routine tests: strings placed so that their last
// byte (or their storage) ends right before a no-access page, in the host's
// counted-string layout where needed, plus generators and plain references.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "HostLayout.h"
#include "TestSupport.h"
#include "base/HostRuntime.h"

namespace fastcodetest {

// Tests whose routines make host strings: the emulated runtime is loaded.
class RuntimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
};

// Readable pages followed by one no-access page.
class GuardedRegion {
public:
    explicit GuardedRegion(int readablePages = 3);
    ~GuardedRegion();
    GuardedRegion(const GuardedRegion&) = delete;
    GuardedRegion& operator=(const GuardedRegion&) = delete;
    char* Begin() const { return begin_; }
    char* End() const { return end_; }  // first byte of the no-access page

private:
    char* begin_;
    char* end_;
};

using Rng = std::mt19937;

// A counted string in the host layout (constant reference count, length,
// characters, zero byte) whose storage, whole 4-byte units counted from its
// first character, ends `pad` bytes before the region's end; the storage
// bytes after the zero byte hold junk. Null for the empty string. With pad 0
// and a length of 3, 7, 11 ... its zero byte is the last byte before the
// no-access page. The `pad` bytes keep what earlier placements left there.
const char* PlaceCounted(GuardedRegion& region, const std::string& text, int pad, Rng& rng);
// A zero-terminated string whose zero byte lies `pad` bytes before the end.
const char* PlaceZ(GuardedRegion& region, const std::string& text, int pad);

std::string RandomBytes(Rng& rng, int length, int lowest = 0, int highest = 255);
// Bytes that decide case folding: letters, their neighbours, bytes of 0x80
// and above that a wrong fold would change, mixed with random ones.
std::string CaseSensitiveBytes(Rng& rng, int length, bool allowZero = true);

// Plain comparisons: the first unequal (folded) byte pair gives its
// difference, a prefix gives the length difference.
int CompareBytes(const std::string& a, const std::string& b, bool foldAscii);
int CompareZ(const std::string& a, const std::string& b, bool foldAscii);
inline int Sign(int v) { return (v > 0) - (v < 0); }

std::string AsciiUpper(std::string s);
std::string AsciiLower(std::string s);
std::string FlipAsciiCase(std::string s);

// The text of a host string result, checking its layout: terminator, and a
// fresh reference count of 1.
std::string HostText(const char* s);
int32_t RefCount(const char* s);

}  // namespace fastcodetest
