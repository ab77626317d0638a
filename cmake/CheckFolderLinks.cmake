# cmake -DROOT=<source dir> -DMANIFEST=<file> -P CheckFolderLinks.cmake
# The manifest names each library's files and direct links. A file that includes a header
# owned by another library must belong to a library that links that one directly.
include(${MANIFEST})

foreach(module ${modules})
    foreach(file ${files_${module}})
        set(owner_of_${file} ${module})
    endforeach()
endforeach()

set(faults "")
foreach(module ${modules})
    foreach(file ${files_${module}})
        file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line ${lines})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
            set(owner "${owner_of_${header}}")
            if(owner AND NOT owner STREQUAL module)
                list(FIND links_${module} ${owner} found)
                if(found EQUAL -1)
                    string(APPEND faults "\n  ${file} includes ${header} of ${owner}, "
                                         "but ${module} does not link ${owner}")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Includes without a declared link:${faults}")
endif()
list(LENGTH modules count)
message(STATUS "${count} libraries: every include of another library is a declared link")
