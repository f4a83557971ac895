# Installation. Two layouts come from the same build:
#   component "system":  the usual Linux tree under the prefix, for
#                        `cmake --install` (DESTDIR honoured) and the .deb;
#   component "package": the flat package folder setup installs from, for
#                        the release archive (not installed by default).
# The build folder itself is laid out as a package folder too, so
# `build/zentrix-setup` installs what was just built.
include(GNUInstallDirs)

set(ZTX_HELP_SOURCE_DIR ${CMAKE_SOURCE_DIR}/config/help CACHE PATH "Folder of the HTML help pages")
set(ZTX_PROGRAMS zentrix)
foreach(program ztx zentrix-uninstall zentrix-listen)
  if(TARGET ${program})
    list(APPEND ZTX_PROGRAMS ${program})
  endif()
endforeach()

# ---- the build folder as a package folder ----------------------------------
add_custom_command(TARGET zentrix POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E create_symlink zentrix ${CMAKE_BINARY_DIR}/zentrix-setup)
foreach(doc ReadMe.TXT License.TXT Slogan.TXT)
  if(EXISTS ${CMAKE_SOURCE_DIR}/package/${doc})
    configure_file(${CMAKE_SOURCE_DIR}/package/${doc} ${CMAKE_BINARY_DIR}/${doc} COPYONLY)
    list(APPEND ZTX_PACKAGE_DOCS ${CMAKE_BINARY_DIR}/${doc})
  endif()
endforeach()
if(EXISTS ${ZTX_HELP_SOURCE_DIR})
  add_custom_target(ztx_help ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${ZTX_HELP_SOURCE_DIR} ${CMAKE_BINARY_DIR}/help)
endif()
# The preset displays (the standard displays, written by the ztx just built)
# and XScreenSaver's settings description, which offers them.
if(TARGET ztx)
  string(RANDOM LENGTH 8 ztx_salt)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/presets.stamp ${CMAKE_BINARY_DIR}/zentrix-xscreensaver.xml
    COMMAND ${CMAKE_COMMAND} -DZTX=$<TARGET_FILE:ztx> -DWORK=${CMAKE_BINARY_DIR}/presets-work
            -DOUT_DIR=${CMAKE_BINARY_DIR}/presets -DSALT=${ztx_salt}
            -DTEMPLATE=${CMAKE_SOURCE_DIR}/data/zentrix-xscreensaver.xml.in
            -DXML_OUT=${CMAKE_BINARY_DIR}/zentrix-xscreensaver.xml
            -P ${CMAKE_SOURCE_DIR}/cmake/make_presets.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/presets.stamp
    DEPENDS ztx ${CMAKE_SOURCE_DIR}/cmake/make_presets.cmake ${CMAKE_SOURCE_DIR}/cmake/xscreensaver_config.cmake
            ${CMAKE_SOURCE_DIR}/data/zentrix-xscreensaver.xml.in
    COMMENT "Writing the preset displays")
  add_custom_target(ztx_presets ALL DEPENDS ${CMAKE_BINARY_DIR}/presets.stamp)
endif()
# XScreenSaver looks for its hacks in its own folder: a link there to the
# launcher in bin (the launcher finds zentrix beside the file it links to).
file(RELATIVE_PATH ztx_hack_to_bin
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/xscreensaver ${CMAKE_INSTALL_FULL_BINDIR})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xscreensaver-hack)
file(CREATE_LINK ${ztx_hack_to_bin}/zentrix-xscreensaver
     ${CMAKE_BINARY_DIR}/xscreensaver-hack/zentrix-xscreensaver SYMBOLIC)

# ---- component "system" ----------------------------------------------------
set(ztx_share ${CMAKE_INSTALL_DATADIR}/zentrix)
install(TARGETS ${ZTX_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT system)
install(PROGRAMS shell/zentrix-xscreensaver DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT system)
install(FILES ${CMAKE_BINARY_DIR}/zentrix-setup DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT system)
install(FILES ${CMAKE_BINARY_DIR}/xscreensaver-hack/zentrix-xscreensaver
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver COMPONENT system)
if(TARGET ztx_rosette)
  install(TARGETS ztx_rosette LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/zentrix/PlugIns COMPONENT system)
endif()
install(DIRECTORY include/zentrix DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT system)
install(DIRECTORY ${CMAKE_BINARY_DIR}/presets DESTINATION ${ztx_share} COMPONENT system)
if(EXISTS ${ZTX_HELP_SOURCE_DIR})
  install(DIRECTORY ${ZTX_HELP_SOURCE_DIR}/ DESTINATION ${ztx_share}/help COMPONENT system)
endif()
install(FILES ${ZTX_PACKAGE_DOCS} DESTINATION ${ztx_share} COMPONENT system)
install(FILES man/zentrix.1 man/ztx.1 man/zentrix-xscreensaver.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT system)
install(FILES data/zentrix.desktop data/zentrix-display.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT system)
install(FILES data/zentrix-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME zentrix.xml COMPONENT system)
install(FILES ${CMAKE_BINARY_DIR}/zentrix-xscreensaver.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config COMPONENT system)

# ---- component "package": the release archive's package folder -------------
install(TARGETS ${ZTX_PROGRAMS} RUNTIME DESTINATION . COMPONENT package EXCLUDE_FROM_ALL)
install(PROGRAMS shell/zentrix-xscreensaver DESTINATION . COMPONENT package EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_BINARY_DIR}/zentrix-setup ${ZTX_PACKAGE_DOCS} DESTINATION . COMPONENT package EXCLUDE_FROM_ALL)
install(DIRECTORY ${CMAKE_BINARY_DIR}/presets DESTINATION . COMPONENT package EXCLUDE_FROM_ALL)
if(EXISTS ${ZTX_HELP_SOURCE_DIR})
  install(DIRECTORY ${ZTX_HELP_SOURCE_DIR}/ DESTINATION help COMPONENT package EXCLUDE_FROM_ALL)
endif()
if(TARGET ztx_rosette)
  install(TARGETS ztx_rosette LIBRARY DESTINATION PlugIns COMPONENT package EXCLUDE_FROM_ALL)
endif()
install(DIRECTORY include/zentrix DESTINATION include COMPONENT package EXCLUDE_FROM_ALL)

include(${CMAKE_CURRENT_LIST_DIR}/packaging.cmake)

if(ZTX_BUILD_TESTS)
  # `cmake --install` into a temporary prefix, then the installed programs run.
  find_program(ZTX_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(ZTX_XMLLINT xmllint)
  if(ZTX_DESKTOP_FILE_VALIDATE AND ZTX_XMLLINT)
    add_test(NAME install_tree COMMAND sh ${CMAKE_SOURCE_DIR}/tests/install/check_install.sh ${CMAKE_BINARY_DIR})
  endif()
  # The release archive and the .deb, installed into a private dpkg root and
  # removed again.
  find_program(ZTX_DPKG dpkg)
  if(ZTX_DPKG)
    add_test(NAME release_packages COMMAND sh ${CMAKE_SOURCE_DIR}/tests/install/check_packages.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(release_packages PROPERTIES TIMEOUT 300)
  endif()
endif()
