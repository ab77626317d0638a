# Installing like a desktop program (cmake --install, GNU folders below the prefix):
#   libexec/zensoria/zensoria      the program, with Pultex.hlp beside it, where it looks
#   libexec/zensoria/Pultex.hlp    for its help file
#   bin/zensoria                   a relative link to the program
#   share/applications/zensoria.desktop
#   share/icons/hicolor/<n>x<n>/apps/zensoria.png, share/icons/hicolor/scalable/apps/zensoria.svg
#   share/man/man1/zensoria.1.gz   the manual page (German)
#   share/doc/zensoria/copyright, share/doc/zensoria/changelog.gz
# and a Debian package of the same files (cpack -G DEB, prefix /usr) with a stripped program,
# which lintian accepts (scripts/package.sh).
include(GNUInstallDirs)

set(program_dir ${CMAKE_INSTALL_LIBEXECDIR}/zensoria)
install(TARGETS zensoria RUNTIME DESTINATION ${program_dir})
install(FILES ${PROJECT_SOURCE_DIR}/resources/Pultex.hlp DESTINATION ${program_dir})

file(RELATIVE_PATH link_target /${CMAKE_INSTALL_BINDIR} /${program_dir}/zensoria)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/link)
file(CREATE_LINK ${link_target} ${PROJECT_BINARY_DIR}/link/zensoria SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/link/zensoria DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${ZENSORIA_DESKTOP_DIR}/applications/zensoria.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${ZENSORIA_DESKTOP_DIR}/icons DESTINATION ${CMAKE_INSTALL_DATADIR})

# The manual page and the changelog compressed as Debian wants them: gzip at its best, without
# a name or time stamp, so that the same text gives the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
foreach(text zensoria.1 changelog)
    add_custom_command(
        OUTPUT ${packaging_dir}/${text}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_dir}
        COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/packaging/${text} > ${packaging_dir}/${text}.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${text}
        VERBATIM)
endforeach()
add_custom_target(zensoria_packaging_files ALL
    DEPENDS ${packaging_dir}/zensoria.1.gz ${packaging_dir}/changelog.gz)
install(FILES ${packaging_dir}/zensoria.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${packaging_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zensoria)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zensoria)
# All four parts of the version; CPack would take only the first three.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Erika Mustermann")
set(CPACK_PACKAGE_CONTACT "Erika Mustermann <zensoria@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.example.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Notenspiegel der Klassenarbeiten, Fach für Fach")
# Lines of at most 80 characters, as Debian's description rules ask.
set(CPACK_PACKAGE_DESCRIPTION "Zensoria hält für jedes Schulfach die Notenverteilungen der \
Klassenarbeiten\nund die eigene Note fest, berechnet Durchschnitte und eine Rangliste der \
Fächer\nund druckt die Arbeiten eines Fachs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The program without its debug symbols.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# The libraries the program links come from dpkg-shlibdeps; the rest is what it needs beside
# them: the font its pictures and printouts use, and Qt's German texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, hicolor-icon-theme")
include(CPack)
