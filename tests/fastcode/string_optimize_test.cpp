// The flags-result string comparisons, their call-site rewriting, the
// equality compare, the assignment replacements and their installation.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "HostLayout.h"
#include "TestSupport.h"
#include "base/HostRuntime.h"
#include "runtime/StringCallSites.h"

extern "C" {
#define SITE(name)                       \
    int name(const void*, const void*); \
    extern uint8_t name##_call[];
SITE(fixture_lstr_je)
SITE(fixture_lstr_jne)
SITE(fixture_lstr_je_near)
SITE(fixture_lstr_jne_near)
SITE(fixture_lstr_sete)
SITE(fixture_lstr_setne)
SITE(fixture_lstr_jb)
SITE(fixture_lstr_ja)
SITE(fixture_lstr_flags)
SITE(fixture_lstr_thunk_je)
SITE(fixture_lstr_gnu_thunk_je)
SITE(fixture_lstr_entry_je)
SITE(fixture_wstr_je)
SITE(fixture_wstr_jb)
SITE(fixture_wstr_flags)
SITE(fixture_equals_flags)
#undef SITE
}

namespace {

constexpr unsigned kCarry = 0x01, kZero = 0x40;

// Long strings with the host's layout in our own storage, so that tests
// choose their bytes freely (constants have a negative count).
class LongStrings {
public:
    const char* Make(const std::string& text, int32_t refCount = -1) {
        auto block = std::make_unique<uint32_t[]>(hostabi::LongStringBlockSize(text.size()) / 4 + 1);
        auto* h = reinterpret_cast<hostabi::LongStringHeader*>(block.get());
        h->refCount = refCount;
        h->length = static_cast<int32_t>(text.size());
        char* s = reinterpret_cast<char*>(h + 1);
        std::memcpy(s, text.data(), text.size());
        s[text.size()] = 0;
        blocks_.push_back(std::move(block));
        return text.empty() ? nullptr : s;
    }

private:
    std::vector<std::unique_ptr<uint32_t[]>> blocks_;
};

// The destination the E8 call at `call` currently names.
const void* CallTarget(const uint8_t* call) {
    int32_t displacement;
    std::memcpy(&displacement, call + 1, 4);
    return call + 5 + displacement;
}

// Expected order: unsigned characters, then the shorter first.
template <class Char>
int Order(const std::basic_string<Char>& a, const std::basic_string<Char>& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) {
            using Unsigned = std::make_unsigned_t<Char>;
            return static_cast<Unsigned>(a[i]) < static_cast<Unsigned>(b[i]) ? -1 : 1;
        }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int FlagsOrder(unsigned flags) { return (flags & kZero) ? 0 : (flags & kCarry) ? -1 : 1; }

// Pairs of texts that differ at every position, including bytes of 0x80
// and above, and prefixes of each other.
std::vector<std::pair<std::string, std::string>> GeneratedPairs() {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::mt19937 random(7);
    for (size_t length = 0; length <= 40; ++length) {
        std::string base(length, 'a');
        for (auto& c : base) c = static_cast<char>(random() % 256 ? random() % 256 : 1);
        pairs.push_back({base, base});
        for (size_t i = 0; i < length; ++i) {
            std::string other = base;
            other[i] = static_cast<char>(static_cast<uint8_t>(other[i]) ^ 0x80);
            if (other[i] == 0) other[i] = 1;
            pairs.push_back({base, other});
            pairs.push_back({other, base});
        }
        pairs.push_back({base, base + "x"});
        pairs.push_back({base + "\xFF", base});
    }
    return pairs;
}

std::wstring Widen(const std::string& s) {
    std::wstring w;
    for (unsigned char c : s) w.push_back(static_cast<wchar_t>(c * 257));
    return w;
}

}  // namespace

TEST(StringCompare, FlagsGiveTheOrderOfLongStrings) {
    LongStrings strings;
    for (const auto& [a, b] : GeneratedPairs()) {
        unsigned flags = fixture_lstr_flags(strings.Make(a), strings.Make(b));
        ASSERT_EQ(FlagsOrder(flags), Order(a, b)) << ::testing::PrintToString(a) << " vs " << ::testing::PrintToString(b);
    }
    const char* abc = strings.Make("abc");
    EXPECT_EQ(FlagsOrder(fixture_lstr_flags(nullptr, abc)), -1);
    EXPECT_EQ(FlagsOrder(fixture_lstr_flags(abc, nullptr)), 1);
    EXPECT_EQ(FlagsOrder(fixture_lstr_flags(nullptr, nullptr)), 0);
    EXPECT_EQ(FlagsOrder(fixture_lstr_flags(abc, abc)), 0);
}

