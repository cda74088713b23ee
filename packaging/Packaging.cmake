# cmake --install puts the program, its manual pages, menu entry, AppStream metadata and icon in
# the standard places; cpack -G DEB makes a Debian package of them.
include(GNUInstallDirs)

set(TENSIOVA_ID org.tensiova.Tensiova)
set(TENSIOVA_MAINTAINER "Tensiova <tensiova@users.noreply.invalid>")
set(TENSIOVA_RELEASE_DATE "Sun, 06 Dec 2026 12:00:00 +0000")
set(packaging ${CMAKE_CURRENT_LIST_DIR})
set(generated ${CMAKE_BINARY_DIR}/packaging)

# Debian wants the manual pages and the changelog compressed, without a time stamp in them.
find_program(GZIP gzip REQUIRED)
function(tensiova_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${GZIP} -9nc ${source} > ${output}
        DEPENDS ${source} VERBATIM)
    set(TENSIOVA_GZIPPED ${TENSIOVA_GZIPPED} ${output} PARENT_SCOPE)
endfunction()

configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
tensiova_gzip(${generated}/changelog ${generated}/changelog.gz)
foreach(page tensiova tensiova-devsim)
    tensiova_gzip(${CMAKE_SOURCE_DIR}/man/${page}.1 ${generated}/${page}.1.gz)
    tensiova_gzip(${CMAKE_SOURCE_DIR}/man/fr/${page}.1 ${generated}/fr/${page}.1.gz)
endforeach()
file(MAKE_DIRECTORY ${generated}/fr)
add_custom_target(tensiova_packaging_files ALL DEPENDS ${TENSIOVA_GZIPPED})

install(TARGETS tensiova tensiova-devsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/${TENSIOVA_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/${TENSIOVA_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/${TENSIOVA_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/tensiova.1.gz ${generated}/tensiova-devsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/fr/tensiova.1.gz ${generated}/fr/tensiova-devsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/fr/man1)
install(FILES ${packaging}/copyright ${generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tensiova)
# The shared history's tables, for the administrator of the workshop's server.
install(FILES ${CMAKE_SOURCE_DIR}/src/sharedhistory/historique-postgresql.sql
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tensiova)

set(CPACK_PACKAGE_NAME tensiova)
set(CPACK_PACKAGE_VENDOR "Tensiova")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TENSIOVA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programming station of a voltage-monitoring device")
set(CPACK_PACKAGE_DESCRIPTION "\
Tensiova sets up a voltage-monitoring device on a serial port. The device
watches eight analogue and eight logic inputs; for each channel the
technician sets the thresholds, the coefficient, the state to watch and the
alarm action, and sends them to the device in one 52-byte message at 4800
baud. The device's answers are shown as they arrive.

Set-ups are kept in INI files (param.ini and files of the user's own) that
the original Windows program reads and writes too. The package also holds
tensiova-devsim, a simulated device on a pseudo-terminal, to try the program
without hardware. The interface is in French.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library dependency names them: the window system's plugin, the
# French texts of Qt's dialogs and the font the window is drawn with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
