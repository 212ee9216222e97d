// Reading a small text file as lines, the way the host's string list loads
// one: a line ends at CR LF, at LF or at CR.
#pragma once

#include "base/HostStringList.h"

namespace toravex {

// Appends the file's lines to lines; false (and nothing appended) when the
// file cannot be opened or read, or is larger than maxBytes.
bool ReadTextLines(const char* fileName, HostStringList& lines, unsigned maxBytes = 16u << 20);

// Appends the lines of text (size bytes) to lines.
void SplitLines(const char* text, unsigned size, HostStringList& lines);

}  // namespace toravex
