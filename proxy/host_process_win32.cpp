// The host process on Windows: x86\qelscanhost32.exe beside this library,
// the 32-bit program that loads the maker's 32-bit MIRBAP32.dll.
//
// Its standard input and output are anonymous pipes, the control channel,
// and the only handles it inherits; it runs in a job object that ends it
// when this process ends (JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE). Each caller
// thread's channel is two more anonymous pipes and an unnamed file mapping
// of its image slots, whose far ends are duplicated into the host (and
// closed here, so that the host's end shows here as a broken pipe) and
// named to it by a kAttach message. No object has a name another user
// could open. A wait with a deadline looks at the pipe, for anonymous
// pipes have no overlapped reads; without one it simply reads.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <vector>

#include "proxy/host_process.h"
#include "wire/kinds.h"
#include "wire/message.h"

namespace qel::proxy {

namespace {

constexpr std::size_t kSlotBytes =
    std::size_t{wire::kImageSlots} * wire::kImageBytes;

std::string ErrorText(const char *what) {
  return std::string(what) + " failed (error " +
         std::to_string(GetLastError()) + ")";
}

class WinHost;

class WinChannel : public Channel {
public:
  WinChannel(WinHost &host, HANDLE read, HANDLE write, unsigned char *slots)
      : host_(host), read_(read), write_(write), slots_(slots) {}
  ~WinChannel() override {
    if (slots_ != nullptr) {
      UnmapViewOfFile(slots_);
    }
    CloseHandle(read_);
    CloseHandle(write_);
  }

  bool Send(const unsigned char *data, std::size_t size) override {
    while (size > 0) {
      DWORD put = 0;
      const DWORD part = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
      if (!WriteFile(write_, data, part, &put, nullptr) || put == 0) {
        return false;
      }
      data += put;
      size -= put;
    }
    return true;
  }

  Got Receive(unsigned char *data, std::size_t size,
              std::optional<Clock::time_point> deadline) override;
  unsigned char *Slots() override { return slots_; }

private:
  WinHost &host_;
  HANDLE read_;
  HANDLE write_;
  unsigned char *slots_;
};

class WinHost : public HostProcess {
public:
  WinHost(PROCESS_INFORMATION process, HANDLE job, std::string program,
          HANDLE read, HANDLE write, bool shared)
      : process_(process), job_(job), program_(std::move(program)),
        shared_(shared), control_(*this, read, write, nullptr) {}
  ~WinHost() override {
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    if (job_ != nullptr) {
      CloseHandle(job_);
    }
  }

  Channel &Control() override { return control_; }
  bool SharesControl() const override { return shared_; }
  const std::string &Program() const override { return program_; }
  HANDLE Process() const { return process_.hProcess; }

  std::unique_ptr<Channel> Attach() override {
    HANDLE toHost[2] = {nullptr, nullptr};   // the host reads [0]
    HANDLE fromHost[2] = {nullptr, nullptr}; // the host writes [1]
    if (!CreatePipe(&toHost[0], &toHost[1], nullptr, 0)) {
      return nullptr;
    }
    if (!CreatePipe(&fromHost[0], &fromHost[1], nullptr, 0)) {
      CloseHandle(toHost[0]);
      CloseHandle(toHost[1]);
      return nullptr;
    }
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr,
                                        PAGE_READWRITE, 0, kSlotBytes, nullptr);
    void *slots =
        mapping == nullptr
            ? nullptr
            : MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSlotBytes);
    // The host's ends go to the host (and are closed here); the mapping
    // stays mapped here.
    const HANDLE self = GetCurrentProcess();
    HANDLE theirs[3] = {nullptr, nullptr, nullptr};
    bool handed = slots != nullptr &&
                  DuplicateHandle(self, toHost[0], Process(), &theirs[0], 0,
                                  FALSE, DUPLICATE_SAME_ACCESS) &&
                  DuplicateHandle(self, fromHost[1], Process(), &theirs[1], 0,
                                  FALSE, DUPLICATE_SAME_ACCESS) &&
                  DuplicateHandle(self, mapping, Process(), &theirs[2], 0,
                                  FALSE, DUPLICATE_SAME_ACCESS);
    CloseHandle(toHost[0]);
    CloseHandle(fromHost[1]);
    if (mapping != nullptr) {
      CloseHandle(mapping);
    }
    if (handed) {
      unsigned char message[wire::kHeaderBytes + 12];
      wire::PutHeader(message, {wire::kAttach, 0, 0, 12});
      for (int i = 0; i < 3; ++i) {
        wire::PutWord(message + wire::kHeaderBytes + 4 * i,
                      HandleToULong(theirs[i]));
      }
      std::lock_guard<std::mutex> lock(attachMutex_);
      handed = control_.Send(message, sizeof message);
    }
    if (!handed) {
      if (slots != nullptr) {
        UnmapViewOfFile(slots);
      }
      CloseHandle(toHost[1]);
      CloseHandle(fromHost[0]);
      return nullptr;
    }
    return std::make_unique<WinChannel>(*this, fromHost[0], toHost[1],
                                        static_cast<unsigned char *>(slots));
  }

