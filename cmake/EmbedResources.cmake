# Writes a C++ source holding the files of a resource manifest as byte arrays.
# Script mode: cmake -DMANIFEST=... -DSOURCE_DIR=... -DOUTPUT=... -P EmbedResources.cmake
# Each manifest line reads "NAME file"; lines starting with '#' and blank lines are skipped.

file(STRINGS "${MANIFEST}" Lines)
set(Arrays "")
set(Entries "")
set(Index 0)
foreach(Line IN LISTS Lines)
  string(STRIP "${Line}" Line)
  if(Line STREQUAL "" OR Line MATCHES "^#")
    continue()
  endif()
  if(NOT Line MATCHES "^([A-Z0-9_]+)[ \t]+([^ \t]+)$")
    message(FATAL_ERROR "${MANIFEST}: not a resource line: ${Line}")
  endif()
  set(Name "${CMAKE_MATCH_1}")
  set(File "${SOURCE_DIR}/${CMAKE_MATCH_2}")
  file(READ "${File}" Hex HEX)
  string(LENGTH "${Hex}" HexLength)
  math(EXPR Size "${HexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," Bytes "${Hex}")
  string(REPEAT "0x..," 16 Group)
  string(REGEX REPLACE "(${Group})" "\\1\n    " Bytes "${Bytes}")
  string(APPEND Arrays "const unsigned char Resource${Index}[] = {\n    ${Bytes}0x00};\n")
  string(APPEND Entries "    {\"${Name}\", Resource${Index}, ${Size}},\n")
  math(EXPR Index "${Index} + 1")
endforeach()

file(WRITE "${OUTPUT}" "// Generated from ${MANIFEST}; do not edit.
#include \"design/resource_table.hpp\"

namespace keyloom::detail {

namespace {
${Arrays}}  // namespace

const TEmbeddedResource EmbeddedResources[] = {
${Entries}};
const std::size_t EmbeddedResourceCount = ${Index};

}  // namespace keyloom::detail
")
