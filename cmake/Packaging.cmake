# The Debian package: the three programs (installed by their own folders),
# the initial patch (src/library), and here the desktop entry, the icon, the
# MIME type for .syx files, the man pages and the help pages. Build it with
# scripts/package.sh; `cpack -G DEB` in any configured build tree does the same.
include(GNUInstallDirs)

set(VELMORA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

install(FILES ${VELMORA_PACKAGING_DIR}/velmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELMORA_PACKAGING_DIR}/velmora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${VELMORA_PACKAGING_DIR}/velmora-sysex.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME velmora.xml)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/help/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora/help FILES_MATCHING PATTERN "*.html")

# Man pages are installed compressed, as Debian keeps them.
set(VELMORA_MAN_PAGES velmora velmora-syx velmora-instrument)
set(VELMORA_MAN_OUTPUTS)
foreach(page ${VELMORA_MAN_PAGES})
    set(source ${VELMORA_PACKAGING_DIR}/man/${page}.1)
    set(output ${CMAKE_BINARY_DIR}/packaging/man/${page}.1.gz)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/man
                       COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/packaging/man/${page}.1
                       COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/man/${page}.1
                       DEPENDS ${source}
                       COMMENT "Compressing the man page ${page}.1"
                       VERBATIM)
    list(APPEND VELMORA_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(velmora_man_pages ALL DEPENDS ${VELMORA_MAN_OUTPUTS})
install(FILES ${VELMORA_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of at most 80 columns, as Debian's control files want them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Velmora edits every voice parameter of an Oberheim Matrix-1000 or Matrix-6"
       "over MIDI and keeps its patches, banks and splits in SysEx files."
       "."
       "The package also holds velmora-syx, a command-line tool that inspects,"
       "converts, backs up and restores patch and bank files, and"
       "velmora-instrument, a virtual instrument on JACK or ALSA MIDI ports for"
       "trying Velmora without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) works out the Qt, RtMidi, JACK and ALSA runtime
# packages from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SQLite driver of Qt's SQL module is a plugin, loaded at run time, which
# dpkg-shlibdeps cannot see: the patch library needs it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
