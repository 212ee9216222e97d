# Generated packages of the emulated IDE: their package information
# ("PACKAGEINFO", with the host's hash bytes, unit flags and name types) and
# the libraries built from it. Included by emuhost/CMakeLists.txt.

# The three-digit octal escape of a byte value, as the resource compiler reads it.
function(emuhost_octal value out)
    math(EXPR d2 "${value} / 64")
    math(EXPR d1 "(${value} / 8) % 8")
    math(EXPR d0 "${value} % 8")
    set(${out} "\\${d2}${d1}${d0}" PARENT_SCOPE)
endfunction()

# The hash byte a unit or package name carries in the package information:
# taken from the upper-case name, so that names differing only in case share
# it; never 0, which would match every name.
function(emuhost_name_hash name out)
    string(TOUPPER "${name}" upper)
    string(MD5 digest "${upper}")
    string(SUBSTRING "${digest}" 0 2 byte)
    math(EXPR value "0x${byte}")
    if(value EQUAL 0)
        set(value 1)
    endif()
    emuhost_octal(${value} escaped)
    set(${out} "${escaped}" PARENT_SCOPE)
endfunction()

# emuhost_package_rc(<out-var> NAME <name> BUILD <version> [DESCRIPTION <text>]
#                    [FLAGS <package flags>] [REQUIRES <package>...] [NO_INFO]
#                    UNITS <hex unit flags>:<unit>...)
# Writes the package's resources: PACKAGEINFO (flags, the required packages,
# the contained units with their flags, and from build 60 on the compiled
# package's name) and DESCRIPTION (none without a text). The runtime package
# is always required.
# FLAGS defaults to 0x40000003 (a package, design-time only, never rebuilt).
# NO_INFO leaves PACKAGEINFO out: a module without package information.
function(emuhost_package_rc out)
    cmake_parse_arguments(P "NO_INFO" "NAME;BUILD;DESCRIPTION;FLAGS" "UNITS;REQUIRES" ${ARGN})
    toravex_runtime_package(${P_BUILD} rtl)
    if(NOT P_FLAGS)
        set(P_FLAGS 0x40000003)
    endif()
    set(requires ${rtl} ${P_REQUIRES})
    list(LENGTH requires requiresCount)
    set(names "")
    foreach(package IN LISTS requires)
        emuhost_name_hash(${package} hash)
        string(APPEND names ", \"${hash}${package}\\0\"")
    endforeach()
    list(LENGTH P_UNITS count)
    set(units "")
    foreach(entry IN LISTS P_UNITS)
        string(REPLACE ":" ";" parts "${entry}")
        list(GET parts 0 flags)
        list(GET parts 1 unit)
        math(EXPR flags "0x${flags}")
        emuhost_octal(${flags} flags)
        emuhost_name_hash(${unit} hash)
        string(APPEND units ",\n    \"${flags}${hash}${unit}\\0\"")
    endforeach()
    set(compiled "")
    if(P_BUILD GREATER_EQUAL 60)
        emuhost_name_hash(${P_NAME} hash)
        set(compiled ",\n    \"${hash}${P_NAME}.dcp\\0\"")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/design/${P_BUILD}/${P_NAME}.rc)
    set(text "// Generated: the resources of ${P_NAME}.bpl.\n")
    if(NOT P_NO_INFO)
        string(APPEND text "PACKAGEINFO RCDATA\nBEGIN\n    ${P_FLAGS}L, ${requiresCount}L${names}, ${count}L${units}${compiled}\nEND\n")
    endif()
    if(P_DESCRIPTION)  # a package without one has no DESCRIPTION resource
        string(APPEND text "DESCRIPTION RCDATA\nBEGIN\n    L\"${P_DESCRIPTION}\\0\"\nEND\n")
    endif()
    file(CONFIGURE OUTPUT ${rc} CONTENT "${text}")
    set(${out} ${rc} PARENT_SCOPE)
endfunction()

# emuhost_package_library(<target> NAME <name> BUILD <version> RC <rc> DEF <def>
#                         OBJECTS <object library> DIR <folder> [EXCLUDE_FROM_ALL]
#                         [SOURCES <file>...] [LINK <target>...])
# One generated package <name>.bpl in <folder>, linked against the build's
# runtime package.
function(emuhost_package_library target)
    cmake_parse_arguments(L "EXCLUDE_FROM_ALL" "NAME;BUILD;RC;DEF;OBJECTS;DIR" "SOURCES;LINK" ${ARGN})
    set(exclude)
    if(L_EXCLUDE_FROM_ALL)
        set(exclude EXCLUDE_FROM_ALL)
    endif()
    add_library(${target} SHARED ${exclude} $<TARGET_OBJECTS:${L_OBJECTS}> ${L_SOURCES} ${L_RC} ${L_DEF})
    target_compile_definitions(${target} PRIVATE EMUHOST_BUILD=${L_BUILD})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/hostabi ${CMAKE_CURRENT_SOURCE_DIR}/design)
    target_link_libraries(${target} PRIVATE emurtl_${L_BUILD} ${L_LINK})
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${L_NAME} PREFIX "" SUFFIX ".bpl"
                          RUNTIME_OUTPUT_DIRECTORY ${L_DIR}
                          ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${L_BUILD}/packages)
endfunction()
