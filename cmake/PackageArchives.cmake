# Run by CPack on what it is about to package: the static libraries lose
# their debugging information (most of their size), never their symbols.
file(GLOB_RECURSE Archives "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.a")
find_program(KEYLOOM_STRIP NAMES strip REQUIRED)
foreach(Archive IN LISTS Archives)
  execute_process(COMMAND ${KEYLOOM_STRIP} --strip-debug --enable-deterministic-archives ${Archive}
                  RESULT_VARIABLE Code)
  if(NOT Code EQUAL 0)
    message(FATAL_ERROR "strip --strip-debug failed on ${Archive}")
  endif()
endforeach()
