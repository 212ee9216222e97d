// The emulated palette service's own slot (slots 8 and 9, which the
// plug-in calls, are in hostabi/VclInterface.h): the IDE's package manager
// registers each component through slot 4, (page, name) as long strings.
#pragma once

namespace emupalette {
constexpr int kAddComponentSlot = 4;
}
