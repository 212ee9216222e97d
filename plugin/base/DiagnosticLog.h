// The diagnostic log: when the user asks for it (the environment variable
// TORAVEX_LOG, or else the string value "LogFile" of the options key, naming
// a file), the plug-in appends one line per event to that file: what it
// made, what it left out and why, and what it took away at shut-down. It is
// what to ask for when the IDE misbehaves with the plug-in in place.
//
// One call per event. Writing never fails the plug-in: a file that cannot
// be opened or written loses the line and nothing else, and nothing here
// calls the host.
//
// Every line reads "<process id> <hh:mm:ss.mmm> <event>". The events of the
// patch tables use two shapes, so that one reader understands all of them:
//   made <how> <what>            how: imports, entry, code-copy, hook ...
//   left out <what>: <why>       why: missing export, missing helper <name>,
//                                option <name>, Far-East locale, not in this
//                                build, protection change failed ...
#pragma once

namespace toravex {

// Reads where the log goes; called once at load, before the first event.
// Without a file name nothing is ever written.
void OpenDiagnosticLog();

// Whether events are written (so that a costly detail is composed only then).
bool Logging();

// One event, printf-style, without the line end; cut to 1 KB.
void LogEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The first line of a run. Events logged before it are held (up to 8 KB)
// and written right after it.
void LogStart(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The two shapes of the patch tables' events. `detail` follows `why` after a
// blank when given (the missing helper's name, say).
void LogMade(const char* how, const char* what);
void LogLeftOut(const char* what, const char* why, const char* detail = nullptr);

// Back to the state before OpenDiagnosticLog (for tests).
void CloseDiagnosticLog();

}  // namespace toravex
