// The start-up's own lines of the diagnostic log: the start line and the
// options as read.
#pragma once

#include "base/Options.h"

namespace toravex {

// "start <library> build <version> target <code> (<name>) slots <slot>=<variant> ..."
// with every routine slot and Move; a slot left to the host reads "host".
void LogStartLine();

// "options <name>=<0|1> ..." as start-up step 5 read them.
void LogOptionValues(const OptionValues& values);

}  // namespace toravex
