// The parts of the runtime package the emulated VCL is built on: Classes'
// components, actions, string lists and global component look-up, and
// SysUtils' terminate procedures. Laid out per build by the VCL table of
// hostabi/VclInterface.h (this code is compiled once per build).
#pragma once

#include <cstdint>

#include "EmuRuntime.h"
#include "HostClasses.h"
#include "VclInterface.h"

namespace emuclasses {

inline constexpr const hostabi::VclLayout& kLayout = hostabi::VclLayoutFor(EMUHOST_BUILD);
using hostabi::FieldAt;

// Number of virtual methods after TObject's that the classes of this unit
// declare (descendants pass it on as their parent's count).
constexpr int kComponentVirtuals = emuhost::vslot::kLoaded + 1;
constexpr int kBasicActionVirtuals = emuhost::vslot::kExecute + 1;

void InitComponentClasses();
void InitBasicActionClass();
void InitStringListClass();
void InitAbortClass();
void InitClassesUnits();

}  // namespace emuclasses

// The exported entries, for the other files of the package.
extern "C" {
extern emuhost::HostClass emu_Classes_TPersistent_record;
extern emuhost::HostClass emu_Classes_TComponent_record;
extern emuhost::HostClass emu_Classes_TBasicAction_record;
void* HOSTCALL emu_Classes_TComponent_Create(void* classOrSelf, int8_t allocate, void* owner);
void HOSTCALL emu_Classes_TComponent_Destroy(void* self, int8_t outermost);
void* HOSTCALL emu_Classes_TComponent_FindComponent(void* self, const char* name);
void HOSTCALL emu_Classes_TComponent_Loaded(void* self);
int32_t HOSTCALL emu_Classes_TList_Remove(hostabi::ListObject* list, void* item);
}
