// Replacements of the host's TList methods the IDE calls most, and the code
// that replaces TObjectList's notification. Plain TList objects (class
// exactly the host's TList, whose Notify does nothing) skip every
// notification; other classes get theirs through the virtual slot.
#pragma once

#include <cstdint>

#include "HostCall.h"
#include "HostLayout.h"

namespace toravex {

using hostabi::ListObject;

void* HOSTCALL ListGetFast(ListObject* self, int32_t index);
int32_t HOSTCALL ListIndexOfFast(ListObject* self, void* item);
void HOSTCALL ListSetCountFast(ListObject* self, int32_t newCount);
void HOSTCALL ListPutFast(ListObject* self, int32_t index, void* item);
void HOSTCALL ListInsertFast(ListObject* self, int32_t index, void* item);
void* HOSTCALL ListLastFast(ListObject* self);
void HOSTCALL ListExchangeFast(ListObject* self, int32_t index1, int32_t index2);

// TObjectList.Notify(Item, Action), written over the host's routine: on a
// deletion notice from a list that owns its objects, the item's virtual
// destructor runs with the outer-most flag set; nothing else happens.
//   push esi / mov esi, edx / cmp cl, 2 / jne done / cmp byte [eax+16], 0
//   je done / test esi, esi / je done / mov dl, 1 / mov eax, esi
//   mov ecx, [eax] / call [ecx-4] / done: pop esi / ret / lea eax, [eax+0]
inline constexpr uint8_t kObjectListNotifyCode[32] = {
    0x56, 0x8B, 0xF2, 0x80, 0xF9, 0x02, 0x75, 0x13, 0x80, 0x78, 0x10, 0x00, 0x74, 0x0D, 0x85, 0xF6,
    0x74, 0x09, 0xB2, 0x01, 0x8B, 0xC6, 0x8B, 0x08, 0xFF, 0x51, 0xFC, 0x5E, 0xC3, 0x8D, 0x40, 0x00};

}  // namespace toravex
