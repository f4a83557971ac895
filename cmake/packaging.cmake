# CPack: `cpack -G TGZ` makes the release archive (the package folder of
# setup), `cpack -G DEB` the Debian package (the "system" layout under /usr).
set(CPACK_PACKAGE_NAME zentrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zentrix developers")
set(CPACK_PACKAGE_CONTACT "The Zentrix developers <zentrix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Animated, colour-cycling screen saver")
set(CPACK_PACKAGE_DESCRIPTION "Zentrix fills the screen with animated, colour-cycling abstract graphics
while the machine is idle. It comes with a configuration tool in which
displays are composed, tried out, saved and sequenced, a command-line tool,
and a hack for XScreenSaver.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/package/License.TXT)
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME zentrix)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Text and file-type entries work without these; the fonts draw the saver's
# text, xdg-utils opens help pages and folders from the menu entries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")

# Each generator takes its own layout.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackPerGenerator.cmake)
file(WRITE ${CMAKE_BINARY_DIR}/CPackPerGenerator.cmake "
if(CPACK_GENERATOR STREQUAL \"DEB\")
  set(CPACK_COMPONENTS_ALL system)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
else()
  set(CPACK_COMPONENTS_ALL package)
  # The archive unpacks into one folder named like the archive.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_FILE_NAME zentrix-\${CPACK_PACKAGE_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
")
include(CPack)
