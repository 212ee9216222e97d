// The two packages of a package set: dclemusetbase.bpl, and dclemuset.bpl,
// which requires it. dclemuset imports a routine of dclemusetbase, so the
// loader maps both when dclemuset is loaded and unloads both when it is
// released.
#include <cstdint>

#ifdef EMUHOST_SET_MEMBER
extern "C" __declspec(dllimport) uint32_t SetBaseMarker();
extern "C" __declspec(dllexport) uint32_t SetMemberMarker() { return SetBaseMarker() + 1; }
#else
extern "C" __declspec(dllexport) uint32_t SetBaseMarker() { return 0x5E7BA5E0u; }
#endif
