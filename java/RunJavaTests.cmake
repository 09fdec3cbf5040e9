# Runs the Java tests in a JVM that checks every JNI call of the bridge.
# HotSpot's -Xcheck:jni reports misuse as warnings and carries on, so the
# output is searched as well: a warning fails the run like a failed test.
#
# cmake -DJAVA=... -DJUNIT_CONSOLE=... -DAPI_JAR=... -DCAPTURE_JAR=...
#       -DTESTS_JAR=... -DTOOL_JAR=... -DLIBRARY_DIR=... -DLOG_DIR=...
#       -DEXAMPLE_DIR=... -DREADME=... [-DREPORTS_DIR=...] [-DEXCLUDE=...]
#       [-DSELECT=<class>] [-DPROPERTIES="-Dname=value ..."]
#       -P RunJavaTests.cmake
# EXAMPLE_DIR is the virtual scanner's example folder (its hopper file);
# TOOL_JAR is qelscan.jar, whose tests mostly run it in this JVM; README the
# README.md whose quick start the tests compile and run.

foreach(var JAVA JUNIT_CONSOLE API_JAR CAPTURE_JAR TESTS_JAR TOOL_JAR LIBRARY_DIR
    LOG_DIR EXAMPLE_DIR README)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunJavaTests.cmake needs -D${var}=...")
  endif()
endforeach()

if(CMAKE_HOST_WIN32)
  set(sep ";")
else()
  set(sep ":")
endif()

# SELECT: the one test class to run, instead of all; PROPERTIES: more
# system properties for the tests' JVM (-Dname=value ...).
set(classes --scan-class-path)
if(DEFINED SELECT)
  set(classes --select-class=${SELECT})
endif()
set(properties "")
if(DEFINED PROPERTIES)
  separate_arguments(properties UNIX_COMMAND "${PROPERTIES}")
endif()

# EXCLUDE: a pattern of test classes this run leaves out.
set(exclude "")
if(DEFINED EXCLUDE)
  set(exclude "--exclude-classname=${EXCLUDE}")
endif()

set(reports "")
if(DEFINED REPORTS_DIR)
  set(reports --reports-dir=${REPORTS_DIR})
endif()

# The tests switch the real log files on and off and read them back: the
# log folder is the machine's, so another build's Java tests running at the
# same time would write into them. Such runs wait for each other.
file(LOCK "${LOG_DIR}/.QelScannerDll_tests.lock" GUARD PROCESS TIMEOUT 7200)

execute_process(
  COMMAND ${JAVA} -Xcheck:jni
    -Djava.library.path=${LIBRARY_DIR}
    -Dqelscan.logdir=${LOG_DIR}
    -Dqelscan.example=${EXAMPLE_DIR}
    -Dqelscan.readme=${README}
    ${properties}
    -jar ${JUNIT_CONSOLE}
    --disable-banner --disable-ansi-colors --details=tree --fail-if-no-tests
    ${reports} ${exclude}
    --class-path "${API_JAR}${sep}${CAPTURE_JAR}${sep}${TESTS_JAR}${sep}${TOOL_JAR}"
    ${classes}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output
  ECHO_OUTPUT_VARIABLE
  ECHO_ERROR_VARIABLE)

string(REGEX MATCHALL "[^\n]*(WARNING|FATAL ERROR in native method)[^\n]*"
  jni_reports "${output}")
if(jni_reports)
  list(JOIN jni_reports "\n" jni_reports)
  message(FATAL_ERROR "The JVM reported JNI problems:\n${jni_reports}")
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The Java tests failed (launcher exit status ${result})")
endif()
