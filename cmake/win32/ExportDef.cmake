# Writes the module-definition file of QELScanner.dll from the JNI methods
# the bridge's objects define, so a method is exported as soon as it is
# written. Each is exported under the decorated name a 32-bit virtual
# machine looks up, "_Java_..._<Method>@N"; ld would otherwise strip the
# leading underscore.
#
#   cmake -DNM=<nm> -DOBJECT_LIST=<file of object paths> -DOUTPUT=<def> -P ExportDef.cmake
file(STRINGS "${OBJECT_LIST}" objects)
execute_process(COMMAND "${NM}" --defined-only ${objects}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed on the bridge objects")
endif()
string(REGEX MATCHALL " T _Java_QelScan_QelScanApi_[A-Za-z0-9_]+@[0-9]+"
  methods "${symbols}")
list(TRANSFORM methods REPLACE "^ T _" "")
list(REMOVE_DUPLICATES methods)
list(SORT methods)
if(NOT methods)
  message(FATAL_ERROR "the bridge objects define no JNI method")
endif()
set(text "LIBRARY \"QELScanner.dll\"\nEXPORTS\n")
foreach(method IN LISTS methods)
  string(APPEND text "  _${method} = ${method}\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
