# Installation and the Debian package: `cmake --install` puts the GUI,
# tarn-cli and tarn-controller-sim into bin/, their manual pages, tarn-cli's
# bash completion, the desktop entry, the icon and the licence texts into
# their places; `cpack -G DEB` in the build directory builds the .deb.
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

# Manual pages, written at build time from each program's --help by help2man.
# Without help2man (scripts/install-deps.sh --release installs it) the
# package has none; `make release` always has it.
find_program(TARN_HELP2MAN help2man)
if(NOT TARN_HELP2MAN)
  message(WARNING "help2man not found: the package gets no manual pages")
endif()
set(TARN_MAN_DIR "${PROJECT_BINARY_DIR}/man")
set(tarn_man_pages)
foreach(entry
    "tarn-user-app|configuration and service tool for the AC traction controller"
    "tarn-cli|command-line companion of Tarn User App"
    "tarn-controller-sim|simulated traction controller on a pseudo-terminal")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 program)
  list(GET entry 1 description)
  if(TARN_HELP2MAN AND TARGET ${program})
    set(page "${TARN_MAN_DIR}/${program}.1.gz")
    add_custom_command(OUTPUT "${page}"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${TARN_MAN_DIR}"
      COMMAND "${PROJECT_SOURCE_DIR}/packaging/man-page.sh" "$<TARGET_FILE:${program}>"
              "${description}" "${page}"
      DEPENDS ${program} "${PROJECT_SOURCE_DIR}/packaging/man-page.sh"
      COMMENT "Manual page ${program}(1)" VERBATIM)
    list(APPEND tarn_man_pages "${page}")
  endif()
endforeach()
add_custom_target(tarn-man-pages ALL DEPENDS ${tarn_man_pages})
install(FILES ${tarn_man_pages} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/tarn-cli.bash-completion"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" RENAME tarn-cli)

# /usr/share/doc/tarn-user-app: Debian's copyright file (our LICENSE), the
# third-party notices and a changelog entry for this version.
set(TARN_DOC_DIR "${PROJECT_BINARY_DIR}/doc")
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" tarn_license)
string(REGEX REPLACE "\n$" "" tarn_license "${tarn_license}")
string(REGEX REPLACE "\n\n" "\n.\n" tarn_license "${tarn_license}")
string(REGEX REPLACE "\n" "\n " tarn_license "${tarn_license}")
string(TIMESTAMP tarn_year "%Y" UTC)
string(CONCAT tarn_copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Tarn User App\n"
  "Comment: The libraries the programs use and their licences are in\n"
  " /usr/share/doc/tarn-user-app/THIRD-PARTY-NOTICES.\n\n"
  "Files: *\n"
  "Copyright: ${tarn_year} Tarn User App developers\n"
  "License: proprietary\n"
  " ${tarn_license}\n")
file(CONFIGURE OUTPUT "${TARN_DOC_DIR}/copyright" CONTENT "${tarn_copyright}")
# Written only when it changes (a new version or day), so the build does not
# compress it again every time.
string(TIMESTAMP tarn_changelog_date "%a, %d %b %Y 00:00:00 +0000" UTC)
file(CONFIGURE OUTPUT "${TARN_DOC_DIR}/changelog" CONTENT
  "tarn-user-app (${PROJECT_VERSION}) stable; urgency=medium\n\n  * Release ${PROJECT_VERSION}.\n\n -- Tarn User App developers <maintainers@tarn-user-app.invalid>  ${tarn_changelog_date}\n")
add_custom_command(OUTPUT "${TARN_DOC_DIR}/changelog.gz"
  COMMAND gzip -9nf -k "${TARN_DOC_DIR}/changelog"
  DEPENDS "${TARN_DOC_DIR}/changelog" VERBATIM)
add_custom_target(tarn-package-docs ALL DEPENDS "${TARN_DOC_DIR}/changelog.gz")
install(FILES "${TARN_DOC_DIR}/copyright" "${TARN_DOC_DIR}/changelog.gz"
              "${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/tarn-user-app")

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
# After installation the user is told about the dialout group.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/debian/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Service technicians connect a PC to the controller's RS-232 port: the tool
finds the port on which a controller answers, reads its parameters, shows
them on four pages, writes changed values back and shows live data.

The package holds the desktop program tarn-user-app (Qt 6), the
command-line companion tarn-cli for backups and scripts, and
tarn-controller-sim, a simulated controller on a pseudo-terminal.")
include(CPack)
