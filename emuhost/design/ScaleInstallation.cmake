# A large installation for the scale run (scripts/package-scale.sh): the
# size of a well-equipped IDE, 250 design packages of 40 units each, for the
# emulated IDE of build 90. They lie in build/emuide/90/scale (the IDE loads
# them when "Known Packages" names them) and are built only by the target
# emuide_scale_90, never by the ordinary build.
set(EMUHOST_SCALE_PACKAGES 250)
set(EMUHOST_SCALE_BUILD 90)
# 37 unit stems: with the package's own unit, SysInit and a weak shared
# unit, 40 units per package.
set(EMUHOST_SCALE_STEMS Reg Editors Design Wizards Props Actions Data Dialogs Frames Consts Utils Menus Images
    Grids Fields Types Streams Views Docking Tools Help Experts Palette Forms Controls Sprigs Modules Templates
    Reports Charts Links Printers Styles Themes Colors Fonts Layouts)

set(scale_dir ${CMAKE_BINARY_DIR}/emuide/${EMUHOST_SCALE_BUILD}/scale)
add_library(emuscale_objects OBJECT design/ScalePackage.cpp design/CRuntimeImports.cpp
            ${CMAKE_CURRENT_BINARY_DIR}/design/${EMUHOST_SCALE_BUILD}/Thunks.S)
target_compile_definitions(emuscale_objects PRIVATE EMUHOST_BUILD=${EMUHOST_SCALE_BUILD})
target_include_directories(emuscale_objects PRIVATE ${CMAKE_SOURCE_DIR}/hostabi ${CMAKE_CURRENT_SOURCE_DIR}/design)
set_target_properties(emuscale_objects PROPERTIES EXCLUDE_FROM_ALL ON)

add_custom_target(emuide_scale_${EMUHOST_SCALE_BUILD} DEPENDS emuide_${EMUHOST_SCALE_BUILD})
foreach(i RANGE 1 ${EMUHOST_SCALE_PACKAGES})
    string(LENGTH "${i}" digits)
    math(EXPR pad "3 - ${digits}")
    string(REPEAT "0" ${pad} zeros)
    set(n "${zeros}${i}")
    set(units 02:dclscale${n} 00:SysInit 04:EmuShared)
    foreach(stem IN LISTS EMUHOST_SCALE_STEMS)
        list(APPEND units 00:Sc${n}${stem})
    endforeach()
    emuhost_package_rc(rc NAME dclscale${n} BUILD ${EMUHOST_SCALE_BUILD} DESCRIPTION "Emulated scale package ${n}"
                       UNITS ${units})
    emuhost_package_library(emuscale_${n} NAME dclscale${n} BUILD ${EMUHOST_SCALE_BUILD} DIR ${scale_dir}
                            RC ${rc} DEF ${CMAKE_CURRENT_SOURCE_DIR}/design/ScalePackage.def
                            OBJECTS emuscale_objects EXCLUDE_FROM_ALL)
    # Entered at DllMain with no C runtime start-up, as the host compiler's
    # packages are.
    target_link_options(emuscale_${n} PRIVATE -nostartfiles -Wl,--entry,_DllMain@12)
    add_dependencies(emuide_scale_${EMUHOST_SCALE_BUILD} emuscale_${n})
endforeach()