  void End() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (WaitForSingleObject(Process(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(Process(), 1);
    }
    WaitForSingleObject(Process(), INFINITE);
  }

  std::string HowItEnded() override {
    DWORD code = 0;
    GetExitCodeProcess(Process(), &code);
    char how[64];
    if (code >= 0xC0000000u) {
      std::snprintf(how, sizeof how, "exception 0x%08lX",
                    static_cast<unsigned long>(code));
    } else {
      std::snprintf(how, sizeof how, "exit status %lu",
                    static_cast<unsigned long>(code));
    }
    return how;
  }

private:
  PROCESS_INFORMATION process_;
  HANDLE job_;
  std::string program_;
  bool shared_;
  WinChannel control_;
  std::mutex attachMutex_;
  std::mutex mutex_;
};

Channel::Got WinChannel::Receive(unsigned char *data, std::size_t size,
                                 std::optional<Clock::time_point> deadline) {
  for (int idle = 0; size > 0;) {
    DWORD available = static_cast<DWORD>(size);
    if (deadline) {
      if (!PeekNamedPipe(read_, nullptr, 0, nullptr, &available, nullptr)) {
        return Got::kEnded;
      }
      if (available == 0) {
        if (Clock::now() >= *deadline) {
          return Got::kLate;
        }
        // Yield at first, then wait a millisecond at a time (or less, when
        // the host ends).
        if (++idle < 64) {
          SwitchToThread();
        } else if (WaitForSingleObject(host_.Process(), 1) == WAIT_OBJECT_0 &&
                   PeekNamedPipe(read_, nullptr, 0, nullptr, &available,
                                 nullptr) &&
                   available == 0) {
          return Got::kEnded;
        }
        continue;
      }
    }
    DWORD got = 0;
    const DWORD part = static_cast<DWORD>(size < available       ? size
                                          : available > 0x100000 ? 0x100000
                                                                 : available);
    if (!ReadFile(read_, data, part, &got, nullptr) || got == 0) {
      return Got::kEnded;
    }
    idle = 0;
    data += got;
    size -= got;
  }
  return Got::kAll;
}

// The folder of this library, with its backslash.
std::wstring OwnFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&OwnFolder), &self);
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring folder(path, length < MAX_PATH ? length : 0);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder;
}

std::string Narrow(const std::wstring &text) {
  std::string narrow;
  for (wchar_t c : text) {
    narrow += c < 128 ? static_cast<char>(c) : '?';
  }
  return narrow;
}

} // namespace

std::unique_ptr<HostProcess> StartHost(std::string &why) {
  wchar_t command[4096];
  const DWORD given = GetEnvironmentVariableW(L"QELSCAN_HOST_COMMAND", command,
                                              sizeof command / sizeof *command);
  const bool shared = given > 0 && given < sizeof command / sizeof *command;
  std::wstring line;
  std::string program;
  if (shared) {
    line = command;
    std::wistringstream words(line);
    std::wstring first;
    words >> first;
    program = Narrow(first);
  } else {
    const std::wstring host = OwnFolder() + L"x86\\qelscanhost32.exe";
    line = L"\"" + host + L"\"";
    program = Narrow(host);
  }

  // The host's ends inheritable, ours not.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE toHost[2] = {nullptr, nullptr};
  HANDLE fromHost[2] = {nullptr, nullptr};
  if (!CreatePipe(&toHost[0], &toHost[1], &inherit, 0) ||
      !CreatePipe(&fromHost[0], &fromHost[1], &inherit, 0)) {
    why = ErrorText("CreatePipe");
    return nullptr;
  }
  SetHandleInformation(toHost[1], HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromHost[0], HANDLE_FLAG_INHERIT, 0);
  HANDLE error = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE),
                  GetCurrentProcess(), &error, 0, TRUE, DUPLICATE_SAME_ACCESS);

  HANDLE inherited[3] = {toHost[0], fromHost[1], error};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<unsigned char> attributes(size);
  auto *list =
      reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = toHost[0];
  startup.StartupInfo.hStdOutput = fromHost[1];
  startup.StartupInfo.hStdError = error;
  if (InitializeProcThreadAttributeList(list, 1, 0, &size) &&
      UpdateProcThreadAttribute(
          list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
          (error != nullptr ? 3 : 2) * sizeof(HANDLE), nullptr, nullptr)) {
    startup.lpAttributeList = list;
  }
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  const BOOL started = CreateProcessW(
      nullptr, writable.data(), nullptr, nullptr, TRUE,
      CREATE_SUSPENDED | CREATE_NO_WINDOW |
          (startup.lpAttributeList != nullptr ? EXTENDED_STARTUPINFO_PRESENT
                                              : 0),
      nullptr, nullptr, &startup.StartupInfo, &process);
  if (startup.lpAttributeList != nullptr) {
    DeleteProcThreadAttributeList(list);
  }
  CloseHandle(toHost[0]);
  CloseHandle(fromHost[1]);
  if (error != nullptr) {
    CloseHandle(error);
  }
  if (!started) {
    why = program + ": " + ErrorText("CreateProcess");
    CloseHandle(toHost[1]);
    CloseHandle(fromHost[0]);
    return nullptr;
  }
  // It ends with this process: the job's last handle closes then.
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job != nullptr &&
      !(SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                sizeof limits) &&
        AssignProcessToJobObject(job, process.hProcess))) {
    CloseHandle(job); // it still ends at the end of its control channel
    job = nullptr;
  }
  ResumeThread(process.hThread);
  return std::make_unique<WinHost>(process, job, program, fromHost[0],
                                   toHost[1], shared);
}

} // namespace qel::proxy
