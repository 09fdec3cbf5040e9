// Declarations of the scanner library's entries, as the bridge calls them.
//
// On 32-bit Windows every entry is __stdcall and bound by ordinal through
// the import library made from entries.h; elsewhere they are plain C
// functions of libMIRBAP32.so.
#ifndef QELSCANNER_SCANNERLIB_MIRBAP32_H
#define QELSCANNER_SCANNERLIB_MIRBAP32_H

#include "entries.h"

#if defined(_WIN32)
#define MIRB_CALL __stdcall
#else
#define MIRB_CALL
#endif

// The library that defines the entries builds with MIRB_BUILDING_LIBRARY so
// that they are exported from it; everyone else imports them.
#if defined(MIRB_BUILDING_LIBRARY)
#if defined(_WIN32)
#define MIRB_API
#else
#define MIRB_API __attribute__((visibility("default")))
#endif
#else
#define MIRB_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define MIRB_DECLARE_ENTRY(ordinal, result, name, parameters, bytes)           \
  MIRB_API result MIRB_CALL name(QEL_PARAMETER_DECLARATIONS(parameters));
QEL_SCANNER_ENTRIES(MIRB_DECLARE_ENTRY)
#undef MIRB_DECLARE_ENTRY

#ifdef __cplusplus
}
#endif

#endif