TEST(StringCompare, FlagsGiveTheOrderOfWideStrings) {
    for (const auto& [a, b] : GeneratedPairs()) {
        std::wstring wa = Widen(a), wb = Widen(b);
        BSTR sa = wa.empty() ? nullptr : SysAllocStringLen(wa.data(), wa.size());
        BSTR sb = wb.empty() ? nullptr : SysAllocStringLen(wb.data(), wb.size());
        ASSERT_EQ(FlagsOrder(fixture_wstr_flags(sa, sb)), Order(wa, wb));
        SysFreeString(sa);
        SysFreeString(sb);
    }
}

TEST(StringCompare, EqualityCompareLooksAtLengthsLastWordAndTheRest) {
    LongStrings strings;
    for (const auto& [a, b] : GeneratedPairs()) {
        unsigned flags = fixture_equals_flags(strings.Make(a), strings.Make(b));
        ASSERT_EQ((flags & kZero) != 0, a == b) << ::testing::PrintToString(a) << " vs " << ::testing::PrintToString(b);
    }
    EXPECT_FALSE(fixture_equals_flags(strings.Make("abc"), strings.Make("abd")) & kZero);
    EXPECT_TRUE(fixture_equals_flags(strings.Make("abc"), strings.Make("abc")) & kZero);
    // A wide string may be allocated with length 0: equal to nil.
    BSTR empty = SysAllocStringLen(L"", 0);
    EXPECT_TRUE(fixture_equals_flags(empty, nullptr) & kZero);
    EXPECT_TRUE(fixture_equals_flags(nullptr, empty) & kZero);
    SysFreeString(empty);
}

TEST(StringCompare, EqualityCallersAreRewrittenAfterTheirFirstCall) {
    LongStrings strings;
    const char* abc = strings.Make("abc");
    const char* abc2 = strings.Make("abc");
    const char* abd = strings.Make("abd");
    struct Site {
        int (*run)(const void*, const void*);
        uint8_t* call;
        bool meansEqual;  // the fixture answers 1 for equal strings
    } sites[] = {
        {fixture_lstr_je, fixture_lstr_je_call, true},       {fixture_lstr_jne, fixture_lstr_jne_call, false},
        {fixture_lstr_je_near, fixture_lstr_je_near_call, true}, {fixture_lstr_jne_near, fixture_lstr_jne_near_call, false},
        {fixture_lstr_sete, fixture_lstr_sete_call, true},   {fixture_lstr_setne, fixture_lstr_setne_call, false},
        {fixture_lstr_entry_je, fixture_lstr_entry_je_call, true},
    };
    for (const Site& s : sites) {
        EXPECT_EQ(s.run(abc, abd), s.meansEqual ? 0 : 1);  // first call: the full comparison answers
        EXPECT_EQ(CallTarget(s.call), reinterpret_cast<void*>(&toravex_LStrEquals));
        EXPECT_EQ(s.run(abc, abc2), s.meansEqual ? 1 : 0);  // later calls: the equality compare
        EXPECT_EQ(s.run(nullptr, abc), s.meansEqual ? 0 : 1);
        EXPECT_EQ(s.run(nullptr, nullptr), s.meansEqual ? 1 : 0);
    }
    // A nil operand is answered before the caller is looked at.
    BSTR x = SysAllocString(L"x"), y = SysAllocString(L"y");
    EXPECT_EQ(fixture_wstr_je(x, nullptr), 0);
    EXPECT_EQ(CallTarget(fixture_wstr_je_call), reinterpret_cast<void*>(&toravex_WStrCmp));
    EXPECT_EQ(fixture_wstr_je(x, y), 0);
    EXPECT_EQ(CallTarget(fixture_wstr_je_call), reinterpret_cast<void*>(&toravex_WStrEquals));
    EXPECT_EQ(fixture_wstr_je(x, x), 1);
    SysFreeString(x);
    SysFreeString(y);
}

