# Install rules and the Debian package (CPack DEB).
#
#   cmake --install <build> [--prefix /usr]        install
#   cpack --config <build>/CPackConfig.cmake -G DEB build quillbox_<version>_<arch>.deb
#
# The package's version is PROJECT_VERSION, the same value the program prints with --version
# (QB_VERSION). The keyboard helper libqbhook.so is private to Quillbox: it goes to
# <libdir>/<multiarch>/quillbox and the program finds it through an $ORIGIN-relative RUNPATH, so an install
# under any prefix or DESTDIR runs without LD_LIBRARY_PATH.
include(GNUInstallDirs)

set(QB_APP_ID io.github.quillbox.Quillbox)
# The release date of PROJECT_VERSION (AppStream release, manual page, package changelog).
set(QB_RELEASE_DATE 2026-12-06)
set(QB_RELEASE_DATE_RFC2822 "Sun, 06 Dec 2026 12:00:00 +0000")
set(QB_PACKAGE_MAINTAINER "Quillbox developers <dev@quillbox.invalid>" CACHE STRING
    "Maintainer of the Debian package (name <address>)")

# Private libraries go to /usr/lib/<multiarch>/quillbox on Debian (GNUInstallDirs names the
# multiarch folder only for the prefix /usr; the package is always made for /usr).
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT CMAKE_INSTALL_LIBDIR MATCHES "/${CMAKE_LIBRARY_ARCHITECTURE}$")
  set(QB_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${CMAKE_LIBRARY_ARCHITECTURE}/quillbox)
else()
  set(QB_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quillbox)
endif()
set(QB_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillbox)
set(qb_pkg_dir ${CMAKE_SOURCE_DIR}/packaging)
set(qb_pkg_out ${CMAKE_BINARY_DIR}/packaging)

set(qb_dir_permissions OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${qb_dir_permissions})

# --- the program, its keyboard helper and the launcher ---------------------------------------------
file(RELATIVE_PATH qb_bin_to_lib /${CMAKE_INSTALL_BINDIR} /${QB_PRIVATE_LIBDIR})
set_target_properties(quillbox PROPERTIES INSTALL_RPATH "$ORIGIN/${qb_bin_to_lib}")
install(TARGETS quillbox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qbhook LIBRARY DESTINATION ${QB_PRIVATE_LIBDIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(PROGRAMS ${qb_pkg_dir}/quillbox-launch DESTINATION ${CMAKE_INSTALL_BINDIR})

# --- shared files: the help page (linked into the data folder by the launcher), autostart entry ----
install(FILES ${CMAKE_SOURCE_DIR}/res/qbhlp.html ${qb_pkg_dir}/quillbox-autostart.desktop
        DESTINATION ${QB_SHARE_DIR})

# --- desktop integration ---------------------------------------------------------------------------
install(FILES ${qb_pkg_dir}/${QB_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/128.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QB_APP_ID}.svg)
configure_file(${qb_pkg_dir}/${QB_APP_ID}.metainfo.xml.in ${qb_pkg_out}/${QB_APP_ID}.metainfo.xml @ONLY)
install(FILES ${qb_pkg_out}/${QB_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# --- manual page and package documents, compressed as Debian keeps them (gzip -9n) ------------------
configure_file(${qb_pkg_dir}/quillbox.1 ${qb_pkg_out}/quillbox.1 @ONLY)
configure_file(${qb_pkg_dir}/changelog.in ${qb_pkg_out}/changelog @ONLY)
find_program(QB_GZIP gzip REQUIRED)
set(qb_gzipped)
foreach(name quillbox.1 changelog)
  add_custom_command(OUTPUT ${qb_pkg_out}/${name}.gz
    COMMAND ${QB_GZIP} -9nc ${qb_pkg_out}/${name} > ${qb_pkg_out}/${name}.gz
    DEPENDS ${qb_pkg_out}/${name}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND qb_gzipped ${qb_pkg_out}/${name}.gz)
endforeach()
add_custom_target(qb_package_files ALL DEPENDS ${qb_gzipped})
# quillbox-launch is described on the same page.
file(CREATE_LINK quillbox.1.gz ${qb_pkg_out}/quillbox-launch.1.gz SYMBOLIC)
install(FILES ${qb_pkg_out}/quillbox.1.gz ${qb_pkg_out}/quillbox-launch.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${qb_pkg_dir}/copyright ${qb_pkg_out}/changelog.gz DESTINATION ${QB_DOC_DIR})

# --- the Debian package -----------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillbox developers")
set(CPACK_PACKAGE_CONTACT "${QB_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray utility: shortcuts, clipboard history, source library")
set(CPACK_PACKAGE_DESCRIPTION "Quillbox lives in the system tray of an X11 desktop and speeds up everyday
work with source code and text: abbreviations typed in any application expand
to their text with Ctrl+Alt+Space; what is copied is kept in a clipboard
history, pasted again with Ctrl+Shift+Insert; a source library catalogues
source files by language, category and description; environments start sets
of applications together with one double click.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${qb_dir_permissions})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QB_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the program and libqbhook.so link come from dpkg-shlibdeps (libqt6svg6 among them,
# which also brings Qt's SVG image and icon plugins); what is only loaded or run does not show
# there: Qt's platform plugins and xdg-open, which opens the help page, files and folders.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils")
include(CPack)
