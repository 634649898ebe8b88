# Installation and the Debian package: `cmake --install` puts the GUI,
# tarn-cli and tarn-controller-sim into bin/, the desktop entry and the icon
# into their places; `cpack -G DEB` in the build directory builds the .deb.
include(GNUInstallDirs)

foreach(program tarn-user-app tarn-cli tarn-controller-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  endif()
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/packaging/tarn-user-app.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/resources/pictures/icon_148.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps"
        RENAME tarn-user-app.png)

set(CPACK_PACKAGE_NAME "tarn-user-app")
set(CPACK_PACKAGE_VENDOR "Tarn User App developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configuration and service tool for an electric vehicle's AC traction controller")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "tarn-user-app")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarn User App developers <maintainers@tarn-user-app.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
# Debian's own Qt 6 packages; the platform plugins and a font that covers the
# Cyrillic labels and the Chinese titles come with them. The service journal
# needs SQLite with RETURNING (3.35) and the PostgreSQL client library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), qt6-qpa-plugins, fonts-noto-cjk, libsqlite3-0 (>= 3.35), libpq5, libc6, libstdc++6")
include(CPack)
