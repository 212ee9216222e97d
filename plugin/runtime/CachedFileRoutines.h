// Replacements of the host's FileAge and AnsiLowerCaseFileName that answer
// repeated questions from a cache: file ages while the IDE starts, lower-case
// file names for the life of the plug-in.
#pragma once

#include <cstdint>

#include "HostCall.h"

namespace toravex {

class TStringStringHash;

// File name to its lower-case form as the host gave it; exists from the
// patch set's preparation until after its removal.
extern TStringStringHash* LowerCaseFileNames;
// The host's own AnsiLowerCaseFileName, saved when it is registered.
extern void* HostAnsiLowerCaseFileName;

void CreateLowerCaseFileNameCache();
void FreeLowerCaseFileNameCache();

// Packed DOS date and time of the file's last write, -1 when missing or a
// directory; served from the file-age cache during start-up.
int32_t HOSTCALL FileAgeFast(const char* fileName);

// The host's result for this exact name, asked once.
void HOSTCALL AnsiLowerCaseFileNameFast(const char* s, char** result);

}  // namespace toravex
