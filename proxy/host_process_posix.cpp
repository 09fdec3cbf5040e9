// The host process on Linux: qelscanhost, beside the folder of this
// library (build/out/qelscanhost for build/out/isolated/, and
// /usr/lib/qelscanner/qelscanhost for /usr/lib/qelscanner/isolated/).
//
// Its standard input and output are one end of a socket pair, the
// control channel; each caller thread's channel is a socket pair of its
// own, whose far end goes to the host over the control channel with a
// memfd of image slots (SCM_RIGHTS). A command of QELSCAN_HOST_COMMAND
// instead gets two pipes, which carry every call and its images. Every
// descriptor of ours is close-on-exec, so that the host sees the end of
// its channels when this process ends, whatever else it started.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <vector>

#include "proxy/host_process.h"
#include "wire/kinds.h"
#include "wire/message.h"

extern char **environ;

namespace qel::proxy {

namespace {

constexpr std::size_t kSlotBytes =
    std::size_t{wire::kImageSlots} * wire::kImageBytes;
// How often a wait looks whether the host still runs, for a host whose
// end no channel shows (one under Wine, whose server holds the pipes).
constexpr int kLivenessMs = 500;
constexpr std::size_t kReadAhead = std::size_t{64} * 1024;

std::string ErrorText(const char *what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// A descriptor of ours, above the standard ones and close-on-exec.
int Ours(int fd) {
  if (fd < 0 || fd > 2) {
    return fd;
  }
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

class PosixHost;

class PosixChannel : public Channel {
public:
  PosixChannel(PosixHost &host, int in, int out, bool socket,
               unsigned char *slots)
      : host_(host), in_(in), out_(out), socket_(socket), slots_(slots) {}
  ~PosixChannel() override {
    if (slots_ != nullptr) {
      munmap(slots_, kSlotBytes);
    }
    close(in_);
    if (out_ != in_) {
      close(out_);
    }
  }

  bool Send(const unsigned char *data, std::size_t size) override;
  Got Receive(unsigned char *data, std::size_t size,
              std::optional<Clock::time_point> deadline) override;
  unsigned char *Slots() override { return slots_; }

private:
  PosixHost &host_;
  int in_;
  int out_;
  bool socket_;
  unsigned char *slots_;
  std::unique_ptr<unsigned char[]> ahead_; // read, not yet received
  std::size_t aheadAt_ = 0;
  std::size_t aheadEnd_ = 0;
};

class PosixHost : public HostProcess {
public:
  PosixHost(pid_t pid, std::string program, int in, int out, bool shared)
      : pid_(pid), program_(std::move(program)), shared_(shared),
        controlOut_(out), control_(*this, in, out, !shared, nullptr) {}

  Channel &Control() override { return control_; }
  bool SharesControl() const override { return shared_; }
  const std::string &Program() const override { return program_; }

  std::unique_ptr<Channel> Attach() override {
    int pair[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
      return nullptr;
    }
    const int ours = Ours(pair[0]);
    const int theirs = pair[1];
    const int memory = Ours(memfd_create("qelscan-image-slots", MFD_CLOEXEC));
    void *slots = MAP_FAILED;
    if (memory >= 0 && ftruncate(memory, kSlotBytes) == 0) {
      slots = mmap(nullptr, kSlotBytes, PROT_READ | PROT_WRITE, MAP_SHARED,
                   memory, 0);
    }
    bool sent = false;
    if (slots != MAP_FAILED && ours >= 0) {
      unsigned char header[wire::kHeaderBytes];
      wire::PutHeader(header, {wire::kAttach, 0, 0, 0});
      iovec part{header, sizeof header};
      alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
      msghdr message{};
      message.msg_iov = &part;
      message.msg_iovlen = 1;
      message.msg_control = control;
      message.msg_controllen = sizeof control;
      cmsghdr *rights = CMSG_FIRSTHDR(&message);
      rights->cmsg_level = SOL_SOCKET;
      rights->cmsg_type = SCM_RIGHTS;
      rights->cmsg_len = CMSG_LEN(2 * sizeof(int));
      const int fds[2] = {theirs, memory};
      std::memcpy(CMSG_DATA(rights), fds, sizeof fds);
      std::lock_guard<std::mutex> lock(attachMutex_);
      sent = sendmsg(controlOut_, &message, MSG_NOSIGNAL) ==
             static_cast<ssize_t>(sizeof header);
    }
    close(theirs);
    if (memory >= 0) {
      close(memory);
    }
    if (!sent) {
      if (slots != MAP_FAILED) {
        munmap(slots, kSlotBytes);
      }
      if (ours >= 0) {
        close(ours);
      }
      return nullptr;
    }
    return std::make_unique<PosixChannel>(*this, ours, ours, true,
                                          static_cast<unsigned char *>(slots));
  }

  // Whether the process still runs; reaps it when it has ended.
  bool Alive() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!reaped_ && waitpid(pid_, &status_, WNOHANG) != 0) {
      reaped_ = true; // ended, or reaped by someone else (ECHILD)
    }
    return !reaped_;
  }

  void End() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reaped_) {
      return;
    }
    kill(pid_, SIGKILL);
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
  }

