/* Control of the recording scanner double, in plain C.
 *
 * The double defines the 41 scanner-library entries and records every call.
 * Tests script it and read it back through these functions only: fixed-size
 * POD structs and C types, so that on 32-bit Windows the double can be its
 * own MIRBAP32.dll, driven across the DLL boundary by a test program linked
 * against another C++ runtime.
 *
 * Slots: the outputs of an entry are numbered per kind in parameter order,
 * from 0. Text slots are its `char *` buffers; int slots its `int *`,
 * `unsigned int *` and `unsigned char *` value outputs (the 32 status words
 * of QELScan are one slot); image slots its image buffers (for QELScan the
 * "MD:<address>" descriptors of its four names). An output that is not
 * scripted is left untouched; a scripted one is written at the full size
 * its contract gives (a text is padded with NULs to its buffer's size, the
 * status words are all 32 written), so a caller's buffer that is too small
 * shows up under the address sanitizer.
 *
 * Not thread-safe: the bridge runs on the caller's thread and so do the
 * tests.
 */
#ifndef QELSCANNER_TESTS_SUPPORT_RECORDING_SCANNER_API_H
#define QELSCANNER_TESTS_SUPPORT_RECORDING_SCANNER_API_H

#include <stdint.h>

#if defined(_WIN32) && !defined(QELREC_STATIC)
#if defined(MIRB_BUILDING_LIBRARY)
#define QELREC_API __declspec(dllexport)
#else
#define QELREC_API __declspec(dllimport)
#endif
#define QELREC_CALL __cdecl
#elif defined(_WIN32)
#define QELREC_API
#define QELREC_CALL __cdecl
#else
#define QELREC_API __attribute__((visibility("default")))
#define QELREC_CALL
#endif

#define QELREC_MAX_INTS 16       /* int arguments of one call */
#define QELREC_MAX_TEXTS 4       /* const char * arguments of one call */
#define QELREC_MAX_POINTERS 8    /* pointer arguments of one call */
#define QELREC_TEXT_SIZE 1024    /* recorded bytes of one text, NUL included */
#define QELREC_MAX_CALLS 512     /* calls kept between two resets */
#define QELREC_MAX_OUT_INTS 32   /* values of one int slot */
#define QELREC_IMAGE_MAX 1048576 /* bytes the bridge guarantees per image */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QelRecCall {
  int32_t ordinal;
  int32_t intCount;
  int32_t ints[QELREC_MAX_INTS]; /* int arguments, in parameter order */
  int32_t textCount;             /* const char * arguments, in order */
  int32_t textIsNull[QELREC_MAX_TEXTS];
  uint32_t textLength[QELREC_MAX_TEXTS]; /* strlen of the text passed */
  char texts[QELREC_MAX_TEXTS][QELREC_TEXT_SIZE]; /* cut to fit, NUL-ended */
  int32_t pointerCount; /* every pointer argument, texts included, in order */
  const void *pointers[QELREC_MAX_POINTERS];
} QelRecCall;

/* Forgets all calls, scripts and violations. */
QELREC_API void QELREC_CALL qelrec_reset(void);

QELREC_API int32_t QELREC_CALL qelrec_call_count(void);
/* 1 and *out filled when index < qelrec_call_count(), else 0. */
QELREC_API int32_t QELREC_CALL qelrec_get_call(int32_t index, QelRecCall *out);

/* The result of every call of `ordinal` (default 0). With a list, call n
 * gets results[n] and later calls the last one. Without a script,
 * QELGetMemoryImageLength (91) returns the number of bytes this double
 * wrote at that address in the last QELScan. */
QELREC_API int32_t QELREC_CALL qelrec_set_result(int32_t ordinal,
                                                 int32_t result);
QELREC_API int32_t QELREC_CALL qelrec_set_results(int32_t ordinal,
                                                  const int32_t *results,
                                                  int32_t count);

/* Scripted outputs; each returns 0, or -1 when the slot does not exist or
 * the value does not fit its contract (a text longer than its buffer less
 * the NUL, a value out of its type's range, more values or bytes than the
 * slot holds); a refusal is also recorded as a violation. A null `text`
 * unscripts the slot. */
QELREC_API int32_t QELREC_CALL qelrec_set_text(int32_t ordinal, int32_t slot,
                                               const char *text);
QELREC_API int32_t QELREC_CALL qelrec_set_ints(int32_t ordinal, int32_t slot,
                                               const int64_t *values,
                                               int32_t count);
QELREC_API int32_t QELREC_CALL qelrec_set_bytes(int32_t ordinal, int32_t slot,
                                                const unsigned char *bytes,
                                                uint32_t count);
/* What MIRBGetParamString returns: a copy of `text`, or NULL when
 * `isNull` (default: the empty text). */
QELREC_API void QELREC_CALL qelrec_set_param_string(const char *text,
                                                    int32_t isNull);

/* Buffer size (text slots), value count (int slots) or byte limit (image
 * slots) of a slot; 0 when it does not exist. kind: 0 text, 1 int, 2 image. */
QELREC_API int32_t QELREC_CALL qelrec_slot_capacity(int32_t ordinal,
                                                    int32_t kind, int32_t slot);

/* Contract breaches seen, by the caller of an entry (a null buffer where
 * the contract wants one) or by a script. */
QELREC_API int32_t QELREC_CALL qelrec_violation_count(void);
QELREC_API void QELREC_CALL qelrec_clear_violations(void);
/* Copies violation `index` into buffer (cut to size); 1, or 0 if none. */
QELREC_API int32_t QELREC_CALL qelrec_get_violation(int32_t index, char *buffer,
                                                    uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
