// Resource strings of the emulated runtime: each is a TResStringRec (the
// address of the variable holding the module handle, and the identifier of
// the string in that module's string table), exported under its unit's name.
#pragma once

#define EMU_RESSTR_SINVALIDINTEGER 65001
#define EMU_RESSTR_SLISTINDEXERROR 65002
#define EMU_RESSTR_SLISTCOUNTERROR 65003
#define EMU_RESSTR_SDUPLICATEPACKAGEUNIT 65004
#define EMU_RESSTR_SINVALIDPACKAGEFILE 65005
#define EMU_RESSTR_SLISTCAPACITYERROR 65006
#define EMU_RESSTR_SERRORLOADINGPACKAGE 65007
#define EMU_RESSTR_SCANNOTREADPACKAGEINFO 65008
#define EMU_RESSTR_SOSERROR 65009
