# Writes XScreenSaver's settings description for the Zentrix hack: one choice
# for each preset display found in PRESET_DIR, so that XScreenSaver's
# settings dialog can pick the display the hack shows.
#   cmake -DTEMPLATE=... -DPRESET_DIR=... -DOUTPUT=... -P xscreensaver_config.cmake
file(GLOB presets RELATIVE ${PRESET_DIR} ${PRESET_DIR}/*.ZTX)
list(SORT presets CASE INSENSITIVE)
set(ZTX_XSS_OPTIONS "")
set(index 0)
foreach(file ${presets})
  string(REGEX REPLACE "\\.ZTX$" "" name "${file}")
  # The hack's command line goes through the shell: quote the name for it,
  # then escape the result for XML.
  string(REPLACE "'" "'\\''" shell_name "${name}")
  set(arg "--display '${shell_name}'")
  foreach(text name arg)
    string(REPLACE "&" "&amp;" ${text} "${${text}}")
    string(REPLACE "<" "&lt;" ${text} "${${text}}")
    string(REPLACE ">" "&gt;" ${text} "${${text}}")
    string(REPLACE "\"" "&quot;" ${text} "${${text}}")
  endforeach()
  string(APPEND ZTX_XSS_OPTIONS "    <option id=\"preset${index}\" _label=\"${name}\" arg-set=\"${arg}\"/>\n")
  math(EXPR index "${index} + 1")
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
