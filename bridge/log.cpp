#include "bridge/log.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#include <windows.h>
#define QEL_PATH_SEPARATOR "\\"
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#define QEL_PATH_SEPARATOR "/"
#endif

#ifndef QELSCAN_LOG_DIR
#error "QELSCAN_LOG_DIR must name the log folder"
#endif

namespace qel {
namespace {

#if !defined(_WIN32)
LocalTime ToLocalTime(const timespec &reading) noexcept {
  std::tm local{};
  localtime_r(&reading.tv_sec, &local);
  return {local.tm_year + 1900,
          local.tm_mon + 1,
          local.tm_mday,
          local.tm_hour,
          local.tm_min,
          local.tm_sec,
          static_cast<int>(reading.tv_nsec / 1000000)};
}
#endif

constexpr char kInfoLogPath[] =
    QELSCAN_LOG_DIR QEL_PATH_SEPARATOR "QelScannerDll_Log.txt";
constexpr char kErrorLogPath[] =
    QELSCAN_LOG_DIR QEL_PATH_SEPARATOR "QelScannerDll_Err.txt";

// The line break goes before the entry; the precision keeps an over-long
// text to 255 characters.
#define QEL_LOG_ENTRY_FORMAT "\n%02i/%02i/%02i %02i:%02i:%02i %03i --->%.255s"
// Room for the stamp of any date the clock can give, the marker and a text.
constexpr std::size_t kLogEntrySize = 64 + kTextSize;

// One reading of the clock, taken before a line's existence tests. Turning
// it into the stamp's local time waits until a file is there to write to.
class Stamp {
public:
#if defined(_WIN32)
  Stamp() noexcept : local_(ReadLocalTime()) {}
  const LocalTime &Local() noexcept { return local_; }
#else
  Stamp() noexcept { clock_gettime(CLOCK_REALTIME, &reading_); }
  const LocalTime &Local() noexcept {
    if (!converted_) {
      local_ = ToLocalTime(reading_);
      converted_ = true;
    }
    return local_;
  }
#endif

private:
#if !defined(_WIN32)
  timespec reading_{};
  bool converted_ = false;
#endif
  LocalTime local_{};
};

#if !defined(_WIN32)
// The log folder may be one every local user can write to (/tmp), so what
// stands at a log file's name is trusted only when it is a regular file
// with one link that this process's effective user or root owns. A
// symbolic link (not followed: ELOOP), a FIFO (opened without waiting for
// a reader), a device, a folder, another user's file or a second name of
// a file (a hard link another user made to one of root's) counts as
// absent: -1, and the line is dropped as for a missing file.
int OpenOwnLogFile(const char *path) noexcept {
  const int file = open(path, O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY |
                                  O_NOFOLLOW | O_NONBLOCK);
  if (file < 0) {
    return -1;
  }
  struct stat status;
  if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_nlink != 1 ||
      (status.st_uid != geteuid() && status.st_uid != 0)) {
    close(file);
    return -1;
  }
  return file;
}
#endif

// Appends one entry to a file that passed its existence test, in a single
// write, so that writers in other threads and processes can neither tear it
// nor overwrite it. The file is never created: one deleted after the
// existence test stays deleted, and the line is lost.
void WriteEntry(const char *path, Stamp &time, const char *text) noexcept {
  char entry[kLogEntrySize];
  FormatLogEntry(entry, sizeof entry, time.Local(), text);
#if defined(_WIN32)
  char crlfEntry[2 * kLogEntrySize];
  const std::size_t length = ToCrLf(entry, crlfEntry, sizeof crlfEntry);
  // Shared for reading, writing and deleting: an operator can read the
  // file, another writer append, and tracing be switched off meanwhile.
  const HANDLE file =
      CreateFileA(path, FILE_APPEND_DATA,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return; // a line that cannot be written is dropped silently
  }
  DWORD written = 0;
  WriteFile(file, crlfEntry, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
#else
  const int file = OpenOwnLogFile(path);
  if (file < 0) {
    return; // a line that cannot be written is dropped silently
  }
  const std::size_t length = std::strlen(entry);
  ssize_t written;
  do {
    written = write(file, entry, length);
  } while (written < 0 && errno == EINTR);
  close(file);
#endif
}

void AppendEntry(const char *path, Stamp &time, const char *text) noexcept {
  if (FileExists(path)) {
    WriteEntry(path, time, text);
  }
}

} // namespace

LocalTime ReadLocalTime() noexcept {
  LocalTime now{};
#if defined(_WIN32)
  SYSTEMTIME st;
  GetLocalTime(&st);
  now = {st.wYear,   st.wMonth,  st.wDay,         st.wHour,
         st.wMinute, st.wSecond, st.wMilliseconds};
#else
  timespec reading{};
  clock_gettime(CLOCK_REALTIME, &reading);
  now = ToLocalTime(reading);
#endif
  return now;
}

const char *InfoLogPath() noexcept { return kInfoLogPath; }
const char *ErrorLogPath() noexcept { return kErrorLogPath; }

bool FileExists(const char *path) noexcept {
#if defined(_WIN32)
  struct _stat status;
  return _stat(path, &status) == 0;
#else
  struct stat status;
  return stat(path, &status) == 0;
#endif
}

void LogInfo(const char *text) noexcept {
  Stamp now;
  AppendEntry(kInfoLogPath, now, text);
}

void LogError(const char *text) noexcept {
  Stamp now;
  AppendEntry(kErrorLogPath, now, text);
}

void LogBoth(const char *text) noexcept {
  Stamp now;
  AppendEntry(kInfoLogPath, now, text);
  AppendEntry(kErrorLogPath, now, text);
}

namespace {

int FormatTextV(Text &buffer, const char *format,
                std::va_list values) noexcept {
  const int needed = std::vsnprintf(buffer, kTextSize, format, values);
  if (needed < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return needed < static_cast<int>(kTextSize) ? needed
                                              : static_cast<int>(kTextSize) - 1;
}

} // namespace

int FormatText(Text &buffer, const char *format, ...) noexcept {
  std::va_list values;
  va_start(values, format);
  const int written = FormatTextV(buffer, format, values);
  va_end(values);
  return written;
}

void LogInfoFormatted(const char *format, ...) noexcept {
  Stamp now;
  // The text is made only for a file that is there to take it.
  if (!FileExists(kInfoLogPath)) {
    return;
  }
  Text text;
  std::va_list values;
  va_start(values, format);
  FormatTextV(text, format, values);
  va_end(values);
  WriteEntry(kInfoLogPath, now, text);
}

void CopyText(Text &destination, const char *source) noexcept {
  std::size_t length = 0;
  if (source != nullptr) {
    while (length < kTextSize - 1 && source[length] != '\0') {
      ++length;
    }
    std::memcpy(destination, source, length);
  }
  destination[length] = '\0';
}

void LogHexDump(int length, const unsigned char *data,
                const char *label) noexcept {
  // Nothing is formatted for a file that is not there.
  if (!FileExists(kInfoLogPath)) {
    return;
  }
  LogInfoFormatted("    %s", label);
  constexpr int kGroup = 16;
  constexpr int kTextColumn = 34;
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int offset = 0; offset < length; offset += kGroup) {
    const int count = length - offset < kGroup ? length - offset : kGroup;
    char line[kTextColumn + kGroup + 1];
    std::memset(line, ' ', sizeof line - 1);
    line[sizeof line - 1] = '\0';
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      const unsigned char byte = data[offset + i];
      line[2 * i] = kDigits[byte >> 4];
      line[2 * i + 1] = kDigits[byte & 0x0F];
      line[kTextColumn + i] =
          byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
    }
    LogInfoFormatted("   %04X  %s", static_cast<unsigned>(offset), line);
    if (length - offset <= kGroup) {
      break; // no offset past the last group, whatever the length
    }
  }
}

std::size_t ToCrLf(const char *entry, char *out, std::size_t size) noexcept {
  std::size_t length = 0;
  for (; *entry != '\0'; ++entry) {
    const std::size_t needed = *entry == '\n' ? 2 : 1;
    if (length + needed >= size) {
      break;
    }
    if (*entry == '\n') {
      out[length++] = '\r';
    }
    out[length++] = *entry;
  }
  out[length] = '\0';
  return length;
}

int FormatLogEntry(char *out, std::size_t size, const LocalTime &time,
                   const char *text) noexcept {
  return std::snprintf(out, size, QEL_LOG_ENTRY_FORMAT, time.year, time.month,
                       time.day, time.hour, time.minute, time.second,
                       time.millisecond, text != nullptr ? text : "");
}

} // namespace qel
