// qelscanhost32.exe: the scanner library in a process of its own, on
// Windows (i686, for the maker's 32-bit MIRBAP32.dll).
//
// Its standard input and output are the control channel: from the 64-bit
// proxy, anonymous pipes on which each caller thread's channel arrives as
// three handles already duplicated into this process (the pipe to read,
// the pipe to write, the file mapping of its image slots), for a thread
// of the host to serve; from a Linux proxy under Wine
// (QELSCAN_HOST_COMMAND), the one channel that carries every call and its
// images. The host ends when the control channel does. It loads
// QELSCAN_HOST_LIBRARY (a full path), by default the MIRBAP32.dll beside
// itself, its entries by ordinal, and refuses the proxy itself. An
// exception nothing handles is reported on the channel of the call that
// raised it, and ends the host at once with its code (without the filter
// Wine would start its debugger).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/serve.h"

using namespace qel;

namespace {

constexpr std::size_t kSlotBytes =
    std::size_t{wire::kImageSlots} * wire::kImageBytes;

class HandleChannel : public host::Channel {
public:
  HandleChannel(HANDLE in, HANDLE out) : in_(in), out_(out) {}
  ~HandleChannel() override {
    CloseHandle(in_);
    if (out_ != in_) {
      CloseHandle(out_);
    }
  }

  bool Read(void *data, std::size_t size) override {
    auto *at = static_cast<unsigned char *>(data);
    while (size > 0) {
      DWORD got = 0;
      const DWORD part = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
      if (!ReadFile(in_, at, part, &got, nullptr) || got == 0) {
        return false;
      }
      at += got;
      size -= got;
    }
    return true;
  }

  bool Write(const void *data, std::size_t size) override {
    const auto *at = static_cast<const unsigned char *>(data);
    while (size > 0) {
      DWORD put = 0;
      const DWORD part = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
      if (!WriteFile(out_, at, part, &put, nullptr) || put == 0) {
        return false;
      }
      at += put;
      size -= put;
    }
    return true;
  }

private:
  HANDLE in_;
  HANDLE out_;
};

host::Channel *gControl = nullptr;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS *exception) {
  const DWORD code = exception->ExceptionRecord->ExceptionCode;
  host::Channel *channel = host::ChannelInCall();
  if (channel == nullptr) {
    channel = gControl;
  }
  if (channel != nullptr) {
    unsigned char message[wire::kHeaderBytes + 4];
    wire::PutHeader(message, {wire::kException, 0, 0, 4});
    wire::PutWord(message + wire::kHeaderBytes, code);
    channel->Write(message, sizeof message);
  }
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

struct Served {
  HandleChannel channel;
  unsigned char *slots;
  const host::Library *library;
};

DWORD WINAPI Serve(void *argument) {
  auto *served = static_cast<Served *>(argument);
  host::ServeChannel(served->channel, *served->library, served->slots);
  UnmapViewOfFile(served->slots);
  delete served;
  return 0;
}

// A caller thread's channel: its two pipes and the mapping of its slots,
// handle values of this process, checked before they are used.
void StartChannel(host::Channel &control, const host::Library &library) {
  unsigned char values[12];
  if (!control.Read(values, sizeof values)) {
    std::_Exit(wire::kExitDone);
  }
  HANDLE handles[3];
  for (int i = 0; i < 3; ++i) {
    handles[i] = ULongToHandle(wire::GetWord(values + 4 * i));
  }
  if (GetFileType(handles[0]) != FILE_TYPE_PIPE ||
      GetFileType(handles[1]) != FILE_TYPE_PIPE) {
    host::EndMalformed("a channel whose pipes are none");
  }
  void *slots =
      MapViewOfFile(handles[2], FILE_MAP_ALL_ACCESS, 0, 0, kSlotBytes);
  CloseHandle(handles[2]);
  MEMORY_BASIC_INFORMATION region{};
  if (slots == nullptr ||
      VirtualQuery(slots, &region, sizeof region) != sizeof region ||
      region.RegionSize < kSlotBytes) {
    host::EndMalformed("a channel without its image slots");
  }
  auto *served = new Served{HandleChannel(handles[0], handles[1]),
                            static_cast<unsigned char *>(slots), &library};
  HANDLE thread = CreateThread(nullptr, 0, Serve, served, 0, nullptr);
  if (thread == nullptr) {
    host::EndMalformed("no thread for a new channel");
  }
  CloseHandle(thread);
}

std::string LibraryToLoad() {
  char named[MAX_PATH];
  const DWORD length =
      GetEnvironmentVariableA("QELSCAN_HOST_LIBRARY", named, sizeof named);
  if (length > 0 && length < sizeof named) {
    return named;
  }
  char self[MAX_PATH];
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
  std::string folder(self, selfLength < sizeof self ? selfLength : 0);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "MIRBAP32.dll";
}

host::Library Load(host::Channel &control) {
  const std::string path = LibraryToLoad();
  // Its own folder first for what it needs, as beside an application.
  HMODULE module =
      LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    host::Refuse(control,
                 "cannot load " + path + " (error " +
                     std::to_string(GetLastError()) + ")",
                 wire::kExitNoLibrary);
  }
  if (GetProcAddress(module, wire::kProxyMarker) != nullptr) {
    host::Refuse(control, path + " is the proxy scanner library itself",
                 wire::kExitIsProxy);
  }
  return host::EntriesOf(control, path, [module](int ordinal, const char *) {
    return reinterpret_cast<void *>(
        GetProcAddress(module, MAKEINTRESOURCEA(ordinal)));
  });
}

} // namespace

int main(int argc, char **) {
  if (argc != 1) {
    std::fputs("qelscanhost32 takes no arguments: the proxy scanner library "
               "starts it\n",
               stderr);
    return wire::kExitUsage;
  }
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
               SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(OnUnhandledException);
  // The control channel moves off the standard handles before the library
  // loads: what the library prints goes to standard error.
  const HANDLE self = GetCurrentProcess();
  HANDLE in = nullptr;
  HANDLE out = nullptr;
  if (!DuplicateHandle(self, GetStdHandle(STD_INPUT_HANDLE), self, &in, 0,
                       FALSE, DUPLICATE_SAME_ACCESS) ||
      !DuplicateHandle(self, GetStdHandle(STD_OUTPUT_HANDLE), self, &out, 0,
                       FALSE, DUPLICATE_SAME_ACCESS)) {
    std::fputs("qelscanhost32: no standard input and output\n", stderr);
    return wire::kExitUsage;
  }
  const int null = _open("NUL", _O_RDONLY | _O_BINARY);
  if (null < 0 || _dup2(null, 0) != 0 || _dup2(2, 1) != 0) {
    std::fputs("qelscanhost32: cannot move standard input and output\n",
               stderr);
    return wire::kExitUsage;
  }
  _close(null);
  SetStdHandle(STD_INPUT_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(0)));
  SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
  static HandleChannel control(in, out);
  gControl = &control;
  static const host::Library library = Load(control);
  if (!host::SendReport(control, wire::kReady, "")) {
    return wire::kExitDone;
  }

  host::ServeControl(control, library, [&](const wire::Header &header) {
    if (header.type != wire::kAttach || header.length != 12) {
      return false;
    }
    StartChannel(control, library);
    return true;
  });
  // The proxy's end is gone: end at once, whatever calls are still running.
  TerminateProcess(self, wire::kExitDone);
  return wire::kExitDone;
}
