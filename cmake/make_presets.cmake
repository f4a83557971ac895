# Makes the preset displays of a package: runs `ztx displays` in an empty,
# private settings tree, which writes the standard first-run displays, and
# copies them into OUT_DIR. Then writes XScreenSaver's settings description,
# which offers each preset.
#   cmake -DZTX=... -DWORK=... -DOUT_DIR=... -DTEMPLATE=... -DXML_OUT=... -P make_presets.cmake
file(REMOVE_RECURSE ${WORK} ${OUT_DIR})
file(MAKE_DIRECTORY ${WORK} ${OUT_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env HOME=${WORK} XDG_CONFIG_HOME=${WORK}/config XDG_DATA_HOME=${WORK}/data
          ZENTRIX_REGISTRY=${WORK}/registry.reg ZENTRIX_SOUNDLINK=/ztx-presets-${SALT}
          # A sanitizer build's leak report must not fail the build here;
          # the tests are where leaks are judged.
          ASAN_OPTIONS=detect_leaks=0
          ${ZTX} displays
  OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ztx displays failed (${status}): no preset displays")
endif()
file(GLOB made ${WORK}/data/zentrix/Settings/*.ZTX)
if(NOT made)
  message(FATAL_ERROR "ztx displays wrote no display")
endif()
file(COPY ${made} DESTINATION ${OUT_DIR})
file(REMOVE_RECURSE ${WORK})
set(PRESET_DIR ${OUT_DIR})
set(OUTPUT ${XML_OUT})
include(${CMAKE_CURRENT_LIST_DIR}/xscreensaver_config.cmake)
