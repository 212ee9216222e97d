cmake_minimum_required(VERSION 3.20)
# Writes the module-definition file of one emulated host module from
# hostabi/HostExports.inc: every entry of MODULE present in BUILD is exported
# under its decorated name from the symbol emu_<Id>.
#
#   cmake -DINPUT=... -DOUTPUT=... -DMODULE=RTL -DBUILD=100 -DLIBRARY=rtl100.bpl
#         [-DEXTRA=file-with-more-EXPORTS-lines] -P HostExports.cmake
#
# MODULE may name several modules and EXTRA several files, joined with "|"
# (build 50's vcl50.bpl is both the runtime and the VCL package).
#
# With -DOMIT=<Id> the module is built without that entry's name: the entry
# is exported by ordinal only (NONAME), so a look-up by name finds nothing,
# while modules linked against this module's import library still bind to
# it (by ordinal). That is a host runtime that lacks one export.
#
# With -DSTUBS=ON it writes instead a C++ source defining emu_<Id> for every
# HOST_RAISES entry of MODULE: exported only to be found, they raise when called.
file(STRINGS "${INPUT}" lines REGEX "^HOST_(EXPORT|DATA|RAISES)\\(")
string(REPLACE "|" ";" modules "${MODULE}")
if(STUBS)
    set(out "// Generated from HostExports.inc: routines exported only to be found by name.\n")
    string(APPEND out "#include \"EmuRuntime.h\"\n\n")
else()
    set(out "LIBRARY \"${LIBRARY}\"\nEXPORTS\n")
endif()
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^HOST_(EXPORT|DATA|RAISES)\\(([A-Za-z0-9_]+), *([A-Z0-9_]+), *([A-Z0-9_|]+), *\"([^\"]+)\"\\)")
        message(FATAL_ERROR "HostExports.inc: cannot read: ${line}")
    endif()
    set(kind "${CMAKE_MATCH_1}")
    set(id "${CMAKE_MATCH_2}")
    set(module "${CMAKE_MATCH_3}")
    set(builds "${CMAKE_MATCH_4}")
    set(name "${CMAKE_MATCH_5}")
    if(NOT module IN_LIST modules)
        continue()
    endif()
    if(STUBS)
        if(kind STREQUAL "RAISES")
            string(APPEND out "extern \"C\" void emu_${id}() { emurtl::UnimplementedExport(\"${name}\"); }\n")
        endif()
        continue()
    endif()
    string(REPLACE "|" ";" buildList "${builds}")
    if(NOT builds STREQUAL "ALL" AND NOT "B${BUILD}" IN_LIST buildList)
        continue()
    endif()
    set(ordinal "")
    if(OMIT AND id STREQUAL OMIT)
        # Far above the ordinals the named exports get.
        set(ordinal " @4000 NONAME")
    endif()
    if(kind STREQUAL "DATA")
        string(APPEND out "  \"${name}\" = emu_${id}${ordinal} DATA\n")
    else()
        string(APPEND out "  \"${name}\" = emu_${id}${ordinal}\n")
    endif()
endforeach()
string(REPLACE "|" ";" extras "${EXTRA}")
foreach(file IN LISTS extras)
    file(READ "${file}" extra)
    string(APPEND out "${extra}")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${out}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
