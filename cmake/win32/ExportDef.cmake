# Writes the module-definition file of QELScanner.dll from the JNI methods
# the bridge's objects define, so a method is exported as soon as it is
# written. Each is exported under the decorated name a 32-bit virtual
# machine looks up, "_Java_..._<Method>@N" (ld would otherwise strip the
# leading underscore); with -DX64=ON under the plain name a 64-bit one looks
# up, "Java_..._<Method>".
#
#   cmake -DNM=<nm> -DOBJECT_LIST=<file of object paths> -DOUTPUT=<def> [-DX64=ON]
#         -P ExportDef.cmake
file(STRINGS "${OBJECT_LIST}" objects)
execute_process(COMMAND "${NM}" --defined-only ${objects}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed on the bridge objects")
endif()
if(X64)
  string(REGEX MATCHALL " T Java_QelScan_QelScanApi_[A-Za-z0-9_]+" methods "${symbols}")
  list(TRANSFORM methods REPLACE "^ T " "")
else()
  string(REGEX MATCHALL " T _Java_QelScan_QelScanApi_[A-Za-z0-9_]+@[0-9]+"
    methods "${symbols}")
  list(TRANSFORM methods REPLACE "^ T _" "")
endif()
list(REMOVE_DUPLICATES methods)
list(SORT methods)
if(NOT methods)
  message(FATAL_ERROR "the bridge objects define no JNI method")
endif()
set(text "LIBRARY \"QELScanner.dll\"\nEXPORTS\n")
foreach(method IN LISTS methods)
  if(X64)
    string(APPEND text "  ${method}\n")
  else()
    string(APPEND text "  _${method} = ${method}\n")
  endif()
endforeach()
file(WRITE "${OUTPUT}" "${text}")
