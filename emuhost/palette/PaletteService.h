// The emulated palette service's own slot (the Parts name slots 8 and 9 in
// hostabi/VclInterface.h): the IDE's package manager registers each
// component through slot 4, (page, name) as long strings.
#pragma once

namespace emupalette {
constexpr int kAddComponentSlot = 4;
}
