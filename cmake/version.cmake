# The version of Quillon, from one source: the VERSION file at the top of the
# source tree, plus what git describe says where the tree is a git checkout.
#
#   VERSION "0.1.0", HEAD tagged v0.1.0, no local change   0.1.0
#   VERSION "0.1.0", 42 commits after v0.1.0 (or, with no    0.1.0+git42.g4961d09abc
#     such tag, 42 commits in all) at 4961d09abc...
#   the same with changes not committed                     0.1.0+git42.g4961d09abc.dirty
#
# A tree without git metadata (a copy made for packaging) takes its VERSION
# file as it stands, so a copy carries its checkout's version by writing it
# there. The four numbers of a Windows version resource are the three of the
# release and the commit count (0.1.0.42).
#
# Included, it defines quillon_version(<full-var> <numbers-var>). As a script:
#   cmake -DSOURCE_DIR=<tree> -P version.cmake                  prints the version
#   cmake -DSOURCE_DIR=<tree> -DHEADER=<file> -P version.cmake  writes the header
#     that src/version and the Windows resources read, only when it changes

function(quillon_version source_dir out_full out_numbers)
    file(STRINGS "${source_dir}/VERSION" stated LIMIT_COUNT 1)
    string(STRIP "${stated}" stated)
    if(NOT stated MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)(\\+[0-9A-Za-z.]+)?$")
        message(FATAL_ERROR "VERSION holds \"${stated}\", not MAJOR.MINOR.PATCH[+LOCAL]")
    endif()
    set(release "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    set(full "${stated}")

    # Only the tree's own metadata: a copy inside another checkout (a build
    # folder) must not take that checkout's history as its own.
    find_program(QUILLON_GIT git)
    if(EXISTS "${source_dir}/.git" AND QUILLON_GIT AND NOT stated MATCHES "\\+")
        set(git "${QUILLON_GIT}" -C "${source_dir}")
        execute_process(COMMAND ${git} rev-parse --short=10 HEAD
                        OUTPUT_VARIABLE hash RESULT_VARIABLE failed
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(NOT failed)
            execute_process(COMMAND ${git} describe --tags --exact-match --match "v${release}"
                            RESULT_VARIABLE untagged OUTPUT_QUIET ERROR_QUIET)
            execute_process(COMMAND ${git} rev-list --count "v${release}..HEAD"
                            OUTPUT_VARIABLE count RESULT_VARIABLE no_tag
                            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            if(no_tag)
                execute_process(COMMAND ${git} rev-list --count HEAD
                                OUTPUT_VARIABLE count OUTPUT_STRIP_TRAILING_WHITESPACE)
            endif()
            # The index is refreshed first, so a file merely touched is no change.
            execute_process(COMMAND ${git} update-index -q --refresh OUTPUT_QUIET ERROR_QUIET)
            execute_process(COMMAND ${git} diff-index --quiet HEAD --
                            RESULT_VARIABLE dirty OUTPUT_QUIET ERROR_QUIET)
            if(untagged OR dirty)
                set(full "${release}+git${count}.g${hash}")
                if(dirty)
                    string(APPEND full ".dirty")
                endif()
            endif()
        endif()
    endif()

    set(build 0)
    if(full MATCHES "\\+git([0-9]+)")
        set(build "${CMAKE_MATCH_1}")
        if(build GREATER 65535) # one 16-bit field in a Windows version resource
            set(build 65535)
        endif()
    endif()
    string(REPLACE "." "," numbers "${release}.${build}")
    set(${out_full} "${full}" PARENT_SCOPE)
    set(${out_numbers} "${numbers}" PARENT_SCOPE)
endfunction()

# The header: the version text and the resource's four numbers.
function(quillon_write_version_header source_dir header)
    quillon_version("${source_dir}" full numbers)
    string(REPLACE "," "." dotted "${numbers}")
    set(text "// Written by cmake/version.cmake from VERSION and git, never by hand.\n"
             "#pragma once\n"
             "#define QUILLON_VERSION \"${full}\"\n"
             "#define QUILLON_VERSION_DOTTED \"${dotted}\"\n"
             "#define QUILLON_VERSION_NUMBERS ${numbers}\n")
    string(CONCAT text ${text})
    set(old "")
    if(EXISTS "${header}")
        file(READ "${header}" old)
    endif()
    if(NOT old STREQUAL text) # unchanged: nothing rebuilds
        file(WRITE "${header}" "${text}")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    if(NOT SOURCE_DIR)
        get_filename_component(SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
    endif()
    if(HEADER)
        quillon_write_version_header("${SOURCE_DIR}" "${HEADER}")
    else()
        quillon_version("${SOURCE_DIR}" full numbers)
        execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${full}")
    endif()
endif()
