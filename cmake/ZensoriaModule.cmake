# zensoria_module(<name> SOURCES <file>... [PUBLIC <lib>...] [PRIVATE <lib>...])
# Builds the listed files of the current folder into the static library zensoria_<name>.
# PUBLIC: libraries whose headers this library's own headers include (users need them too);
# PRIVATE: libraries only its .cpp files use. Every folder included from another folder's
# files must be among them, so that the link lines show how the folders depend on each other.
function(zensoria_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    if(NOT ARG_SOURCES)
        message(FATAL_ERROR "zensoria_module(${name}): list the library's files after SOURCES")
    endif()
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "zensoria_module(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    add_library(zensoria_${name} STATIC ${ARG_SOURCES})
    target_include_directories(zensoria_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(zensoria_${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
    set_property(GLOBAL APPEND PROPERTY ZENSORIA_MODULES ${name})
endfunction()

# zensoria_test(<name> SOURCES <file>... LIBS <lib>... [GUI])
# One Qt Test program, registered with CTest; tests run without a display.
function(zensoria_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test zensoria_testsupport)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;LC_ALL=C.UTF-8"
        TIMEOUT 300)
endfunction()

# zensoria_folder_links_test(): registers the test "folder_links", which reads every file of
# every zensoria_module library and fails when one includes a header of another library
# that it does not link directly (PUBLIC or PRIVATE). Call it once, after all folders.
function(zensoria_folder_links_test)
    get_property(modules GLOBAL PROPERTY ZENSORIA_MODULES)
    set(manifest "")
    foreach(name ${modules})
        get_target_property(dir zensoria_${name} SOURCE_DIR)
        get_target_property(sources zensoria_${name} SOURCES)
        get_target_property(links zensoria_${name} LINK_LIBRARIES)
        set(files "")
        foreach(source ${sources})
            if(source MATCHES "\\.(cpp|h)$")
                file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${dir}/${source})
                list(APPEND files ${rel})
            endif()
        endforeach()
        string(APPEND manifest "set(files_zensoria_${name} \"${files}\")\n")
        string(APPEND manifest "set(links_zensoria_${name} \"${links}\")\n")
        string(APPEND manifest "list(APPEND modules zensoria_${name})\n")
    endforeach()
    file(WRITE ${CMAKE_BINARY_DIR}/folder_links_manifest.cmake "${manifest}")
    add_test(NAME folder_links
             COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR}
                     -DMANIFEST=${CMAKE_BINARY_DIR}/folder_links_manifest.cmake
                     -P ${PROJECT_SOURCE_DIR}/cmake/CheckFolderLinks.cmake)
endfunction()
