#include "printing/print_text.h"

#include <cstring>

#include "bridge/marshal.h"

namespace qel {

bool CopyPrintText(JNIEnv *env, jbyteArray array, Text &text, int &length,
                   const PrintTextNames &names) noexcept {
  if (array == nullptr) {
    LogBoth(names.nullMessage);
    return false;
  }
  PinnedBytes pinned(env);
  if (!pinned.Pin(array, names.pinMessage)) {
    return false;
  }
  length = env->GetArrayLength(array);
  LogInfoFormatted(names.lengthTrace, length);
  if (length < 1) {
    LogBoth(names.emptyMessage);
    return false;
  }
  // A text cut to fit would print something the caller did not ask for.
  if (length >= static_cast<int>(kTextSize)) {
    LogError(names.tooLongMessage);
    return false;
  }
  std::memcpy(text, pinned.get(), static_cast<std::size_t>(length));
  text[length] = '\0';
  return true;
}

void TracePrintText(const Text &text, int length,
                    const PrintTextNames &names) noexcept {
  LogInfoFormatted(names.textTrace, text);
  LogHexDump(length, reinterpret_cast<const unsigned char *>(text),
             names.dumpLabel);
}

bool CopyFont(JNIEnv *env, jstring font, Text &acFont) noexcept {
  return CopyRequiredString(env, font, acFont, "Font",
                            "Font string is NULL error", LogBoth,
                            "Get Font error", LogBoth);
}

} // namespace qel
