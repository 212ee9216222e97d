// The IDE services package (designide100.bpl, designide90.bpl): ToolsAPI's
// global service variables. The IDE sets them when it starts; experts read
// them (BorlandIDEServices: the services object, asked for other services
// by interface identifier; SplashScreenServices: the splash screen's).
#include <windows.h>

extern "C" {
void* emu_Toolsapi_BorlandIDEServices = nullptr;
void* emu_Toolsapi_SplashScreenServices = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
