@echo off
rem Starts qelscan. The jars and the native libraries are found relative to
rem this script: beside it, or in ..\share\java and ..\lib\jni. JAVA_HOME
rem chooses the Java runtime (else java on PATH; QELScanner.dll needs a 32-bit
rem one); QELSCAN_JAVA_OPTIONS adds options for the Java virtual machine (a
rem java.library.path there wins).
setlocal
set "here=%~dp0"
rem Without its trailing backslash, which would escape the closing quote.
set "here=%here:~0,-1%"

set "jar=%here%\qelscan.jar"
if exist "%jar%" goto jar_found
set "jar=%here%\..\share\java\qelscan.jar"
if exist "%jar%" goto jar_found
echo qelscan: qelscan.jar is neither in "%here%" nor in "%here%\..\share\java" 1>&2
exit /b 3
:jar_found

rem Java takes the bridge from the first of these folders that holds it, and
rem QelScanApi loads MIRBAP32.dll from the same folder first.
set "libraries=%here%"
if exist "%here%\..\lib\jni\" set "libraries=%here%;%here%\..\lib\jni"

set "java=java"
if defined JAVA_HOME if exist "%JAVA_HOME%\bin\java.exe" set "java=%JAVA_HOME%\bin\java.exe"

"%java%" "-Djava.library.path=%libraries%" %QELSCAN_JAVA_OPTIONS% -jar "%jar%" %*
exit /b %ERRORLEVEL%
