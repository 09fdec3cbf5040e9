// qelscanhost: the scanner library in a process of its own, on Linux.
//
// The proxy scanner library starts it with a socket as its standard input
// and output, the control channel, on which it sends each caller thread's
// channel (a socket and a memfd of image slots, SCM_RIGHTS) for a thread
// of the host to serve; or, started by QELSCAN_HOST_COMMAND, with pipes
// that carry every call and its images themselves. The host ends when the
// control channel does. It loads QELSCAN_HOST_LIBRARY (a full path), by
// default the libMIRBAP32.so beside itself, and refuses the proxy itself.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/serve.h"

using namespace qel;

namespace {

constexpr std::size_t kReadAhead = std::size_t{64} * 1024;
constexpr std::size_t kSlotBytes =
    std::size_t{wire::kImageSlots} * wire::kImageBytes;

// A socket or a pair of pipes; a socket's reads also collect the
// descriptors that come with the bytes (SCM_RIGHTS), close-on-exec.
class PosixChannel : public host::Channel {
public:
  // descriptors: the control channel, whose socket may bring them, read
  // message by message; otherwise reads go ahead of what is asked.
  PosixChannel(int in, int out, bool descriptors)
      : in_(in), out_(out), descriptors_(descriptors) {
    struct stat info {};
    descriptors_ =
        descriptors_ && fstat(in, &info) == 0 && S_ISSOCK(info.st_mode);
  }
  ~PosixChannel() override {
    for (int fd : received_) {
      close(fd);
    }
  }

  bool Read(void *data, std::size_t size) override {
    auto *at = static_cast<unsigned char *>(data);
    while (size > 0) {
      if (aheadAt_ < aheadEnd_) {
        const std::size_t part = std::min(size, aheadEnd_ - aheadAt_);
        std::memcpy(at, ahead_.get() + aheadAt_, part);
        aheadAt_ += part;
        at += part;
        size -= part;
        continue;
      }
      const bool direct = descriptors_ || size >= kReadAhead;
      if (!direct && ahead_ == nullptr) {
        ahead_.reset(new unsigned char[kReadAhead]);
      }
      const ssize_t got = descriptors_ ? Receive(at, size)
                          : direct     ? read(in_, at, size)
                                       : read(in_, ahead_.get(), kReadAhead);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        return false;
      }
      if (direct) {
        at += got;
        size -= static_cast<std::size_t>(got);
      } else {
        aheadAt_ = 0;
        aheadEnd_ = static_cast<std::size_t>(got);
      }
    }
    return true;
  }

  bool Write(const void *data, std::size_t size) override {
    const auto *at = static_cast<const unsigned char *>(data);
    while (size > 0) {
      const ssize_t put = write(out_, at, size);
      if (put < 0 && errno == EINTR) {
        continue;
      }
      if (put <= 0) {
        return false;
      }
      at += put;
      size -= static_cast<std::size_t>(put);
    }
    return true;
  }

  // The descriptors received since the last call; the caller owns them.
  std::vector<int> TakeReceived() { return std::move(received_); }

private:
  ssize_t Receive(unsigned char *data, std::size_t size) {
    iovec part{data, size};
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(in_, &message, MSG_CMSG_CLOEXEC);
    for (cmsghdr *c = CMSG_FIRSTHDR(&message); got >= 0 && c != nullptr;
         c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
        const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
          int fd = -1;
          std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
          received_.push_back(fd);
        }
      }
    }
    if (got >= 0 && (message.msg_flags & MSG_CTRUNC) != 0) {
      host::EndMalformed("more descriptors than a channel has");
    }
    return got;
  }

  int in_;
  int out_;
  bool descriptors_;
  std::vector<int> received_;
  std::unique_ptr<unsigned char[]> ahead_; // read, not yet asked for
  std::size_t aheadAt_ = 0;
  std::size_t aheadEnd_ = 0;
};

// A caller thread's channel: its socket and its image slots, served by a
// thread of its own until the caller's end closes.
void StartChannel(std::vector<int> fds, const host::Library &library) {
  struct stat socketInfo {};
  struct stat slotsInfo {};
  if (fds.size() != 2 || fstat(fds[0], &socketInfo) != 0 ||
      !S_ISSOCK(socketInfo.st_mode) || fstat(fds[1], &slotsInfo) != 0 ||
      !S_ISREG(slotsInfo.st_mode) ||
      slotsInfo.st_size != static_cast<off_t>(kSlotBytes)) {
    host::EndMalformed("a channel without its socket and image slots");
  }
  void *slots =
      mmap(nullptr, kSlotBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fds[1], 0);
  close(fds[1]);
  if (slots == MAP_FAILED) {
    std::perror("qelscanhost: image slots");
    std::_Exit(wire::kExitMalformed);
  }
  const int fd = fds[0];
  std::thread([fd, slots, &library] {
    PosixChannel channel(fd, fd, false);
    host::ServeChannel(channel, library, static_cast<unsigned char *>(slots));
    munmap(slots, kSlotBytes);
    close(fd);
  }).detach();
}

std::string LibraryToLoad() {
  if (const char *named = std::getenv("QELSCAN_HOST_LIBRARY")) {
    return named;
  }
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string folder(self, length > 0 ? static_cast<std::size_t>(length) : 0);
  folder.erase(folder.find_last_of('/') + 1);
  return folder + "libMIRBAP32.so";
}

// Loads the library's entries, or says why not and ends.
host::Library Load(host::Channel &control) {
  const std::string path = LibraryToLoad();
  void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    host::Refuse(control, dlerror(), wire::kExitNoLibrary);
  }
  if (dlsym(handle, wire::kProxyMarker) != nullptr) {
    host::Refuse(control, path + " is the proxy scanner library itself",
                 wire::kExitIsProxy);
  }
  return host::EntriesOf(control, path, [handle](int, const char *name) {
    return dlsym(handle, name);
  });
}

} // namespace

int main(int argc, char **) {
  if (argc != 1) {
    std::fputs("qelscanhost takes no arguments: the proxy scanner library "
               "starts it\n",
               stderr);
    return wire::kExitUsage;
  }
  // The control channel moves off descriptors 0 and 1 before the library
  // loads: what the library prints goes to standard error.
  const int controlIn = fcntl(0, F_DUPFD_CLOEXEC, 3);
  const int controlOut = fcntl(1, F_DUPFD_CLOEXEC, 3);
  const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (controlIn < 0 || controlOut < 0 || null < 0 || dup2(null, 0) != 0 ||
      dup2(2, 1) != 1) {
    std::perror("qelscanhost: standard input and output");
    return wire::kExitUsage;
  }
  close(null);
  signal(SIGPIPE, SIG_IGN);
  PosixChannel control(controlIn, controlOut, true);
  const host::Library library = Load(control);
  if (!host::SendReport(control, wire::kReady, "")) {
    return wire::kExitDone;
  }

  host::ServeControl(control, library, [&](const wire::Header &header) {
    std::vector<int> fds = control.TakeReceived();
    if (header.type == wire::kAttach && header.length == 0) {
      StartChannel(std::move(fds), library);
      return true;
    }
    if (!fds.empty()) {
      host::EndMalformed("descriptors with a call");
    }
    return false;
  });
  // The proxy's end is gone: end at once, whatever calls are still running.
  std::_Exit(wire::kExitDone);
}
