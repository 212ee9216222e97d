// Tests that need the emulated runtime package in this process, and typed
// access to a few of its routines.
#pragma once

#include <gtest/gtest.h>

#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "TestSupport.h"
#include "base/HostRuntime.h"

class RuntimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(testsupport::LoadEmulatedRuntime(100), nullptr); }

public:

    template <class Fn>
    static Fn Routine(const hostnames::HostName& name) {
        Fn f = toravex::FindHostRoutine<Fn>(toravex::Runtime().module, name);
        EXPECT_NE(f, nullptr) << name.decorated;
        return f;
    }
    static int32_t HostStrToInt(const char* s) {
        return Routine<int32_t(HOSTCALL*)(const char*)>(hostnames::Sysutils_StrToInt)(s);
    }
};
