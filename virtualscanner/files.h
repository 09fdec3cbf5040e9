// Whole-file reads and writes that never leave a file half-written.
#ifndef QELSCANNER_VIRTUALSCANNER_FILES_H
#define QELSCANNER_VIRTUALSCANNER_FILES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vs {

// A file opened for reading without waiting, and only when it is a
// regular file (on Windows a file on a disk): a FIFO, a pipe, a device or
// a folder does not open, so no read can wait for a writer or never end.
class InputFile {
public:
  explicit InputFile(const std::string &name);
  ~InputFile();
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;

  bool isOpen() const;
  // The file's size when it was opened.
  std::uint64_t size() const { return size_; }
  // Up to size bytes into data: their count, 0 at the end, -1 on an error.
  long Read(void *data, std::size_t size);

private:
  std::uint64_t size_ = 0;
#if defined(_WIN32)
  void *handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Reads a whole file: MIRB_VS_OK; MIRB_VS_ERR_FILE when it is missing, not
// a regular file or unreadable; MIRB_VS_ERR_TOO_LARGE when it holds more
// than limit bytes (a larger file is not read at all).
int ReadWholeFile(const std::string &name, std::vector<std::uint8_t> &bytes,
                  std::uint64_t limit);

// A file written whole or not at all. The bytes go to a new file beside
// the target (same folder, a name no other file has), which Commit()
// renames over the target; until then, and whenever anything fails, the
// target keeps its old content and the temporary file is removed. A
// target that exists must be writable; a device or pipe (no content to
// protect) is written directly, a pipe only while it has a reader.
class OutputFile {
public:
  explicit OutputFile(const std::string &name);
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  bool isOpen() const;
  bool Write(const void *data, std::size_t size);
  // Flushes the bytes to the disk and puts the file in place.
  bool Commit();

private:
  void Discard();

  std::string target_;
  std::string temporary_; // empty when writing the target directly
  bool failed_ = false;
#if defined(_WIN32)
  void *handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// All of bytes into name, through an OutputFile.
bool WriteWholeFile(const std::string &name,
                    const std::vector<std::uint8_t> &bytes);

// Copies any file's bytes: MIRB_VS_OK or MIRB_VS_ERR_FILE.
int CopyWholeFile(const std::string &from, const std::string &to);

} // namespace vs

#endif