TEST(StringCompare, OrderingCallersAndImportThunkCallersKeepTheirCall) {
    LongStrings strings;
    const char* abc = strings.Make("abc");
    const char* abd = strings.Make("abd");
    EXPECT_EQ(fixture_lstr_jb(abc, abd), 1);
    EXPECT_EQ(fixture_lstr_jb(abd, abc), 0);
    EXPECT_EQ(fixture_lstr_ja(abd, abc), 1);
    EXPECT_EQ(fixture_lstr_ja(abc, abc), 0);
    EXPECT_EQ(CallTarget(fixture_lstr_jb_call), reinterpret_cast<void*>(&toravex_LStrCmp));
    EXPECT_EQ(CallTarget(fixture_lstr_ja_call), reinterpret_cast<void*>(&toravex_LStrCmp));
    BSTR w1 = SysAllocString(L"ab"), w2 = SysAllocString(L"b");
    EXPECT_EQ(fixture_wstr_jb(w1, w2), 1);
    EXPECT_EQ(CallTarget(fixture_wstr_jb_call), reinterpret_cast<void*>(&toravex_WStrCmp));
    SysFreeString(w1);
    SysFreeString(w2);

    // Through an import thunk of the host's shape: the call-site stub's job,
    // not the comparison's. The GNU linker's thunk shape is rewritten.
    const void* thunk = CallTarget(fixture_lstr_thunk_je_call);
    EXPECT_EQ(fixture_lstr_thunk_je(abc, abc), 1);
    EXPECT_EQ(CallTarget(fixture_lstr_thunk_je_call), thunk);
    EXPECT_EQ(fixture_lstr_gnu_thunk_je(abc, abd), 0);
    EXPECT_EQ(CallTarget(fixture_lstr_gnu_thunk_je_call), reinterpret_cast<void*>(&toravex_LStrEquals));
}

class StringAssignTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }
    static char* HostCopy(const char* text) {
        char* s = nullptr;
        toravex::Runtime().lstrFromPCharLen(&s, text, static_cast<int32_t>(std::strlen(text)));
        return s;
    }
    static int32_t Count(const char* s) { return hostabi::HeaderOf(s)->refCount; }
};

TEST_F(StringAssignTest, ConstantsAreCopiedByAsgAndSharedByLAsg) {
    LongStrings strings;
    const char* constant = strings.Make("constant");
    char* dest = nullptr;
    toravex::LStrAsgReplacement(&dest, constant);
    ASSERT_NE(dest, constant);
    EXPECT_STREQ(dest, "constant");
    EXPECT_EQ(hostabi::LengthOf(dest), 8);
    EXPECT_EQ(Count(dest), 1);
    EXPECT_EQ(Count(constant), -1);

    char* local = nullptr;
    toravex::LStrLAsgReplacement(&local, constant);
    EXPECT_EQ(local, constant);
    toravex::LStrLAsgReplacement(&local, nullptr);
    EXPECT_EQ(local, nullptr);
    EXPECT_EQ(Count(constant), -1);
    toravex::LStrAsgReplacement(&dest, nullptr);
    EXPECT_EQ(dest, nullptr);
}

TEST_F(StringAssignTest, CountsFollowEveryAssignment) {
    char* s = HostCopy("shared");
    char* dest = nullptr;
    toravex::LStrAsgReplacement(&dest, s);
    EXPECT_EQ(dest, s);
    EXPECT_EQ(Count(s), 2);
    toravex::LStrAsgReplacement(&dest, dest);  // to the value it already holds
    EXPECT_EQ(Count(s), 2);
    EXPECT_EQ(dest, s);
    toravex::LStrLAsgReplacement(&dest, nullptr);
    EXPECT_EQ(Count(s), 1);

    char* only = HostCopy("only");
    char* holder = only;  // holds the one reference
    toravex::LStrAsgReplacement(&holder, holder);
    EXPECT_EQ(holder, only);
    EXPECT_EQ(Count(only), 1) << "the count went to 2 and back; the string was not freed";
    EXPECT_STREQ(holder, "only");
    toravex::LStrAsgReplacement(&holder, nullptr);
    toravex::LStrAsgReplacement(&s, nullptr);
}

TEST_F(StringAssignTest, WideStoreReplacesTheValue) {
    BSTR dest = SysAllocString(L"old");
    BSTR fresh = SysAllocString(L"new");
    toravex::WideStoreReplacement(reinterpret_cast<wchar_t**>(&dest), fresh);
    EXPECT_EQ(dest, fresh);
    toravex::WideStoreReplacement(reinterpret_cast<wchar_t**>(&dest), nullptr);
    EXPECT_EQ(dest, nullptr);
}

namespace {

// Executable scratch memory followed by a page nothing may touch.
struct CodePage {
    CodePage() {
        base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
        DWORD old;
        VirtualProtect(base + 4096, 4096, PAGE_NOACCESS, &old);
        std::memset(base, 0x90, 4096);
    }
    ~CodePage() { VirtualFree(base, 0, MEM_RELEASE); }
    void Call(size_t at, size_t target) {
        base[at] = 0xE8;
        int32_t displacement = static_cast<int32_t>(target - (at + 5));
        std::memcpy(base + at + 1, &displacement, 4);
    }
    uint8_t* base;
};

}  // namespace

