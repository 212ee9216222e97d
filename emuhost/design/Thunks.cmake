cmake_minimum_required(VERSION 3.20)
# Writes the import thunks of an emulated package (a design package or the
# IDE's core package) for one IDE build, in the shape the host's linker gives
# them: FF 25 <import slot> (an indirect jump through the slot) followed by
# the two filler bytes 8B C0. One thunk "thunk_<Id>" per implemented runtime
# export of hostabi/HostExports.inc; an export this build's runtime lacks gets
# a thunk of int3 bytes, which the workload never calls (it asks the build
# first).
#
#   cmake -DINPUT=HostExports.inc -DOUTPUT=Thunks.S -DBUILD=100 -P Thunks.cmake
file(STRINGS "${INPUT}" lines REGEX "^HOST_EXPORT\\(")
set(out "// Generated from HostExports.inc: import thunks of the host linker's shape.\n")
string(APPEND out "        .intel_syntax noprefix\n        .text\n        .balign 4\n")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^HOST_EXPORT\\(([A-Za-z0-9_]+), *RTL, *([A-Z0-9_|]+), *\"([^\"]+)\"\\)")
        continue()
    endif()
    set(id "${CMAKE_MATCH_1}")
    set(builds "${CMAKE_MATCH_2}")
    set(name "${CMAKE_MATCH_3}")
    string(REPLACE "|" ";" buildList "${builds}")
    string(APPEND out "        .globl  thunk_${id}\nthunk_${id}:\n")
    if(builds STREQUAL "ALL" OR "B${BUILD}" IN_LIST buildList)
        string(APPEND out "        .byte   0xFF, 0x25\n        .long   \"__imp_${name}\"\n        .byte   0x8B, 0xC0\n")
    else()
        string(APPEND out "        .fill   8, 1, 0xCC\n")
    endif()
endforeach()
file(WRITE "${OUTPUT}.tmp" "${out}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
