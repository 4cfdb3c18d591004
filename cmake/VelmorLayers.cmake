# The layers of the tree and what each may see.
#
# Code written for the phone (the framework, the services, the application)
# sees the platform's interface headers, <windows.h> and its companions, and
# the folders of its own layer and of the layers below it; never the
# platform's internals. A layer's folder is reached through a folder of the
# build tree that holds nothing but a link to it, so "ovfc/core/ov_wnd.h"
# resolves there while "platform/kernel/utf.h" does not. The platform sees
# its own folder; tests and tools see the whole tree.

# <windows.h> and its companions: the phone's programming interface.
add_library(platform_headers INTERFACE)
target_include_directories(platform_headers INTERFACE ${PROJECT_SOURCE_DIR}/platform/include)

set(VELMOR_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include-roots)

# velmor_layer_includes(TARGET SCOPE FOLDER): TARGET, and with PUBLIC or
# INTERFACE whatever links it, includes "FOLDER/..." from the source tree.
function(velmor_layer_includes target scope folder)
    if(NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${folder})
        message(FATAL_ERROR "velmor_layer_includes: no folder '${folder}' in the source tree")
    endif()
    set(root ${VELMOR_INCLUDE_ROOTS}/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} ${scope} ${root})
    target_link_libraries(${target} ${scope} platform_headers)
endfunction()

# velmor_write_library_graph(FILE): writes "from -> to" for every link
# between the project's own libraries and programs, as CMake resolves them
# (generator expressions such as $<LINK_ONLY:...> reduced to their target),
# for the test that keeps the layers free of cycles.
function(velmor_write_library_graph file)
    set(dirs ${PROJECT_SOURCE_DIR})
    set(targets "")
    while(dirs)
        list(POP_FRONT dirs dir)
        get_property(dir_targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        list(APPEND targets ${dir_targets})
        get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        list(APPEND dirs ${subdirs})
    endwhile()

    set(lines "")
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "UTILITY")
            continue()
        endif()
        set(links "")
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${target} LINK_LIBRARIES)
            if(direct)
                list(APPEND links ${direct})
            endif()
        endif()
        get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND links ${interface})
        endif()
        foreach(link IN LISTS links)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(link IN_LIST targets)
                list(APPEND lines "${target} -> ${link}")
            endif()
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES lines)
    list(JOIN lines "\n" text)
    file(WRITE ${file} "${text}\n")
endfunction()
