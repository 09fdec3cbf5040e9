# Every entry of scannerlib/entries.h is defined once in the virtual
# scanner's sources, and its body starts with "return Guarded(" (guard.h),
# so that no C++ exception leaves the library.
#
# cmake -DSOURCE_DIR=<virtualscanner> -DENTRIES=<scannerlib/entries.h>
#       [-DUNGUARD=<entry>] -P check_guards.cmake
#
# UNGUARD checks the check: that entry's guard is taken out of the text
# read, and the run passes only if exactly that entry is then reported.

foreach(var SOURCE_DIR ENTRIES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_guards.cmake needs -D${var}=...")
  endif()
endforeach()

file(READ "${ENTRIES}" entries_text)
string(REGEX MATCHALL "X\\([0-9]+, [^,]+, [A-Za-z0-9_]+," entry_lines
  "${entries_text}")
set(names "")
foreach(line IN LISTS entry_lines)
  string(REGEX REPLACE "^X\\([0-9]+, [^,]+, ([A-Za-z0-9_]+),$" "\\1" name
    "${line}")
  list(APPEND names "${name}")
endforeach()
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "no entries found in ${ENTRIES}")
endif()

file(GLOB sources "${SOURCE_DIR}/*.cpp")
set(text "")
foreach(source IN LISTS sources)
  file(READ "${source}" source_text)
  string(APPEND text "${source_text}")
endforeach()

# An entry's head up to the brace that opens its body.
set(head "MIRB_CALL[ \n]+NAME\\([^{;]*\\)[ \n]*{[ \n]*")
if(DEFINED UNGUARD)
  string(REPLACE "NAME" "${UNGUARD}" unguard_head "${head}")
  string(REGEX REPLACE "(${unguard_head}return )Guarded\\(" "\\1(" text
    "${text}")
endif()

set(unguarded "")
foreach(name IN LISTS names)
  string(REPLACE "NAME" "${name}" entry_head "${head}")
  string(REGEX MATCHALL "${entry_head}" definitions "${text}")
  string(REGEX MATCHALL "${entry_head}return Guarded\\(" guarded "${text}")
  list(LENGTH definitions defined)
  list(LENGTH guarded guards)
  if(NOT defined EQUAL 1 OR NOT guards EQUAL 1)
    list(APPEND unguarded "${name} (${defined} definitions, ${guards} guarded)")
  endif()
endforeach()

if(DEFINED UNGUARD)
  if(NOT unguarded MATCHES "^${UNGUARD} ")
    message(FATAL_ERROR "with ${UNGUARD}'s guard taken out the check found: "
      "'${unguarded}'")
  endif()
  list(LENGTH unguarded reported)
  if(NOT reported EQUAL 1)
    message(FATAL_ERROR "with ${UNGUARD}'s guard taken out the check found: "
      "'${unguarded}'")
  endif()
  message(STATUS "an entry without its guard is caught: ${unguarded}")
elseif(unguarded)
  list(JOIN unguarded "\n  " unguarded)
  message(FATAL_ERROR "Entries whose body does not start with "
    "\"return Guarded(\" (virtualscanner/guard.h):\n  ${unguarded}")
else()
  message(STATUS "all ${count} entries are guarded")
endif()
