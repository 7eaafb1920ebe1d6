# qvestra_export_headers(<library> [FOLDER <folder>])
# A library's headers are included by their folder's name, as in
# "net/socket.h". Its public include directory, in the build tree, holds a
# single link of that name to the folder (the current source folder unless
# FOLDER names another), so a target finds a library's headers only when it
# links that library, and a layer that includes one above it fails to build.
# Two libraries of one folder may both export it.
function(qvestra_export_headers library)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "FOLDER" "")
    if(NOT ARG_FOLDER)
        set(ARG_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    cmake_path(GET ARG_FOLDER FILENAME name)
    set(exports ${CMAKE_BINARY_DIR}/exports/${library})
    file(MAKE_DIRECTORY ${exports})
    file(CREATE_LINK ${ARG_FOLDER} ${exports}/${name} SYMBOLIC)
    get_target_property(type ${library} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${library} INTERFACE ${exports})
    else()
        target_include_directories(${library} PUBLIC ${exports})
    endif()
endfunction()
