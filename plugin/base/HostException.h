// Raising and handling the host's exceptions in plug-in code: the frames of
// HostFrames.h, and what the plug-in reads of a caught exception object.
#pragma once

#include <windows.h>

#include <cstddef>

#include "HostFrames.h"

namespace toravex::host {

using hostframes::AnyHostException;
using hostframes::CaughtException;
using hostframes::ExceptionFilter;
using hostframes::RaiseHostException;
using hostframes::TryExcept;
using hostframes::TryFinally;

// Accepts host exceptions whose object is an instance of the host's
// SysUtils.Exception class (or a descendant).
int HostExceptionObject(const EXCEPTION_RECORD* record, void*);

// Reading host objects.
bool InheritsFrom(const void* classRef, const void* ancestor);
// The class name of an object into buffer (zero-terminated, cut to fit).
void ClassNameOf(const void* object, char* buffer, size_t size);
// The message of an exception object: its long string, or nil when empty.
const char* MessageOf(const void* exceptionObject);
// Frees an object through its virtual destructor, as the host's Free does.
void FreeHostObject(void* object);

}  // namespace toravex::host
