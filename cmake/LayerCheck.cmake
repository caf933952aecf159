# Fails when a source file includes a header of a folder above its own.
# Run as a test: cmake -DROOT=<source folder> -P cmake/LayerCheck.cmake
#
# Folders from the bottom up; a file may include its own folder's headers and
# those of any folder on its level or below. The logic subsystems share one
# level, and so do their windows (the ui/ folders). platform/qt holds the Qt
# faces of the platform interfaces and counts as platform. sim and bench may
# use everything below app. A header without a folder (generated Version.h,
# a neighbour in the same folder) is not an edge.
set(VORAN_LAYERS
    "number=0"
    "platform=1" "platform/qt=1"
    "link=2"
    "data=3" "timing=3" "program=3" "history=3"
    "widgets=4"
    "window=5"
    "data/ui=6" "timing/ui=6" "program/ui=6" "link/ui=6" "shell/ui=6" "history/ui=6"
    "shell=7"
    "app=8" "app/cli=8"
    "sim=7" "sim/app=7" "bench=7")

function(layer_of folder out)
    set(level "")
    foreach(entry ${VORAN_LAYERS})
        string(REPLACE "=" ";" pair "${entry}")
        list(GET pair 0 name)
        list(GET pair 1 value)
        if(folder STREQUAL name)
            set(level ${value})
        endif()
    endforeach()
    set(${out} "${level}" PARENT_SCOPE)
endfunction()

if(NOT ROOT)
    message(FATAL_ERROR "LayerCheck: ROOT (the source folder) not given")
endif()
file(GLOB_RECURSE files RELATIVE "${ROOT}"
    "${ROOT}/src/*.h" "${ROOT}/src/*.cpp" "${ROOT}/sim/*.h" "${ROOT}/sim/*.cpp"
    "${ROOT}/bench/*.h" "${ROOT}/bench/*.cpp")
set(faults "")
set(edges 0)
foreach(file ${files})
    get_filename_component(dir "${file}" DIRECTORY)
    string(REGEX REPLACE "^src/" "" from "${dir}")
    layer_of("${from}" fromLevel)
    if(fromLevel STREQUAL "")
        list(APPEND faults "${file}: folder ${from} has no place in the layer table")
        continue()
    endif()
    file(STRINGS "${ROOT}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
        get_filename_component(to "${header}" DIRECTORY)
        if(to STREQUAL "" OR to STREQUAL from)
            continue()
        endif()
        layer_of("${to}" toLevel)
        if(toLevel STREQUAL "")
            list(APPEND faults "${file}: includes ${header} from a folder outside the layer table")
            continue()
        endif()
        math(EXPR edges "${edges} + 1")
        if(toLevel GREATER fromLevel)
            list(APPEND faults "${file}: ${from} includes ${header}, a layer above it")
        endif()
    endforeach()
endforeach()
if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Upward includes:\n${text}")
endif()
message(STATUS "Layers: ${edges} includes across folders, none upward")
