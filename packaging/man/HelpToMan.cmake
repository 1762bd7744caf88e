# cmake [-DPROGRAM=P] -DTEMPLATE=T -DOUTPUT=O -DVERSION=V [-DWITH_COMMANDS=ON] -P HelpToMan.cmake
# Fills a man page template with the program's own --help text (@HELP@) and, with WITH_COMMANDS, each
# command's "--help" (@COMMANDS@), so the page cannot drift from what the program says.

# roff: a backslash is \e, a hyphen of an option \-, and a line may not start with a control dot.
function(to_roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(run_help out)
  # A sanitizer build must not fail the page over the leak check at exit.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
                          ${PROGRAM} ${ARGN} --help
                  OUTPUT_VARIABLE text RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed (${result}): ${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A program without --help (the desktop program) has its whole page in the template.
set(usage "")
if(PROGRAM)
  run_help(usage)
  to_roff("${usage}" HELP)
endif()

set(COMMANDS "")
if(WITH_COMMANDS)
  # The command names: the first word of each line of the "Commands:" block.
  string(REGEX MATCH "\nCommands:\n(  [^\n]+\n)+" block "${usage}")
  string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" names "${block}")
  if(NOT names)
    message(FATAL_ERROR "${PROGRAM} --help lists no commands")
  endif()
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    run_help(text ${name})
    to_roff("${text}" text)
    string(APPEND COMMANDS ".SS ${name}\n.nf\n${text}\n.fi\n")
  endforeach()
  string(REGEX REPLACE "\n$" "" COMMANDS "${COMMANDS}")
endif()

configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
