// The installer program run without parameters: its window opens, Quit ends
// the program, and nothing is written. (The unattended runs are part of the
// installed-IDE test.)
#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(SetupProgram, WithoutParametersTheWindowOpensAndQuitEndsTheProgramWritingNothing) {
    testsupport::DeleteKeyTree("Software\\Kalvoro\\Toravex\\10");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = testsupport::BinDir() + "\\ToravexSetup10.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    // The window exists a moment before it is shown: wait for both.
    HWND window = nullptr;
    for (int i = 0; i < 500 && !(window && IsWindowVisible(window)); ++i, Sleep(20))
        window = FindWindowA("TFormMain", "Install Toravex 2.35 for Delphi 10");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageA(FindWindowExA(window, nullptr, "Button", "&Quit"), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_FALSE(testsupport::KeyExists("Software\\Kalvoro\\Toravex\\10"));
}
