// The runtime routines a design package calls, each through its import
// thunk (thunk_<Id>, Thunks.cmake): a direct call of the thunk, which jumps
// through the package's import slot, as the host compiler and linker do it.
#pragma once

#include <cstdint>

#include "HostCall.h"
#include "HostLayout.h"

#define RTL_CALL(id, result, ...) extern "C" result HOSTCALL rtl_##id(__VA_ARGS__) __asm__("thunk_" #id);
#define RTL_CALL_STACK(id, result, ...) \
    extern "C" result HOSTCALL_STACK rtl_##id(__VA_ARGS__) __asm__("thunk_" #id);

// Memory and long strings.
RTL_CALL(System_GetMem, void*, int32_t)
RTL_CALL(System_FreeMem, int32_t, void*)
RTL_CALL(System_LStrClr, void*, char**)
RTL_CALL(System_LStrAsg, void, char**, const char*)
RTL_CALL(System_LStrLAsg, void, char**, const char*)
RTL_CALL(System_LStrFromPChar, void, char**, const char*)
RTL_CALL(System_LStrCat, void, char**, const char*)
RTL_CALL(System_LStrCat3, void, char**, const char*, const char*)
RTL_CALL(System_LStrLen, int32_t, const char*)
RTL_CALL(System_LStrPos, int32_t, const char*, const char*)
RTL_CALL(System_LStrArrayClr, void, char**, int32_t)
RTL_CALL(System_UniqueString, char*, char**)
RTL_CALL(System_Move, void, const void*, void*, int32_t)
RTL_CALL(System_FillChar, void, void*, int32_t, uint8_t)

// Wide strings.
RTL_CALL(System_WStrFromLStr, void, wchar_t**, const char*)
RTL_CALL(System_WStrCat, void, wchar_t**, const wchar_t*)
RTL_CALL(System_WStrLen, int32_t, const wchar_t*)
RTL_CALL(System_WStrClr, void*, wchar_t**)
RTL_CALL(System_WStrAsg, void, wchar_t**, const wchar_t*)
RTL_CALL(Sysutils_WideSameStr, bool, const wchar_t*, const wchar_t*)

// SysUtils, StrUtils and Math.
RTL_CALL(Sysutils_CompareStr, int32_t, const char*, const char*)
RTL_CALL(Sysutils_CompareText, int32_t, const char*, const char*)
RTL_CALL(Sysutils_SameText, bool, const char*, const char*)
RTL_CALL(Sysutils_AnsiCompareText, int32_t, const char*, const char*)
RTL_CALL(Sysutils_StrComp, int32_t, const char*, const char*)
RTL_CALL(Sysutils_StrIComp, int32_t, const char*, const char*)
RTL_CALL(Sysutils_StrLen, int32_t, const char*)
RTL_CALL(Sysutils_StrCopy, char*, char*, const char*)
RTL_CALL(Sysutils_StrScan, const char*, const char*, char)
RTL_CALL(Sysutils_CompareMem, bool, const void*, const void*, int32_t)
RTL_CALL(Sysutils_UpperCase, void, const char*, char**)
RTL_CALL(Sysutils_LowerCase, void, const char*, char**)
RTL_CALL(Sysutils_IntToStr, void, int32_t, char**)
RTL_CALL(Sysutils_StrToInt, int32_t, const char*)
RTL_CALL(Strutils_PosEx, int32_t, const char*, const char*, uint32_t)
RTL_CALL(Math_Max, int32_t, int32_t, int32_t)
RTL_CALL_STACK(Sysutils_StringReplace, void, const char*, const char*, const char*, char**, uint32_t)
RTL_CALL_STACK(Sysutils_StringReplace60, void, const char*, const char*, const char*, char**, uint32_t)
RTL_CALL_STACK(Sysutils_StringReplace50, void, const char*, const char*, const char*, char**, uint32_t)

// File names and files.
RTL_CALL(Sysutils_ExtractFilePath, void, const char*, char**)
RTL_CALL(Sysutils_ExtractFileDir, void, const char*, char**)
RTL_CALL(Sysutils_ExtractFileName, void, const char*, char**)
RTL_CALL(Sysutils_ExtractFileExt, void, const char*, char**)
RTL_CALL(Sysutils_ChangeFileExt, void, const char*, const char*, char**)
RTL_CALL(Sysutils_IncludeTrailingPathDelimiter, void, const char*, char**)
RTL_CALL(Sysutils_ExcludeTrailingPathDelimiter, void, const char*, char**)
RTL_CALL(Sysutils_SameFileName, bool, const char*, const char*)
RTL_CALL(Sysutils_AnsiLowerCaseFileName, void, const char*, char**)
RTL_CALL(Sysutils_FileExists, bool, const char*)
RTL_CALL(Sysutils_FileAge, int32_t, const char*)