  std::string HowItEnded() override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::ostringstream how;
    if (WIFEXITED(status_)) {
      how << "exit status " << WEXITSTATUS(status_);
      switch (WEXITSTATUS(status_)) {
      case wire::kExitNoLibrary:
        how << ", the scanner library would not load";
        break;
      case wire::kExitIsProxy:
        how << ", the library named is the proxy itself";
        break;
      case wire::kExitMalformed:
        how << ", it was sent a malformed request";
        break;
      default:
        break;
      }
    } else if (WIFSIGNALED(status_)) {
      how << "signal " << WTERMSIG(status_) << " ("
          << strsignal(WTERMSIG(status_)) << ")";
    } else {
      how << "status unknown";
    }
    return how.str();
  }

private:
  pid_t pid_;
  std::string program_;
  bool shared_;
  int controlOut_;
  PosixChannel control_;
  std::mutex attachMutex_;
  std::mutex mutex_;
  bool reaped_ = false;
  int status_ = 0;
};

bool PosixChannel::Send(const unsigned char *data, std::size_t size) {
  // A pipe whose reader has gone raises SIGPIPE: kept pending (blocked)
  // and then taken back, so that the write fails instead.
  sigset_t pipeSignal;
  sigset_t before;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  if (!socket_) {
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
  }
  bool sent = true;
  while (size > 0) {
    const ssize_t put = socket_ ? send(out_, data, size, MSG_NOSIGNAL)
                                : write(out_, data, size);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      sent = false;
      break;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  if (!socket_) {
    const timespec now{0, 0};
    while (!sent && sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
  }
  return sent;
}

Channel::Got PosixChannel::Receive(unsigned char *data, std::size_t size,
                                   std::optional<Clock::time_point> deadline) {
  while (size > 0) {
    if (aheadAt_ < aheadEnd_) {
      const std::size_t part = std::min(size, aheadEnd_ - aheadAt_);
      std::memcpy(data, ahead_.get() + aheadAt_, part);
      aheadAt_ += part;
      data += part;
      size -= part;
      continue;
    }
    // A socket's end shows when the host ends: without a deadline the
    // read waits for it. A pipe to a command may stay open after its end
    // (Wine's server holds it), so that wait looks now and then.
    if (deadline || !socket_) {
      int wait = kLivenessMs;
      if (deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              *deadline - Clock::now())
                              .count() +
                          1;
        wait = left < wait ? static_cast<int>(left < 0 ? 0 : left) : wait;
      }
      pollfd ready{in_, POLLIN, 0};
      const int polled = poll(&ready, 1, wait);
      if (polled < 0 && errno == EINTR) {
        continue;
      }
      if (polled == 0) {
        if (deadline && Clock::now() >= *deadline) {
          return Got::kLate;
        }
        if (!host_.Alive()) {
          return Got::kEnded;
        }
        continue;
      }
    }
    // Large parts (images) straight into place, small ones read ahead, so
    // that a reply's header and payload take one read.
    const bool direct = size >= kReadAhead;
    if (!direct && ahead_ == nullptr) {
      ahead_.reset(new unsigned char[kReadAhead]);
    }
    const ssize_t got =
        read(in_, direct ? data : ahead_.get(), direct ? size : kReadAhead);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return Got::kEnded;
    }
    if (direct) {
      data += got;
      size -= static_cast<std::size_t>(got);
    } else {
      aheadAt_ = 0;
      aheadEnd_ = static_cast<std::size_t>(got);
    }
  }
  return Got::kAll;
}

