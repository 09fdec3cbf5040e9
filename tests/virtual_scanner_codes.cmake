# The virtual scanner's result codes carry the same names in
# virtual_scanner.h, its README, the top README and the capture library's
# meanings, which qelscan prints.
# cmake -DSOURCE_DIR=<the repository> -P virtual_scanner_codes.cmake

# <out>: the "code name" pairs of <file>, sorted; <pair> rearranges a match.
function(codes out file regex pair)
  file(READ "${SOURCE_DIR}/${file}" text)
  string(REGEX MATCHALL "${regex}" found "${text}")
  set(pairs "")
  foreach(item IN LISTS found)
    string(REGEX REPLACE "${regex}" "${pair}" item "${item}")
    list(APPEND pairs "${item}")
  endforeach()
  list(SORT pairs)
  set(${out} "${pairs}" PARENT_SCOPE)
endfunction()

codes(header virtualscanner/virtual_scanner.h
  "#define MIRB_VS_ERR_([A-Z_]+)[ \\\n]+\\((-[0-9]+)\\)" "\\2 \\1")
codes(library virtualscanner/README.md
  "\\| (-[0-9]+) \\| `MIRB_VS_ERR_([A-Z_]+)`" "\\1 \\2")
codes(top README.md "\\| (-[0-9]+) \\| `([A-Z_]+)`" "\\1 \\2")
codes(capture java/capture/QelScan/capture/VirtualScanner.java
  "result\\((-[0-9]+), \"([A-Z_]+)\"" "\\1 \\2")
foreach(list library top capture)
  if(NOT "${${list}}" STREQUAL "${header}")
    message(FATAL_ERROR "The codes differ:\n  virtual_scanner.h: ${header}\n"
      "  ${list}: ${${list}}")
  endif()
endforeach()
message(STATUS "${header}")
