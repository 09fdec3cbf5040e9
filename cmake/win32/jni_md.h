/* The machine-dependent JNI types of a 32-bit Windows JDK, which Debian's
 * JDK packages do not ship. This folder comes before the JDK's include
 * folder, so jni.h picks this file up. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

/* Empty on purpose: the DLL's module-definition file alone decides what is
 * exported and under which name. dllexport would add a second, undecorated
 * alias of every method to the export table. */
#define JNIEXPORT
#define JNIIMPORT
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
