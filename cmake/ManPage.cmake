# Makes a manual page from a program's own --help with help2man, so that the
# page says what the program says. With COMMANDS, each command's --help
# ("PROGRAM COMMAND --help", the commands as --help lists them) goes into a
# COMMANDS section of the same page.
# cmake -DHELP2MAN=... -DPROGRAM=... -DNAME=... -DOUTPUT=... [-DCOMMANDS=ON] [-DSEE_ALSO=...] -P ManPage.cmake

function(roff_lines Text Out)
  # Verbatim lines: a backslash is \e, a leading dot or quote would be a
  # request, and options are written with a minus sign, as man pages do.
  string(REPLACE "\\" "\\e" Text "${Text}")
  string(REPLACE "-" "\\-" Text "${Text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" Text "${Text}")
  set(${Out} "${Text}" PARENT_SCOPE)
endfunction()

set(Include "${OUTPUT}.include")
set(Sections "")
if(COMMANDS)
  execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE Help RESULT_VARIABLE Code)
  if(NOT Code EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed")
  endif()
  # CLI11 lists them under "Subcommands:", one a line, indented by two spaces.
  string(REGEX MATCH "\nSubcommands:\n(  [^\n]*\n)+" List "${Help}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" Names "${List}")
  if(NOT Names)
    message(FATAL_ERROR "${PROGRAM} --help lists no commands")
  endif()
  get_filename_component(Program ${PROGRAM} NAME)
  string(APPEND Sections "[COMMANDS]\nEach command has its own options; \\fB${Program} COMMAND \\-\\-help\\fR prints this text.\n")
  foreach(Name IN LISTS Names)
    string(STRIP "${Name}" Name)
    execute_process(COMMAND ${PROGRAM} ${Name} --help OUTPUT_VARIABLE CommandHelp RESULT_VARIABLE Code)
    if(NOT Code EQUAL 0)
      message(FATAL_ERROR "${PROGRAM} ${Name} --help failed")
    endif()
    roff_lines("${CommandHelp}" CommandHelp)
    string(APPEND Sections ".SS \"${Program} ${Name}\"\n.nf\n${CommandHelp}.fi\n")
  endforeach()
endif()
if(SEE_ALSO)
  string(APPEND Sections "[SEE ALSO]\n${SEE_ALSO}\n")
endif()
file(WRITE ${Include} "${Sections}")
execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr --name=${NAME} --include=${Include}
                        --output=${OUTPUT} ${PROGRAM}
                RESULT_VARIABLE Code)
if(NOT Code EQUAL 0)
  message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
