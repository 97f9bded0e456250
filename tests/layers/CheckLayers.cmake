# Fails when a file includes a header from a folder its library may not use,
# or from a folder later in the order of cmake/Layers.cmake (so folders never
# include each other, however long the ring). Run with -DSOURCE_DIR=<tree>.
cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/cmake/Layers.cmake)

set(position 0)
foreach(folder ${vrel_folders})
    set(position_of_${folder} ${position})
    math(EXPR position "${position} + 1")
endforeach()

set(faults "")
set(checked 0)

# Checks the includes of every file under dir against the libraries allowed
# and, for a folder of src/, against the folders before it.
function(check_files dir allowed_libraries own_folder)
    file(GLOB files ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.cpp)
    foreach(path ${files})
        file(STRINGS ${path} lines REGEX "^#include \"[a-z-]+/[A-Za-z0-9_]+\\.h\"")
        foreach(line ${lines})
            string(REGEX REPLACE "^#include \"([a-z-]+)/.*" "\\1" target "${line}")
            if(NOT DEFINED vrel_library_of_${target})
                continue()
            endif()
            file(RELATIVE_PATH shown ${SOURCE_DIR} ${path})
            set(library ${vrel_library_of_${target}})
            if(NOT library IN_LIST allowed_libraries)
                list(APPEND faults "${shown} includes ${target}/ (${library}), which it may not use")
            elseif(own_folder AND position_of_${target} GREATER position_of_${own_folder})
                list(APPEND faults "${shown} includes ${target}/, a folder above ${own_folder}/")
            endif()
        endforeach()
        math(EXPR checked "${checked} + 1")
    endforeach()
    set(faults "${faults}" PARENT_SCOPE)
    set(checked ${checked} PARENT_SCOPE)
endfunction()

foreach(folder ${vrel_folders})
    set(library ${vrel_library_of_${folder}})
    check_files(src/${folder} "${vrel_uses_${library}}" ${folder})
endforeach()
check_files(tools/cli "${vrel_uses_tools_cli}" "")
check_files(tools/meter-sim "${vrel_uses_tools_meter-sim}" "")

# A folder under src/ that the table does not know feeds no library we can check.
file(GLOB folders LIST_DIRECTORIES true ${SOURCE_DIR}/src/*)
foreach(path ${folders})
    get_filename_component(name ${path} NAME)
    if(IS_DIRECTORY ${path} AND NOT name IN_LIST vrel_folders)
        list(APPEND faults "src/${name}/ is not in cmake/Layers.cmake")
    endif()
endforeach()

list(LENGTH faults count)
if(count GREATER 0)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "${count} include(s) against the layers:\n${text}")
endif()
message(STATUS "${checked} files, every include within the layers")
