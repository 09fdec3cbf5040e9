// Whole-file reads, and writes through a temporary file renamed over the
// target, so a failure half-way (a full disk, a size limit, a crash) never
// leaves a caller's existing file cut short. Kept apart from the image
// code: windows.h and libjpeg's boolean do not mix.
#include "virtualscanner/files.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "virtualscanner/virtual_scanner.h"

namespace vs {

namespace {

constexpr std::size_t kChunk = 65536;
constexpr int kNameAttempts = 100;

std::atomic<unsigned> temporaryCounter{0};

// A name beside target that this process has not used: another process
// has another id, and a leftover of an earlier run is skipped because the
// file is created exclusively.
std::string TemporaryName(const std::string &target, unsigned long process) {
  return target + "." + std::to_string(process) + "-" +
         std::to_string(temporaryCounter.fetch_add(1)) + ".tmp";
}

} // namespace

#if defined(_WIN32)

InputFile::InputFile(const std::string &name) {
  // A pipe or a device (NUL, CON) could keep a read waiting: only files on
  // a disk are read. A folder does not open at all.
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  LARGE_INTEGER size;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
    CloseHandle(file);
    return;
  }
  handle_ = file;
  size_ = static_cast<std::uint64_t>(size.QuadPart);
}

InputFile::~InputFile() {
  if (handle_ != nullptr) {
    CloseHandle(handle_);
  }
}

bool InputFile::isOpen() const { return handle_ != nullptr; }

long InputFile::Read(void *data, std::size_t size) {
  DWORD got = 0;
  const DWORD part = static_cast<DWORD>(size > kChunk ? kChunk : size);
  return ReadFile(handle_, data, part, &got, nullptr) ? static_cast<long>(got)
                                                      : -1;
}

OutputFile::OutputFile(const std::string &name) : target_(name) {
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) !=
          0) {
    return;
  }
  // NUL, COM1 and the like: written as they are, a rename cannot replace them.
  HANDLE existing = CreateFileA(
      name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, 0, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    const DWORD type = GetFileType(existing);
    CloseHandle(existing);
    if (type != FILE_TYPE_DISK) {
      HANDLE device =
          CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (device != INVALID_HANDLE_VALUE) {
        handle_ = device;
      }
      return;
    }
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = TemporaryName(name, GetCurrentProcessId());
    HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      handle_ = file;
      temporary_ = candidate;
      return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      return;
    }
  }
}

bool OutputFile::isOpen() const { return handle_ != nullptr; }

bool OutputFile::Write(const void *data, std::size_t size) {
  if (handle_ == nullptr || failed_) {
    return false;
  }
  const char *at = static_cast<const char *>(data);
  while (size > 0) {
    const DWORD part = static_cast<DWORD>(size > kChunk ? kChunk : size);
    DWORD written = 0;
    if (!WriteFile(handle_, at, part, &written, nullptr) || written == 0) {
      failed_ = true;
      return false;
    }
    at += written;
    size -= written;
  }
  return true;
}

bool OutputFile::Commit() {
  if (handle_ == nullptr || failed_) {
    Discard();
    return false;
  }
  if (temporary_.empty()) {
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = nullptr;
    return closed;
  }
  const bool flushed = FlushFileBuffers(handle_) != 0;
  const bool closed = CloseHandle(handle_) != 0;
  handle_ = nullptr;
  if (flushed && closed &&
      MoveFileExA(temporary_.c_str(), target_.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    temporary_.clear();
    return true;
  }
  DeleteFileA(temporary_.c_str());
  temporary_.clear();
  return false;
}

void OutputFile::Discard() {
  if (handle_ != nullptr) {
    CloseHandle(handle_);
  }
  handle_ = nullptr;
  if (!temporary_.empty()) {
    DeleteFileA(temporary_.c_str());
  }
  temporary_.clear();
}

#else

InputFile::InputFile(const std::string &name) {
  // Opened without waiting (a FIFO would wait for a writer) and read only
  // as a regular file: a FIFO, a device or a folder is not.
  const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return;
  }
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(info.st_size);
}

InputFile::~InputFile() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

bool InputFile::isOpen() const { return fd_ >= 0; }