TEST(StringOptimizeInstall, WideStoreIsFoundByItsSignatureOnly) {
    CodePage page;
    uint8_t* entry = page.base;
    page.Call(40, 200);
    std::memcpy(page.base + 45, "\x5F\x5E\x5B\xC3", 4);
    std::memcpy(page.base + 200, "\x87\x10", 2);
    EXPECT_EQ(toravex::FindWideStringStore(entry), page.base + 200);
    page.base[201] = 0x11;  // the target does not start with 87 10
    EXPECT_EQ(toravex::FindWideStringStore(entry), nullptr);
    page.base[201] = 0x10;
    EXPECT_EQ(toravex::FindWideStringStore(entry + 30), nullptr) << "the scan starts 16 bytes into the routine";
    page.base[44 - 0] = 0x90;
    page.Call(16 + 256, 200);  // too far: only 256 positions are tested
    std::memcpy(page.base + 16 + 256 + 5, "\x5F\x5E\x5B\xC3", 4);
    std::memset(page.base + 40, 0x90, 9);
    EXPECT_EQ(toravex::FindWideStringStore(entry), nullptr);
    // Unreadable bytes end the scan quietly.
    EXPECT_EQ(toravex::FindWideStringStore(page.base + 4096 - 16 - 20), nullptr);
    EXPECT_EQ(toravex::FindWideStringStore(nullptr), nullptr);
}

TEST(StringOptimizeInstall, EntriesAreResolvedThroughStubsAndThunksAndJumpsWritten) {
    CodePage page;
    uint8_t* routine = page.base + 300;
    uint8_t** slot = reinterpret_cast<uint8_t**>(page.base + 600);
    *slot = routine;
    uint8_t* thunk = page.base + 100;  // FF 25 slot
    thunk[0] = 0xFF;
    thunk[1] = 0x25;
    std::memcpy(thunk + 2, &slot, 4);
    uint8_t* stub = page.base + 0;  // 68 thunk E9 ...
    stub[0] = 0x68;
    std::memcpy(stub + 1, &thunk, 4);
    stub[5] = 0xE9;
    EXPECT_EQ(toravex::ResolveStringHelperEntry(stub), routine);
    EXPECT_EQ(toravex::ResolveStringHelperEntry(thunk), routine);
    EXPECT_EQ(toravex::ResolveStringHelperEntry(routine), routine);
    EXPECT_EQ(toravex::ResolveStringHelperEntry(nullptr), nullptr);

    ASSERT_TRUE(toravex::WriteJump(routine, page.base + 0x1000 - 0x200));
    EXPECT_EQ(routine[0], 0xE9);
    EXPECT_EQ(CallTarget(routine), page.base + 0x1000 - 0x200);
    EXPECT_FALSE(toravex::WriteJump(nullptr, routine));
}

TEST(StringOptimizeInstall, AssignmentHelpersAreReplacedOnlyOnOneProcessor) {
    ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr);
    using namespace hostnames;
    auto entry = [](const HostName& n) {
        return toravex::ResolveStringHelperEntry(toravex::FindHostExport(toravex::Runtime().module, n));
    };
    uint8_t before[5];
    std::memcpy(before, entry(System_LStrAsg), 5);
    uint8_t* store = toravex::FindWideStringStore(entry(System_WStrSetLength));
    ASSERT_NE(store, nullptr) << "the runtime's WStrSetLength calls its store routine";

    auto two = toravex::SetProcessorCountSource([] { return 2u; });
    toravex::PrepareStringOptimize();
    EXPECT_EQ(std::memcmp(before, entry(System_LStrAsg), 5), 0);
    EXPECT_EQ(entry(System_LStrCmp)[0], 0xE9);
    EXPECT_EQ(CallTarget(entry(System_LStrCmp)), reinterpret_cast<void*>(&toravex_LStrCmp));
    EXPECT_EQ(CallTarget(entry(System_WStrCmp)), reinterpret_cast<void*>(&toravex_WStrCmp));
    EXPECT_EQ(CallTarget(store), reinterpret_cast<void*>(&toravex::WideStoreReplacement));

    toravex::SetProcessorCountSource([] { return 1u; });
    toravex::PrepareStringOptimize();
    EXPECT_EQ(CallTarget(entry(System_LStrAsg)), reinterpret_cast<void*>(&toravex::LStrAsgReplacement));
    EXPECT_EQ(CallTarget(entry(System_LStrLAsg)), reinterpret_cast<void*>(&toravex::LStrLAsgReplacement));
    toravex::SetProcessorCountSource(two);

    // The host's own helpers now run on the replacements and still count right.
    char* s = nullptr;
    toravex::Runtime().lstrFromPCharLen(&s, "text", 4);
    char* t = nullptr;
    toravex::Runtime().lstrAsg(&t, s);
    EXPECT_EQ(hostabi::HeaderOf(s)->refCount, 2);
    toravex::Runtime().lstrClr(&t);
    toravex::Runtime().lstrClr(&s);
}
