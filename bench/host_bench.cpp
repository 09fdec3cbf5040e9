// The scanner library in a host process against the same library in this
// process, side by side in one run: the virtual scanner loaded twice, once
// as itself and once through the proxy (which starts the host with the
// same virtual scanner), each entry timed through both; and a bare round
// trip of 16 bytes over a socket pair to a child process, the floor of any
// call to another process. Usage: host_bench <out folder> [benchmark
// options]; MIRB_VIRTUAL_HOPPER a file of many documents.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scannerlib/mirbap32.h"

namespace {

constexpr std::size_t kImageBytes = 1048576;
constexpr int kNoDocument = -102; // the virtual scanner's empty hopper

// One copy of the library's entries, in process or through the host.
struct Library {
  decltype(&MIRBStatus) status;
  decltype(&MIRBInit) init;
  decltype(&MIRBExit) exit;
  decltype(&MIRBScanMemory) scanMemory;
  decltype(&QELScan) scan;
  decltype(&QELGetMemoryImageLength) imageLength;
};

Library Load(const std::string &path) {
  void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "host_bench: %s\n", dlerror());
    std::exit(1);
  }
  const auto entry = [&](const char *name) {
    void *address = dlsym(handle, name);
    if (address == nullptr) {
      std::fprintf(stderr, "host_bench: no %s in %s\n", name, path.c_str());
      std::exit(1);
    }
    return address;
  };
  Library library{};
  library.status =
      reinterpret_cast<decltype(library.status)>(entry("MIRBStatus"));
  library.init = reinterpret_cast<decltype(library.init)>(entry("MIRBInit"));
  library.exit = reinterpret_cast<decltype(library.exit)>(entry("MIRBExit"));
  library.scanMemory =
      reinterpret_cast<decltype(library.scanMemory)>(entry("MIRBScanMemory"));
  library.scan = reinterpret_cast<decltype(library.scan)>(entry("QELScan"));
  library.imageLength = reinterpret_cast<decltype(library.imageLength)>(
      entry("QELGetMemoryImageLength"));
  return library;
}

// A scan that ran the hopper dry opens the session again, untimed.
void Refill(benchmark::State &state, const Library &library, int result) {
  if (result == kNoDocument) {
    state.PauseTiming();
    library.exit();
    library.init();
    state.ResumeTiming();
  } else if (result != 0) {
    state.SkipWithError("a scan failed");
  }
}

void AddLibrary(const char *where, const Library &library) {
  library.init();
  const std::string prefix = std::string(where) + ".";
  benchmark::RegisterBenchmark((prefix + "MIRBStatus").c_str(),
                               [library](benchmark::State &state) {
                                 for (auto _ : state) {
                                   benchmark::DoNotOptimize(library.status());
                                 }
                               });
  benchmark::RegisterBenchmark(
      (prefix + "MIRBScanMemory").c_str(), [library](benchmark::State &state) {
        std::vector<unsigned char> front(kImageBytes), back(kImageBytes);
        int frontLength = 0, backLength = 0, codeLength = 0;
        char code[256];
        for (auto _ : state) {
          Refill(state, library,
                 library.scanMemory(0, front.data(), &frontLength, back.data(),
                                    &backLength, code, &codeLength));
        }
      });
  // What the bridge's QelScanToMemory asks: four images named by memory
  // descriptors, then each one's length.
  benchmark::RegisterBenchmark(
      (prefix + "QELScan").c_str(), [library](benchmark::State &state) {
        std::vector<std::vector<unsigned char>> images(
            4, std::vector<unsigned char>(kImageBytes));
        char names[4][32];
        for (int i = 0; i < 4; ++i) {
          std::snprintf(
              names[i], sizeof names[i], "MD:%ju",
              static_cast<std::uintmax_t>(
                  reinterpret_cast<std::uintptr_t>(images[i].data())));
        }
        char code[256];
        int quality = 0, contrast = 0, status[32];
        for (auto _ : state) {
          const int result =
              library.scan(names[0], names[1], names[2], names[3], code,
                           &quality, &contrast, status);
          for (auto &image : images) {
            benchmark::DoNotOptimize(library.imageLength(image.data()));
          }
          Refill(state, library, result);
        }
      });
}

// 16 bytes to a child process and back.
void PipeRoundTrip(benchmark::State &state) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
    state.SkipWithError("socketpair");
    return;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(pair[0]);
    char bytes[16];
    while (read(pair[1], bytes, sizeof bytes) == sizeof bytes &&
           write(pair[1], bytes, sizeof bytes) == sizeof bytes) {
    }
    _exit(0);
  }
  close(pair[1]);
  char bytes[16] = {};
  for (auto _ : state) {
    if (write(pair[0], bytes, sizeof bytes) != sizeof bytes ||
        read(pair[0], bytes, sizeof bytes) != sizeof bytes) {
      state.SkipWithError("the echo ended");
      break;
    }
  }
  close(pair[0]);
  waitpid(child, nullptr, 0);
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: host_bench <out folder> [benchmark options]\n");
    return 2;
  }
  const std::string out = argv[1];
  benchmark::RegisterBenchmark("floor.PipeRoundTrip", PipeRoundTrip);
  AddLibrary("in_process", Load(out + "/libMIRBAP32.so"));
  AddLibrary("host", Load(out + "/isolated/libMIRBAP32.so"));
  argv[1] = argv[0];
  --argc;
  ++argv;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
