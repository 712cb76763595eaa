# zv_layer_headers(<target> <header>...)
#
# Makes exactly the given headers visible, at their usual "folder/Name.h"
# paths, to <target> and to whatever links it. Each target gets a header
# tree of its own under the build folder: symbolic links to the headers in
# the source tree, so an edit is seen at once. A layer therefore sees the
# headers of the layers on its link line and no others, and an include of
# a layer above it fails to compile ("No such file"), not merely to link.
#
# Code above the engine (the program, the tools, the tests) may add the
# source root itself to its include path; nothing below it may.
function(zv_layer_headers target)
    zv_headers_at(${target} ${PROJECT_SOURCE_DIR} ${ARGN})
endfunction()

# zv_headers_at(<target> <base> <header>...)
#
# zv_layer_headers with the paths taken relative to <base>: the headers of
# tests/support are seen as "support/Name.h".
function(zv_headers_at target base)
    set(root ${CMAKE_BINARY_DIR}/layer_headers/${target})
    file(REMOVE_RECURSE ${root})
    foreach(header ${ARGN})
        file(RELATIVE_PATH relative ${base} ${header})
        get_filename_component(folder ${root}/${relative} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC)
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# zv_program_library(<target> <name>...)
#
# A library of the program from the files <name>.cpp and <name>.h (either
# may be missing) of the current folder, with only its own headers visible
# through zv_layer_headers. Link the layers it uses with
# target_link_libraries; their headers come with them.
function(zv_program_library target)
    set(sources)
    set(headers)
    foreach(name ${ARGN})
        foreach(extension cpp h qrc)
            set(file ${CMAKE_CURRENT_SOURCE_DIR}/${name}.${extension})
            if(EXISTS ${file})
                list(APPEND sources ${file})
                if(extension STREQUAL "h")
                    list(APPEND headers ${file})
                endif()
            endif()
        endforeach()
    endforeach()
    add_library(${target} STATIC ${sources})
    zv_layer_headers(${target} ${headers})
endfunction()
