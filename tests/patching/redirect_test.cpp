// Redirections on byte buffers (thunk following per platform family, use
// counts, failures) and on a real export of a test library.
#include <vector>

#include "PatchTestSupport.h"
#include "patching/PatchLib.h"

using namespace toravex;

extern "C" int Answer();  // patch_target.dll, called through the linker's import thunk

namespace {

class RedirectTest : public PlatformTest {
protected:
    // Code buffers: an entry, a routine reached through an import thunk.
    alignas(16) uint8_t entry[16] = {0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x08, 0x90, 0xC3};
    alignas(16) uint8_t routine[16] = {0x56, 0x57, 0x53, 0x8B, 0xD8, 0x33, 0xC0, 0xC3};
    void* slot = routine;
    alignas(16) uint8_t thunk[8] = {0xFF, 0x25};
    uint8_t target[4] = {};

    void SetUp() override {
        PlatformTest::SetUp();
        const uint32_t m32 = reinterpret_cast<uintptr_t>(&slot);
        std::memcpy(thunk + 2, &m32, 4);
        PreparePatchPrimitives();
    }
    std::vector<uint8_t> JumpFrom(const void* at, const void* to) {
        JumpBytes j = EncodeJump(reinterpret_cast<uintptr_t>(at), reinterpret_cast<uintptr_t>(to));
        return {j.bytes, j.bytes + 5};
    }
    static std::vector<uint8_t> Bytes(const uint8_t* p, size_t n = 5) { return {p, p + n}; }
};

TEST_F(RedirectTest, JumpDisplacementIsTargetMinusEntryPlusFive) {
    JumpBytes j = EncodeJump(0x2000, 0x1000);
    EXPECT_EQ(Bytes(j.bytes), (std::vector<uint8_t>{0xE9, 0xFB, 0xEF, 0xFF, 0xFF}));
}

TEST_F(RedirectTest, ThunkIsFollowedToTheRoutineWhichIsPatchedAndSaved) {
    const auto original = Bytes(routine, 8);
    RedirectRecord record{};
    InstallRedirect(thunk, target, record);
    EXPECT_EQ(record.Address, routine);
    EXPECT_EQ(Bytes(record.SavedBytes, 8), original);
    EXPECT_EQ(Bytes(routine), JumpFrom(routine, target));
    EXPECT_EQ(thunk[0], 0xFF);  // the thunk itself is untouched
}

TEST_F(RedirectTest, ResolutionFollowsStubsOn9xAndJumpsOnlyForTheProcessMemoryFamily) {
    // 68 imm32 E9 rel32: push of the routine, jump to the system's debug stub.
    alignas(16) uint8_t stub[16] = {0x68, 0, 0, 0, 0, 0xE9, 0x10, 0, 0, 0};
    const uint32_t imm = reinterpret_cast<uintptr_t>(routine);
    std::memcpy(stub + 1, &imm, 4);
    EXPECT_EQ(ResolveImportThunk(stub), stub);
    EXPECT_EQ(ResolveEntry(stub), stub);
    platform.family = 1;
    EXPECT_EQ(ResolveImportThunk(stub), routine);
    EXPECT_EQ(ResolveEntry(stub), routine);
    platform.family = 2;
    EXPECT_EQ(ResolveImportThunk(nullptr), nullptr);

    std::memcpy(entry, JumpFrom(entry, routine).data(), 5);  // already redirected by someone
    EXPECT_EQ(ResolveImportThunk(entry), entry);
    EXPECT_EQ(ResolveEntry(entry), routine);
    thunk[1] = 0x15;  // FF 15: followed by ResolveEntry only
    EXPECT_EQ(ResolveEntry(thunk), routine);
    EXPECT_EQ(ResolveImportThunk(thunk), thunk);
}

TEST_F(RedirectTest, OnlyTheFirstInstallWritesAndOnlyTheLastRemovalRestores) {
    const auto original = Bytes(entry);
    RedirectRecord record{};
    InstallRedirect(entry, target, record);
    InstallRedirect(entry, target, record);
    EXPECT_EQ(record.UseCount, 2);
    RemoveRedirect(record);
    EXPECT_EQ(Bytes(entry), JumpFrom(entry, target));
    RemoveRedirect(record);
    EXPECT_EQ(Bytes(entry), original);
    EXPECT_EQ(record.UseCount, 0);

    // The handler pattern: take the jump away, call, put it back.
    InstallRedirect(entry, target, record);
    RemoveRedirect(record);
    ReinstallRedirect(target, record);
    EXPECT_EQ(Bytes(entry), JumpFrom(entry, target));
    RemoveRedirect(record);
}

TEST_F(RedirectTest, RemovalBeforeInstallWritesNothingAndTheInstallOnlyCountsBack) {
    const auto original = Bytes(entry);
    RedirectRecord record{};
    RemoveRedirect(record);
    EXPECT_EQ(record.UseCount, -1);
    InstallRedirect(entry, target, record);
    EXPECT_EQ(record.UseCount, 0);
    EXPECT_EQ(Bytes(entry), original);

    StartRedirect(entry, target, record);  // starts afresh
    EXPECT_EQ(record.UseCount, 1);
    EXPECT_EQ(Bytes(entry), JumpFrom(entry, target));
    RemoveRedirect(record);
}

TEST_F(RedirectTest, NilRoutineAndRefusedProtectionPatchNothing) {
    RedirectRecord record{entry, 0, {}};
    InstallRedirect(nullptr, target, record);
    EXPECT_EQ(record.Address, nullptr);
    EXPECT_EQ(record.UseCount, 0);
    RedirectExport(nullptr, "Answer", target, record);
    RedirectExport(GetModuleHandleA("patch_target.dll"), "NoSuchExport", target, record);
    EXPECT_EQ(record.UseCount, 0);

    const auto original = Bytes(entry);
    platform.refuseProtect = true;
    InstallRedirect(entry, target, record);
    EXPECT_EQ(record.UseCount, 1);
    EXPECT_EQ(record.Address, nullptr);
    EXPECT_EQ(Bytes(entry), original);
    RemoveRedirect(record);
    EXPECT_EQ(Bytes(entry), original);
}

TEST_F(RedirectTest, ProcessMemoryRedirectionSavesWritesAndRestores) {
    const auto original = Bytes(entry);
    uint8_t save[5] = {}, untouched[5] = {};
    EXPECT_TRUE(RedirectCode(entry, target, save));
    EXPECT_EQ(Bytes(save), original);
    EXPECT_EQ(Bytes(entry), JumpFrom(entry, target));
    platform.failRead = true;  // the save area stays as it was, the jump is still written
    EXPECT_TRUE(RedirectCode(entry, target, untouched));
    EXPECT_EQ(untouched[0], 0);
    EXPECT_TRUE(RestoreCode(entry, save));
    EXPECT_EQ(Bytes(entry), original);

    platform.failWrite = true;
    EXPECT_FALSE(RedirectCode(entry, target, save));
    EXPECT_EQ(Bytes(entry), original);
    EXPECT_FALSE(WritePointerAt(routine, 4, 0x12345678));
    platform.failWrite = false;
    EXPECT_TRUE(WritePointerAt(routine, 4, 0x12345678));
    EXPECT_EQ(ReadPointerAt(routine, 4), 0x12345678u);
}

TEST_F(RedirectTest, OverwriteCodeAndRoundToMultipleAndCpuid) {
    const uint8_t code[3] = {0xB0, 0x01, 0xC3};
    EXPECT_TRUE(OverwriteCode(thunk, code, 3));  // through the thunk, nothing saved
    EXPECT_EQ(Bytes(routine, 3), Bytes(code, 3));
    EXPECT_FALSE(OverwriteCode(thunk, nullptr, 3));
    platform.failWrite = true;
    EXPECT_FALSE(OverwriteCode(thunk, code, 3));

    EXPECT_EQ(RoundToMultiple(13, 4, true), 16);
    EXPECT_EQ(RoundToMultiple(13, 4, false), 12);
    EXPECT_EQ(RoundToMultiple(16, 4, true), 16);
    EXPECT_EQ(RoundToMultiple(-13, 4, false), -12);  // truncation towards zero
    EXPECT_EQ(RoundToMultiple(13, 0, true), 13);
    ASSERT_TRUE(HasCpuid());  // every processor that runs these tests has it
    uint32_t leaf0[4];
    ReadCpuid(0, leaf0);
    EXPECT_GE(leaf0[0], 1u);
}

int Replacement() { return 7; }

TEST_F(RedirectTest, RedirectedExportIsReachedThroughImportAndGetProcAddressAndRestoredExactly) {
    HMODULE module = GetModuleHandleA("patch_target.dll");
    ASSERT_NE(module, nullptr);
    auto* exported = reinterpret_cast<int (*)()>(GetProcAddress(module, "Answer"));
    const auto original = Bytes(reinterpret_cast<uint8_t*>(exported), 8);
    static RedirectRecord record;
    RedirectExport(module, "Answer", reinterpret_cast<void*>(&Replacement), record);
    EXPECT_EQ(Answer(), 7);
    EXPECT_EQ(exported(), 7);
    RemoveRedirect(record);
    EXPECT_EQ(Bytes(reinterpret_cast<uint8_t*>(exported), 8), original);
    EXPECT_EQ(Answer(), 42);
}

}  // namespace
