// Host exceptions crossing plug-in frames: raised by the emulated runtime,
// cleaned up by plug-in try/finally, caught by plug-in try/except.
#include "RuntimeFixture.h"
#include "base/HostException.h"
#include "base/HostString.h"

using toravex::HostString;
namespace host = toravex::host;

namespace {

class HostExceptionTest : public RuntimeTest {};

std::string ClassName(const void* object) {
    char name[64];
    host::ClassNameOf(object, name, sizeof name);
    return name;
}

// A new host object of the given class, made by the host's constructor.
void* NewException(const void* classRef, const char* message) {
    HostString text(message);
    using Create = void*(HOSTCALL*)(const void*, int, const char*);
    return RuntimeTest::Routine<Create>(hostnames::Sysutils_Exception_Create)(classRef, 1, text.Get());
}

int AcceptEverything(const EXCEPTION_RECORD*, void*) { return 1; }

}  // namespace

TEST_F(HostExceptionTest, RuntimeExceptionRunsCleanUpAndIsCaughtWithClassAndMessage) {
    HostString text("x");
    int cleanups = 0;
    bool returned = false;
    host::CaughtException caught{};
    bool raised = host::TryExcept(
        [&] {
            host::TryFinally(
                [&] {
                    HostStrToInt(text.Get());
                    returned = true;
                },
                [&] { ++cleanups; });
        },
        caught);

    ASSERT_TRUE(raised);
    EXPECT_FALSE(returned);
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(caught.code, 0x0EEDFADEu);
    EXPECT_NE(caught.address, nullptr);
    EXPECT_EQ(ClassName(caught.object), "EConvertError");
    ASSERT_NE(host::MessageOf(caught.object), nullptr);
    EXPECT_STREQ(host::MessageOf(caught.object), "'x' is not a valid integer value");
    EXPECT_TRUE(host::InheritsFrom(hostabi::ClassOf(caught.object), toravex::Runtime().exceptionClass));
    host::FreeHostObject(caught.object);
}

TEST_F(HostExceptionTest, NormalReturnRunsCleanUpOnceAndCatchesNothing) {
    int cleanups = 0, value = 0;
    HostString text("42");
    host::CaughtException caught{};
    EXPECT_FALSE(host::TryExcept(
        [&] { host::TryFinally([&] { value = HostStrToInt(text.Get()); }, [&] { ++cleanups; }); }, caught));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(cleanups, 1);
}

TEST_F(HostExceptionTest, InnermostHandlerCatchesAndEveryCleanUpOnTheWayRuns) {
    std::vector<int> order;
    host::CaughtException outer{}, inner{};
    bool outerCaught = host::TryExcept(
        [&] {
            host::TryFinally(
                [&] {
                    bool innerCaught = host::TryExcept(
                        [&] {
                            host::TryFinally([&] { host::RaiseHostException(NewException(
                                                       toravex::Runtime().exceptionClass, "inner")); },
                                             [&] { order.push_back(1); });
                        },
                        inner);
                    order.push_back(innerCaught ? 2 : -2);
                },
                [&] { order.push_back(3); });
        },
        outer);
    EXPECT_FALSE(outerCaught);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_STREQ(host::MessageOf(inner.object), "inner");
    host::FreeHostObject(inner.object);
}

TEST_F(HostExceptionTest, FilterPassesOtherObjectsAndOtherExceptionsOn) {
    // A raised object that is not an Exception passes a filter that asks for one.
    const void* tobject = toravex::FindHostExport(toravex::Runtime().module, hostnames::System_TObject);
    using NewInstance = void*(HOSTCALL*)(const void*);
    void* plain = reinterpret_cast<NewInstance>(hostabi::HeaderOfClass(tobject)->newInstance)(tobject);

    host::CaughtException outer{}, inner{};
    bool innerCaught = true;
    bool outerCaught = host::TryExcept(
        [&] {
            innerCaught = host::TryExcept([&] { host::RaiseHostException(plain); }, inner, host::HostExceptionObject);
        },
        outer);
    EXPECT_TRUE(outerCaught);
    EXPECT_EQ(outer.object, plain);
    EXPECT_EQ(ClassName(outer.object), "TObject");
    host::FreeHostObject(outer.object);

    EXPECT_TRUE(innerCaught) << "left untouched: the inner handler was unwound";

    // A system exception is not a host exception: only the outer frame,
    // which accepts everything, catches it.
    host::CaughtException any{};
    bool hostHandlerReturned = false;
    bool anyCaught = hostframes::hostframes_try_except(
                         [](void* returned) {
                             host::CaughtException c{};
                             host::TryExcept([] { RaiseException(0xE0000001, 0, 0, nullptr); }, c);
                             *static_cast<bool*>(returned) = true;
                         },
                         &hostHandlerReturned, AcceptEverything, nullptr, &any) != 0;
    EXPECT_TRUE(anyCaught);
    EXPECT_FALSE(hostHandlerReturned);
    EXPECT_EQ(any.code, 0xE0000001u);
}

TEST_F(HostExceptionTest, FramesWorkFromAMisalignedStack) {
    HostString text("12x");
    testsupport::WithEachStackAlignment([&] {
        int cleanups = 0;
        host::CaughtException caught{};
        bool raised = host::TryExcept(
            [&] { host::TryFinally([&] { HostStrToInt(text.Get()); }, [&] { ++cleanups; }); }, caught);
        EXPECT_TRUE(raised);
        EXPECT_EQ(cleanups, 1);
        EXPECT_EQ(ClassName(caught.object), "EConvertError");
        host::FreeHostObject(caught.object);
    });
}

TEST_F(HostExceptionTest, ResourceStringMessagesAreFormattedByTheRuntime) {
    // raise EListError.CreateResFmt(@SListIndexError, [Index]), as host code does.
    using CreateResFmt = void*(HOSTCALL_STACK*)(const void* cls, int alloc, const void* res, int32_t argsHigh,
                                                const hostabi::VarRec* args);
    auto create = Routine<CreateResFmt>(hostnames::Sysutils_Exception_CreateResFmt);
    const void* listError = toravex::FindHostExport(toravex::Runtime().module, hostnames::Classes_EListError);
    const void* indexError = toravex::FindHostExport(toravex::Runtime().module, hostnames::Rtlconsts_SListIndexError);
    ASSERT_NE(listError, nullptr);
    ASSERT_NE(indexError, nullptr);
    hostabi::VarRec arg{};
    arg.vInteger = -1;
    arg.vType = hostabi::vartype::kInteger;

    host::CaughtException caught{};
    ASSERT_TRUE(host::TryExcept([&] { host::RaiseHostException(create(listError, 1, indexError, 0, &arg)); }, caught));
    EXPECT_EQ(ClassName(caught.object), "EListError");
    EXPECT_STREQ(host::MessageOf(caught.object), "List index out of bounds (-1)");
    EXPECT_TRUE(host::InheritsFrom(hostabi::ClassOf(caught.object), toravex::Runtime().exceptionClass));
    host::FreeHostObject(caught.object);
}