// The host program of this library's install.
std::string DefaultProgram() {
  Dl_info self{};
  if (dladdr(reinterpret_cast<void *>(&DefaultProgram), &self) == 0 ||
      self.dli_fname == nullptr) {
    return "qelscanhost";
  }
  std::string folder = self.dli_fname;
  folder.erase(folder.find_last_of('/') + 1);
  folder += "..";
  char *real = realpath(folder.c_str(), nullptr);
  if (real != nullptr) {
    folder = real;
    std::free(real);
  }
  return folder + "/qelscanhost";
}

std::vector<std::string> Words(const std::string &command) {
  std::vector<std::string> words;
  std::istringstream in(command);
  for (std::string word; in >> word;) {
    words.push_back(word);
  }
  return words;
}

} // namespace

std::unique_ptr<HostProcess> StartHost(std::string &why) {
  const char *command = std::getenv("QELSCAN_HOST_COMMAND");
  const bool shared = command != nullptr && *command != '\0';
  const std::vector<std::string> words =
      shared ? Words(command) : std::vector<std::string>{DefaultProgram()};
  if (words.empty()) {
    why = "QELSCAN_HOST_COMMAND is blank";
    return nullptr;
  }
  // ours[0] reads from the host, ours[1] writes to it; theirs[0] becomes
  // its standard input, theirs[1] its standard output.
  int ours[2] = {-1, -1};
  int theirs[2] = {-1, -1};
  if (shared) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
      why = ErrorText("pipe");
      return nullptr;
    }
    ours[0] = Ours(out[0]);
    theirs[1] = Ours(out[1]);
    theirs[0] = Ours(in[0]);
    ours[1] = Ours(in[1]);
  } else {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
      why = ErrorText("socketpair");
      return nullptr;
    }
    ours[0] = ours[1] = Ours(pair[0]);
    theirs[0] = theirs[1] = Ours(pair[1]);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, theirs[0], 0);
  posix_spawn_file_actions_adddup2(&actions, theirs[1], 1);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // Its own process group, so that a terminal's Ctrl-C reaches the
  // application, which decides, and not the host; default signals.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK |
                                            POSIX_SPAWN_SETSIGDEF |
                                            POSIX_SPAWN_SETPGROUP);
  std::vector<char *> argv;
  argv.reserve(words.size() + 1);
  for (const std::string &word : words) {
    argv.push_back(const_cast<char *>(word.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int failed = shared ? posix_spawnp(&pid, argv[0], &actions, &attributes,
                                           argv.data(), environ)
                            : posix_spawn(&pid, argv[0], &actions, &attributes,
                                          argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(theirs[0]);
  if (theirs[1] != theirs[0]) {
    close(theirs[1]);
  }
  if (failed != 0) {
    why = words[0] + ": " + std::strerror(failed);
    close(ours[0]);
    if (ours[1] != ours[0]) {
      close(ours[1]);
    }
    return nullptr;
  }
  return std::make_unique<PosixHost>(pid, words[0], ours[0], ours[1], shared);
}

} // namespace qel::proxy
