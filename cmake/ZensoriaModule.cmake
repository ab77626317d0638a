# zensoria_module(<name> [LIBS <lib>...])
# Builds every .cpp/.h of the current folder into the static library zensoria_<name>.
function(zensoria_module name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    add_library(zensoria_${name} STATIC ${sources})
    target_include_directories(zensoria_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(zensoria_${name} PUBLIC ${ARG_LIBS})
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
