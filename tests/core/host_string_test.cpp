// HostString follows the host's reference counting through the host's helpers.
#include "HostLayout.h"
#include "RuntimeFixture.h"
#include "base/HostString.h"

using toravex::HostString;

namespace {
class HostStringTest : public RuntimeTest {};
int32_t RefCount(const HostString& s) { return hostabi::HeaderOf(s.Get())->refCount; }
}  // namespace

TEST_F(HostStringTest, CopiesShareOneStringAndTheLastReleaseFreesIt) {
    HostString a("hello");
    ASSERT_FALSE(a.Empty());
    EXPECT_EQ(a.Length(), 5);
    EXPECT_EQ(a.Get()[5], '\0');
    EXPECT_EQ(RefCount(a), 1);
    {
        HostString b = a;
        EXPECT_EQ(b.Get(), a.Get());
        EXPECT_EQ(RefCount(a), 2);
        HostString c;
        c = b;
        EXPECT_EQ(RefCount(a), 3);
    }
    EXPECT_EQ(RefCount(a), 1);
    HostString moved = std::move(a);
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(RefCount(moved), 1);
    EXPECT_TRUE(moved == "hello");
}

TEST_F(HostStringTest, EmptyStringsAreNil) {
    HostString empty(""), none;
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_STREQ(none.CStr(), "");
    EXPECT_EQ(none.Length(), 0);
}

TEST_F(HostStringTest, OutLetsAHostRoutineStoreItsResult) {
    using SetLength = void(HOSTCALL*)(char**, int32_t);
    auto setLength = Routine<SetLength>(hostnames::System_LStrSetLength);
    HostString s("abc");
    HostString keep = s;
    setLength(s.Out(), 4);  // Out empties s first, so keep is unchanged
    EXPECT_EQ(s.Length(), 4);
    EXPECT_TRUE(keep == "abc");
    EXPECT_EQ(RefCount(keep), 1);
}
