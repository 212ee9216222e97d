// Class records in the host's layout, built at run time as descendants of a
// class that may live in another module (the emulated VCL's classes descend
// from the runtime package's, the emulated IDE's forms from the VCL's).
//
// A descendant inherits its parent's virtual methods and the slots of its
// method table until it overrides them; it declares the managed fields of
// its own (long strings) in an initialization table, so that the runtime's
// CleanupInstance finalizes them when an instance is released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "HostCall.h"
#include "HostLayout.h"

namespace emuhost {

// Virtual methods after TObject's, numbered by the emulated host (the
// plug-in calls none of them through the table). Branches of the class tree
// reuse numbers.
namespace vslot {
constexpr int kCreate = 0;  // TComponent's virtual constructor Create(AOwner)
constexpr int kLoaded = 1;
constexpr int kUpdate = 2;  // TBasicAction
constexpr int kExecute = 3;
constexpr int kSetParent = 2;  // TControl
constexpr int kPaint = 3;      // a graphic control draws itself on its parent
constexpr int kTextChanged = 4;
constexpr int kCreateWnd = 5;  // TWinControl
constexpr int kWndProc = 6;    // handles a message; false: pass it on
constexpr int kCloseQuery = 7;  // TCustomForm
constexpr int kCount = 10;
}  // namespace vslot

#pragma pack(push, 1)
struct StringTypeInfo {
    uint8_t kind;
    uint8_t nameLength;
    char name[6];
};
// A record's type information as the class's initialization table: the long
// strings the class itself declares, at their offsets.
struct ManagedStrings {
    uint8_t kind;
    uint8_t nameLength;
    int32_t size;
    int32_t count;
    hostabi::ManagedFieldRef fields[8];
};
#pragma pack(pop)

struct HostClass {
    hostabi::ClassHeader header;
    void* virtuals[vslot::kCount];
    // Behind the record: what the header points at.
    void* parentRef;
    ManagedStrings strings;

    void* Ref() { return virtuals; }
};

inline StringTypeInfo gLongStringType = {hostabi::typekind::kLongString, 6, {'s', 't', 'r', 'i', 'n', 'g'}};
inline void* gLongStringTypeRef = &gLongStringType;

// Fills `c` as a descendant of the class `parentRef`, whose method table has
// `parentVirtuals` entries after TObject's. `name` is a short string
// (length byte first); `strings` lists the offsets of the long strings the
// class declares (at most 8).
inline void DefineHostClass(HostClass& c, const unsigned char* name, int32_t instanceSize, const void* parentRef,
                            int parentVirtuals, std::initializer_list<int32_t> strings = {}) {
    __asm__("" : "+r"(parentRef));  // an exported symbol's address: its header lies before it
    const hostabi::ClassHeader& p = *hostabi::HeaderOfClass(parentRef);
    hostabi::ClassHeader& h = c.header;
    h = hostabi::ClassHeader{};
    h.selfPtr = c.Ref();
    h.className = name;
    h.instanceSize = instanceSize;
    c.parentRef = const_cast<void*>(parentRef);
    h.parent = &c.parentRef;
    h.safeCallException = p.safeCallException;
    h.afterConstruction = p.afterConstruction;
    h.beforeDestruction = p.beforeDestruction;
    h.dispatch = p.dispatch;
    h.defaultHandler = p.defaultHandler;
    h.newInstance = p.newInstance;
    h.freeInstance = p.freeInstance;
    h.destroy = p.destroy;
    auto* inherited = static_cast<void* const*>(parentRef);
    for (int i = 0; i < vslot::kCount; ++i) c.virtuals[i] = i < parentVirtuals ? inherited[i] : nullptr;
    if (strings.size() == 0) return;
    c.strings = ManagedStrings{hostabi::typekind::kRecord, 0, instanceSize, 0, {}};
    for (int32_t offset : strings) c.strings.fields[c.strings.count++] = {&gLongStringTypeRef, offset};
    h.initTable = &c.strings;
}

// Overriding.
template <class Fn>
void SetVirtual(HostClass& c, int slot, Fn fn) {
    c.virtuals[slot] = reinterpret_cast<void*>(fn);
}
template <class Fn>
void SetDestructor(HostClass& c, Fn fn) {
    c.header.destroy = reinterpret_cast<void*>(fn);
}

// Calling through an object's class.
template <class Fn>
Fn VirtualOf(const void* object, int slot) {
    return reinterpret_cast<Fn>(static_cast<void* const*>(hostabi::ClassOf(object))[slot]);
}
template <class Fn>
Fn ClassVirtual(const void* classRef, int slot) {
    return reinterpret_cast<Fn>(static_cast<void* const*>(classRef)[slot]);
}

// The instance size a class declares.
inline int32_t InstanceSizeOf(const void* classRef) {
    __asm__("" : "+r"(classRef));  // an exported symbol's address: its header lies before it
    return hostabi::HeaderOfClass(classRef)->instanceSize;
}

// The class name of an object, as a short string.
inline const unsigned char* ClassNameOf(const void* object) {
    return hostabi::HeaderOfClass(hostabi::ClassOf(object))->className;
}

}  // namespace emuhost

// Exports a HostClass record `emu_<Id>_record` as the class reference
// `emu_<Id>` (the address just past the negative-offset header), which the
// module-definition file names under the class's decorated name.
#define EMUHOST_EXPORT_CLASS(id)                        \
    extern "C" emuhost::HostClass emu_##id##_record;     \
    __asm__(".globl _emu_" #id "\n\t.set _emu_" #id ", _emu_" #id "_record+76")
