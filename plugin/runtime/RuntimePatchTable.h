// What the runtime patch set changes in the IDE process: one row per host
// routine, in the order the rows are installed. Installation and removal
// both walk this table (FastRTL.cpp), so what is put in and what is taken
// out again cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/BuildProfile.h"
#include "base/HostRuntime.h"
#include "patching/Redirect.h"
#include "runtime/Replacement.h"

namespace toravex {

// Where a replacement goes in: into the replacement map (the import slots of
// every module scanned are re-pointed), over the routine's entry (a jump,
// restored at removal), both, or as code copied over the routine for good.
enum class Placement : uint8_t { Imports, Entry, ImportsAndEntry, CopiedCode };

// The routine a row replaces: an export of the host's runtime package by its
// decorated name, or an export of a system library by its plain name.
struct PatchedRoutine {
    const hostnames::HostName* host = nullptr;
    const char* systemModule = nullptr;
    const char* systemName = nullptr;
};

struct PatchRow {
    PatchedRoutine routine;
    Replacement replacement;
    Placement placement;
    bool stub;         // registered wrapped in a call-site stub
    bool fileName;     // a file-name row: left out in Far-East locales
    HostNeeds needs;   // host routines the replacement calls
    // The row exists only in the builds whose profile has it (nil: all);
    // entryOnlyWhen limits the entry jump of an ImportsAndEntry row.
    bool BuildProfile::*onlyWhen = nullptr;
    bool BuildProfile::*entryOnlyWhen = nullptr;
    // Where the hook saves the host routine it calls (registrations), and
    // the record of an entry jump its hook takes away itself; nil: the
    // table's own record.
    void** hostRoutine = nullptr;
    RedirectRecord* ownRecord = nullptr;
};

// The rows in installation order, and one redirection record per row.
std::span<const PatchRow> RuntimePatchRows();
std::span<RedirectRecord> RuntimePatchRecords();

}  // namespace toravex
