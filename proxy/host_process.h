// What the proxy needs of a platform: starting the host process, channels
// to it, and ending it (host_process_posix.cpp, host_process_win32.cpp).
#ifndef QELSCANNER_PROXY_HOST_PROCESS_H
#define QELSCANNER_PROXY_HOST_PROCESS_H

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace qel::proxy {

using Clock = std::chrono::steady_clock;

// One channel to the host, used by one caller at a time.
class Channel {
public:
  Channel() = default;
  Channel(const Channel &) = delete;
  Channel &operator=(const Channel &) = delete;
  virtual ~Channel() = default;

  enum class Got { kAll, kEnded, kLate };
  // Sends the whole message; false when the host has gone.
  virtual bool Send(const unsigned char *data, std::size_t size) = 0;
  // Receives exactly size bytes: kLate when the deadline passes first,
  // kEnded as soon as the host has gone (within a second or so).
  virtual Got Receive(unsigned char *data, std::size_t size,
                      std::optional<Clock::time_point> deadline) = 0;
  // The wire::kImageSlots image slots this channel shares with the host,
  // or null when its images travel on the channel itself.
  virtual unsigned char *Slots() = 0;
};

// The host process of one start.
class HostProcess {
public:
  HostProcess() = default;
  HostProcess(const HostProcess &) = delete;
  HostProcess &operator=(const HostProcess &) = delete;
  virtual ~HostProcess() = default;

  // Its standard input and output, the control channel.
  virtual Channel &Control() = 0;
  // Whether every caller shares Control() (a host that QELSCAN_HOST_COMMAND
  // started), rather than a channel each from Attach().
  virtual bool SharesControl() const = 0;
  // A channel of the calling thread's own, with a host thread of its own;
  // null when none can be made. Safe from several threads at once.
  virtual std::unique_ptr<Channel> Attach() = 0;
  // Ends the process if it still runs and waits for its end; again, nothing.
  virtual void End() = 0;
  // After End(): how it ended ("exit status 3", "signal 11 (Segmentation
  // fault)").
  virtual std::string HowItEnded() = 0;
  // Its program, for messages.
  virtual const std::string &Program() const = 0;
};

// Starts the host: the command of QELSCAN_HOST_COMMAND, else the
// platform's host program beside this library. Null, with why, when it
// cannot be started.
std::unique_ptr<HostProcess> StartHost(std::string &why);

} // namespace qel::proxy

#endif
