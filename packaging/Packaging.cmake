# cmake --install puts the program, its menu entry and its icon in the standard places;
# cpack -G DEB makes a Debian package of them.
include(GNUInstallDirs)

install(TARGETS tensiova tensiova-devsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tensiova.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tensiova.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME tensiova)
set(CPACK_PACKAGE_VENDOR "Tensiova")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Programming station of the voltage-monitoring device")
set(CPACK_PACKAGE_CONTACT "Tensiova <tensiova@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), \
libqt6svg6 (>= 6.4), qt6-qpa-plugins, qt6-translations-l10n, fonts-dejavu-extra, libc6, libstdc++6")
include(CPack)