long InputFile::Read(void *data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, data, size > kChunk ? kChunk : size);
    if (n >= 0 || errno != EINTR) {
      return static_cast<long>(n);
    }
  }
}

OutputFile::OutputFile(const std::string &name) : target_(name) {
  struct stat info {};
  // Through a link the file it points to is replaced, not the link.
  if (lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char *real = realpath(name.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }
  mode_t mode = 0666;
  bool keepMode = false;
  if (stat(target_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode) || access(target_.c_str(), W_OK) != 0) {
      return;
    }
    if (!S_ISREG(info.st_mode)) { // /dev/null, a pipe: nothing to protect
      // A FIFO without a reader fails at once instead of waiting for one;
      // once open, writes wait for the reader as usual.
      fd_ = open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      const int flags = fd_ >= 0 ? fcntl(fd_, F_GETFL) : -1;
      if (flags >= 0) {
        fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
      }
      return;
    }
    mode = info.st_mode & 07777;
    keepMode = true;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate =
        TemporaryName(target_, static_cast<unsigned long>(getpid()));
    const int fd =
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      fd_ = fd;
      temporary_ = candidate;
      // The replacement keeps the permissions of the file it replaces.
      if (keepMode && fchmod(fd_, mode) != 0) {
        Discard();
      }
      return;
    }
    if (errno != EEXIST) {
      return;
    }
  }
}

bool OutputFile::isOpen() const { return fd_ >= 0; }

bool OutputFile::Write(const void *data, std::size_t size) {
  if (fd_ < 0 || failed_) {
    return false;
  }
  const char *at = static_cast<const char *>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd_, at, size > kChunk ? kChunk : size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      failed_ = true;
      return false;
    }
    at += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool OutputFile::Commit() {
  if (fd_ < 0 || failed_) {
    Discard();
    return false;
  }
  if (temporary_.empty()) {
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    return closed;
  }
  const bool synced = fsync(fd_) == 0;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (synced && closed &&
      std::rename(temporary_.c_str(), target_.c_str()) == 0) {
    temporary_.clear();
    return true;
  }
  unlink(temporary_.c_str());
  temporary_.clear();
  return false;
}

void OutputFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
  }
  fd_ = -1;
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
  }
  temporary_.clear();
}

#endif

OutputFile::~OutputFile() { Discard(); }

int ReadWholeFile(const std::string &name, std::vector<std::uint8_t> &bytes,
                  std::uint64_t limit) {
  bytes.clear();
  InputFile in(name);
  if (!in.isOpen()) {
    return MIRB_VS_ERR_FILE;
  }
  if (in.size() > limit) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  bytes.reserve(static_cast<std::size_t>(in.size()));
  std::vector<std::uint8_t> chunk(kChunk);
  for (;;) { // the file may grow while it is read
    const long n = in.Read(chunk.data(), chunk.size());
    if (n == 0) {
      return MIRB_VS_OK;
    }
    const int rc = n < 0 ? MIRB_VS_ERR_FILE
                   : static_cast<std::uint64_t>(n) > limit - bytes.size()
                       ? MIRB_VS_ERR_TOO_LARGE
                       : MIRB_VS_OK;
    if (rc != MIRB_VS_OK) {
      bytes.clear();
      return rc;
    }
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + n);
  }
}

bool WriteWholeFile(const std::string &name,
                    const std::vector<std::uint8_t> &bytes) {
  OutputFile out(name);
  return out.Write(bytes.data(), bytes.size()) && out.Commit();
}

int CopyWholeFile(const std::string &from, const std::string &to) {
  InputFile in(from);
  if (!in.isOpen()) {
    return MIRB_VS_ERR_FILE;
  }
  OutputFile out(to);
  if (!out.isOpen()) {
    return MIRB_VS_ERR_FILE;
  }
  std::vector<std::uint8_t> chunk(kChunk);
  for (;;) {
    const long n = in.Read(chunk.data(), chunk.size());
    if (n < 0) {
      return MIRB_VS_ERR_FILE;
    }
    if (n == 0) {
      return out.Commit() ? MIRB_VS_OK : MIRB_VS_ERR_FILE;
    }
    if (!out.Write(chunk.data(), static_cast<std::size_t>(n))) {
      return MIRB_VS_ERR_FILE;
    }
  }
}

} // namespace vs
