// What the scanner library's entries cost when called straight from C, with
// no virtual machine and no bridge: the part of a bridge call that is the
// scanner's own work. A scan takes a document from the hopper, so the
// session is opened again, untimed, whenever the hopper runs dry; run with
// MIRB_VIRTUAL_HOPPER naming a file of many documents, and QELBENCH_SCRATCH
// a folder for the scanned files (else the temporary folder).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "scannerlib/mirbap32.h"

namespace {

constexpr std::size_t kImageBytes = 1048576;

// The documents one session holds: the hopper file's lines that are
// neither blank nor comments, or the default stack of twelve.
int HopperSize() {
  const char *file = std::getenv("MIRB_VIRTUAL_HOPPER");
  if (file == nullptr || *file == '\0') {
    return 12;
  }
  std::ifstream in(file);
  int documents = 0;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line != "\r" && line[0] != '#') {
      ++documents;
    }
  }
  return documents;
}

// An open session that always has a document left for the next scan.
class Session {
public:
  Session() : size_(HopperSize()) { Reopen(); }
  ~Session() { MIRBExit(); }

  // Called before every scan; reopening is kept out of the timing.
  void Feed(benchmark::State &state) {
    if (left_ == 0) {
      state.PauseTiming();
      Reopen();
      state.ResumeTiming();
    }
    --left_;
  }

private:
  void Reopen() {
    MIRBExit();
    if (MIRBInit() != 0) {
      std::fprintf(stderr, "lib_bench: the virtual scanner does not open\n");
      std::exit(1);
    }
    left_ = size_;
  }

  int size_;
  int left_ = 0;
};

Session &OpenSession() {
  static Session session;
  return session;
}

void Status(benchmark::State &state) {
  OpenSession();
  for (auto _ : state) {
    benchmark::DoNotOptimize(MIRBStatus());
  }
}
BENCHMARK(Status);

void GetParam(benchmark::State &state) {
  OpenSession();
  for (auto _ : state) {
    benchmark::DoNotOptimize(MIRBGetParam(0));
  }
}
BENCHMARK(GetParam);

// Both sides as Group 4 TIFF files, with the code line, as the bridge's
// MirbScan asks for them.
void ScanToFiles(benchmark::State &state) {
  Session &session = OpenSession();
  const char *scratch = std::getenv("QELBENCH_SCRATCH");
  const std::filesystem::path folder =
      (scratch != nullptr && *scratch != '\0'
           ? std::filesystem::path(scratch)
           : std::filesystem::temp_directory_path()) /
      ("lib-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string front = (folder / "front.tif").string();
  const std::string back = (folder / "back.tif").string();
  char frontLen[32], backLen[32], micr[256], micrLen[32];
  for (auto _ : state) {
    session.Feed(state);
    benchmark::DoNotOptimize(MIRBScan(0, front.c_str(), frontLen, back.c_str(),
                                      backLen, micr, micrLen));
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(ScanToFiles)->Unit(benchmark::kMicrosecond);

void ScanMemory(benchmark::State &state) {
  Session &session = OpenSession();
  std::vector<unsigned char> front(kImageBytes), back(kImageBytes);
  int frontLen = 0, backLen = 0, micrLen = 0;
  char micr[256];
  for (auto _ : state) {
    session.Feed(state);
    benchmark::DoNotOptimize(MIRBScanMemory(0, front.data(), &frontLen,
                                            back.data(), &backLen, micr,
                                            &micrLen));
  }
}
BENCHMARK(ScanMemory)->Unit(benchmark::kMicrosecond);

// The library's part of QelScanToMemory: four images named by memory
// descriptors, then each one's length asked for.
void FullScanToMemory(benchmark::State &state) {
  Session &session = OpenSession();
  std::vector<std::vector<unsigned char>> buffers(
      4, std::vector<unsigned char>(kImageBytes));
  char descriptors[4][32];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(descriptors[i], sizeof descriptors[i], "MD:%llu",
                  static_cast<unsigned long long>(
                      reinterpret_cast<std::uintptr_t>(buffers[i].data())));
  }
  char micr[256];
  int quality = 0, contrast = 0, docStatus[32];
  for (auto _ : state) {
    session.Feed(state);
    benchmark::DoNotOptimize(QELScan(descriptors[0], descriptors[1],
                                     descriptors[2], descriptors[3], micr,
                                     &quality, &contrast, docStatus));
    for (auto &buffer : buffers) {
      benchmark::DoNotOptimize(QELGetMemoryImageLength(buffer.data()));
    }
  }
}
BENCHMARK(FullScanToMemory)->Unit(benchmark::kMicrosecond);

// One copy of four 1 MiB images: the yardstick for an extra image copy.
void CopyFourImages(benchmark::State &state) {
  std::vector<std::vector<unsigned char>> from(
      4, std::vector<unsigned char>(kImageBytes, 0x5A));
  std::vector<std::vector<unsigned char>> to(
      4, std::vector<unsigned char>(kImageBytes));
  for (auto _ : state) {
    for (int i = 0; i < 4; ++i) {
      std::memcpy(to[i].data(), from[i].data(), kImageBytes);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(CopyFourImages)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