// Objects and lists.
RTL_CALL(System_TObject_Create, void*, const void*, int8_t)
RTL_CALL(System_TObject_Free, void, void*)
RTL_CALL(System_ClassCreate, void*, const void*, int8_t)
RTL_CALL(System_AfterConstruction, void*, void*)
RTL_CALL(System_BeforeDestruction, void*, void*, int8_t)
RTL_CALL(System_ClassDestroy, void, void*)
RTL_CALL(System_IsClass, bool, const void*, const void*)
RTL_CALL(System_AsClass, void*, void*, const void*)
RTL_CALL(Classes_TList_Add, int32_t, void*, void*)
RTL_CALL(Classes_TList_Get, void*, void*, int32_t)
RTL_CALL(Classes_TList_Put, void, void*, int32_t, void*)
RTL_CALL(Classes_TList_Insert, void, void*, int32_t, void*)
RTL_CALL(Classes_TList_IndexOf, int32_t, void*, void*)
RTL_CALL(Classes_TList_Exchange, void, void*, int32_t, int32_t)
RTL_CALL(Classes_TList_Delete, void, void*, int32_t)
RTL_CALL(Classes_TList_Remove, int32_t, void*, void*)
RTL_CALL(Classes_TList_Last, void*, void*)
RTL_CALL(Classes_TList_SetCount, void, void*, int32_t)
RTL_CALL(Classes_TList_Pack, void, void*)
RTL_CALL(Contnrs_TObjectList_CreateOwning, void*, const void*, int8_t, bool)
RTL_CALL(Contnrs_TObjectList_Add, int32_t, void*, void*)
RTL_CALL(Contnrs_TObjectList_Extract, void*, void*, void*)
RTL_CALL(Contnrs_TObjectList_GetItem, void*, void*, int32_t)
RTL_CALL(Contnrs_TObjectList_Remove, int32_t, void*, void*)

// Interfaces, managed data and dynamic arrays.
RTL_CALL(Sysutils_Supports_ObjectOut, bool, void*, const hostabi::GuidRec*, void**)
RTL_CALL(System_IntfCopy, void, void**, void*)
RTL_CALL(System_IntfClear, void**, void**)
RTL_CALL(System_New, void*, int32_t, const void*)
RTL_CALL(System_Dispose, void, void*, const void*)
RTL_CALL(System_InitializeArray, void*, void*, const void*, uint32_t)
RTL_CALL(System_FinalizeArray, void*, void*, const void*, uint32_t)
RTL_CALL(System_AddRef, void*, void*, const void*)
RTL_CALL(System_DynArraySetLength, void, void**, const void*, int32_t, int32_t)
RTL_CALL(System_DynArrayLength, int32_t, const void*)
RTL_CALL(System_DynArrayHigh, int32_t, const void*)
RTL_CALL(System_DynArrayAsg, void, void**, void*, const void*)
RTL_CALL(System_DynArrayClear, void**, void**, const void*)
RTL_CALL(System_DynArrayCopy, void, void*, const void*, void**)
RTL_CALL_STACK(System_DynArrayCopyRange, void, void*, const void*, int32_t, void**, int32_t)

// Packages.
RTL_CALL(System_RegisterModule, void, hostabi::LibModule*)
RTL_CALL(System_UnregisterModule, void, hostabi::LibModule*)

#undef RTL_CALL
#undef RTL_CALL_STACK

// Flags-result comparisons tested by the instruction after the call
// (FlagTests.S): 1 when the test holds.
extern "C" {
int32_t HOSTCALL dp_LStrEqualJe(const char*, const char*);
int32_t HOSTCALL dp_LStrDifferJne(const char*, const char*);
int32_t HOSTCALL dp_LStrEqualJeNear(const char*, const char*);
int32_t HOSTCALL dp_LStrDifferJneNear(const char*, const char*);
int32_t HOSTCALL dp_LStrEqualSete(const char*, const char*);
int32_t HOSTCALL dp_LStrDifferSetne(const char*, const char*);
int32_t HOSTCALL dp_LStrBelowJb(const char*, const char*);
int32_t HOSTCALL dp_LStrAboveJa(const char*, const char*);
int32_t HOSTCALL dp_WStrEqualJe(const wchar_t*, const wchar_t*);
int32_t HOSTCALL dp_WStrDifferSetne(const wchar_t*, const wchar_t*);
int32_t HOSTCALL dp_WStrBelowJb(const wchar_t*, const wchar_t*);
}
