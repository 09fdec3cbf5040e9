// The text of a print job, which arrives as a Java byte[] rather than a
// String: copied into a terminated buffer, then traced as text and dumped.
#ifndef QELSCANNER_PRINTING_PRINT_TEXT_H
#define QELSCANNER_PRINTING_PRINT_TEXT_H

#include <jni.h>

#include <cstdint>

#include "bridge/log.h"

namespace qel {

// The messages and trace names of one kind of print text.
struct PrintTextNames {
  const char *nullMessage;    // the array is null (both logs)
  const char *pinMessage;     // its elements cannot be had (error log)
  const char *lengthTrace;    // "lengthPrintString = %d"
  const char *emptyMessage;   // no byte (both logs)
  const char *tooLongMessage; // more than 255 bytes (error log)
  const char *textTrace;      // "acPrintString = %s"
  const char *dumpLabel;      // "acPrintString:"
};

// Copies the bytes of `array` into `text` with a NUL behind them and gives
// the array back unchanged. False, with the message logged, when there is
// nothing to print or more than the buffer holds.
bool CopyPrintText(JNIEnv *env, jbyteArray array, Text &text, int &length,
                   const PrintTextNames &names) noexcept;

// The text as the library will see it (up to its first NUL), then every
// byte of it in the dump.
void TracePrintText(const Text &text, int length,
                    const PrintTextNames &names) noexcept;

// A font name, required: its null and fetch messages go to both logs.
bool CopyFont(JNIEnv *env, jstring font, Text &acFont) noexcept;

// The library takes the low 32 bits of a Java long.
inline int Low32(jlong value) noexcept {
  return static_cast<int>(static_cast<std::uint32_t>(value));
}

} // namespace qel

#endif
