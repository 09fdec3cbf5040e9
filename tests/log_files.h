// The two diagnostic log files as a test sees them: switched on by
// creating them, read back entry by entry.
#ifndef QELSCANNER_TESTS_LOG_FILES_H
#define QELSCANNER_TESTS_LOG_FILES_H

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/log.h"

namespace qeltest {

struct LogEntry {
  std::string stamp; // "2016/01/27 20:31:52 007"
  std::string text;
};

class LogFiles {
public:
  // Starts with both files absent; the destructor removes them again.
  LogFiles() { Remove(); }
  ~LogFiles() { Remove(); }

  static std::filesystem::path Info() { return qel::InfoLogPath(); }
  static std::filesystem::path Error() { return qel::ErrorLogPath(); }

  void Enable(bool info, bool error) {
    Remove();
    if (info) {
      std::ofstream(Info()).flush();
    }
    if (error) {
      std::ofstream(Error()).flush();
    }
  }
  void EnableBoth() { Enable(true, true); }

  static void Remove() {
    std::error_code ignored;
    std::filesystem::remove_all(Info(), ignored);
    std::filesystem::remove_all(Error(), ignored);
  }

  static std::string Read(const std::filesystem::path &path) {
    // Text mode: the log is a text file, so on Windows its line breaks
    // are CR LF, and they read back as '\n' here.
    std::ifstream in(path);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }

  // Entries of a file that started empty: each one is a line break, a
  // 23-character stamp, a blank, "--->" and the text up to the next entry.
  static std::vector<LogEntry> Entries(const std::filesystem::path &path) {
    const std::string content = Read(path);
    std::vector<LogEntry> entries;
    const std::string marker = " --->";
    const auto startsEntry = [&](std::size_t lineBreak) {
      const std::size_t markerAt = lineBreak + 1 + 23;
      return markerAt + marker.size() <= content.size() &&
             content.compare(markerAt, marker.size(), marker) == 0;
    };
    std::size_t at = content.find('\n');
    while (at != std::string::npos) {
      const std::size_t textStart = at + 1 + 23 + marker.size();
      std::size_t next = content.find('\n', textStart);
      // A line break inside a text is followed by no stamp of its own.
      while (next != std::string::npos && !startsEntry(next)) {
        next = content.find('\n', next + 1);
      }
      LogEntry entry;
      entry.stamp = content.substr(at + 1, 23);
      entry.text = content.substr(textStart, next == std::string::npos
                                                 ? std::string::npos
                                                 : next - textStart);
      entries.push_back(entry);
      at = next;
    }
    return entries;
  }

  static std::vector<std::string> Texts(const std::filesystem::path &path) {
    std::vector<std::string> texts;
    for (const LogEntry &entry : Entries(path)) {
      texts.push_back(entry.text);
    }
    return texts;
  }
  static std::vector<std::string> InfoTexts() { return Texts(Info()); }
  static std::vector<std::string> ErrorTexts() { return Texts(Error()); }
};

} // namespace qeltest

#endif
