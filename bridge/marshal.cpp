#include "bridge/marshal.h"

#include <cstring>

#include "bridge/file_name.h"
#include "bridge/library_text.h"

namespace qel {

namespace {

// The characters of a string, in the form the library takes them.
FileNameResult CopyCharacters(const char *characters, Text &copy,
                              StringUse use) noexcept {
  if (use == StringUse::kFileName) {
#if defined(_WIN32)
    return EncodeFileName(characters, copy, AnsiCodePageEncoder);
#else
    return EncodeFileName(characters, copy, StandardUtf8Encoder);
#endif
  }
  if (std::strlen(characters) >= kTextSize) {
    return FileNameResult::kTooLong;
  }
  CopyText(copy, characters);
  return FileNameResult::kOk;
}

} // namespace

bool CopyStringArgument(JNIEnv *env, jstring value, Text &copy,
                        const char *name, const char *fetchMessage,
                        LogLine logFetch, StringUse use) noexcept {
  if (value == nullptr) {
    logFetch(fetchMessage);
    return false;
  }
  const char *characters = env->GetStringUTFChars(value, nullptr);
  if (characters == nullptr) {
    logFetch(fetchMessage);
    return false;
  }
  const FileNameResult copied = CopyCharacters(characters, copy, use);
  env->ReleaseStringUTFChars(value, characters);
  if (copied == FileNameResult::kUnrepresentable) {
    logFetch(fetchMessage);
    return false;
  }
  if (copied == FileNameResult::kTooLong) {
    Text message;
    FormatText(message, "%s is longer than %d bytes error", name,
               static_cast<int>(kTextSize - 1));
    LogError(message);
    return false;
  }
  return true;
}

bool CopyTracedString(JNIEnv *env, jstring value, Text &copy, const char *name,
                      const char *fetchMessage, const char *traceFormat,
                      StringUse use) noexcept {
  if (!CopyStringArgument(env, value, copy, name, fetchMessage, LogError,
                          use)) {
    return false;
  }
  LogInfoFormatted(traceFormat, copy);
  return true;
}

bool CopyRequiredString(JNIEnv *env, jstring value, Text &copy,
                        const char *name, const char *nullMessage,
                        LogLine logNull, const char *fetchMessage,
                        LogLine logFetch, StringUse use) noexcept {
  if (value == nullptr) {
    logNull(nullMessage);
    return false;
  }
  return CopyStringArgument(env, value, copy, name, fetchMessage, logFetch,
                            use);
}

Presence CopyOptionalString(JNIEnv *env, jstring value, Text &copy,
                            const char *name, const char *fetchMessage,
                            const char *absentNotice, StringUse use) noexcept {
  copy[0] = '\0';
  if (value == nullptr) {
    LogInfo(absentNotice);
    return Presence::kAbsent;
  }
  return CopyStringArgument(env, value, copy, name, fetchMessage, LogError, use)
             ? Presence::kCopied
             : Presence::kFailed;
}

bool CheckLength(JNIEnv *env, jarray array, jsize minimum,
                 const char *message) noexcept {
  if (array == nullptr || env->GetArrayLength(array) < minimum) {
    LogError(message);
    return false;
  }
  return true;
}

bool CheckOutputSlot(JNIEnv *env, jobjectArray array, const char *lengthMessage,
                     const char *fetchMessage) noexcept {
  if (lengthMessage != nullptr && !CheckLength(env, array, 1, lengthMessage)) {
    return false;
  }
  if (array == nullptr) {
    LogError(fetchMessage);
    return false;
  }
  // Only tested, never used: the reference goes back at once.
  const LocalRef element(env, env->GetObjectArrayElement(array, 0));
  if (element.get() == nullptr) {
    LogError(fetchMessage);
    return false;
  }
  return true;
}

jstring NewLibraryString(JNIEnv *env, const char *text, bool &cut) noexcept {
  JavaText buffer;
  return env->NewStringUTF(ToModifiedUtf8(text, buffer, cut));
}

bool PutString(JNIEnv *env, jobjectArray array, const char *text,
               const char *failMessage) noexcept {
  bool cut = false; // never: 255 bytes always fit
  const LocalRef string(env, NewLibraryString(env, text, cut));
  if (string.get() == nullptr) {
    LogError(failMessage);
    return false;
  }
  env->SetObjectArrayElement(array, 0, string.get());
  return true;
}

bool PinnedImage::PinIfGiven(JNIEnv *env, jbyteArray imageArray,
                             jintArray lengthArray,
                             const ImageBufferTexts &texts,
                             const char *absentNotice) noexcept {
  if (imageArray == nullptr) {
    LogInfo(absentNotice);
    return true;
  }
  if (!image_.Pin(imageArray, texts.pinMessage)) {
    return false;
  }
  if (env->GetArrayLength(imageArray) < kMinimumImageBytes) {
    Text message;
    FormatText(message, texts.sizeFormat, static_cast<int>(kMinimumImageBytes));
    LogError(message);
    if (texts.sizeToBothLogs) {
      LogInfo(message);
    }
    return false;
  }
  wanted_ = CheckLength(env, lengthArray, 1, texts.lengthMessage) &&
            length_.Pin(lengthArray, texts.lengthPinMessage);
  return wanted_;
}

} // namespace qel
