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
#include <string>
#include <vector>

#include "scannerlib/mirbap32.h"

namespace {

constexpr std::size_t kImageBytes = 1048576;
constexpr int kNoDocument = -102; // the virtual scanner's empty hopper

void Reopen() {
  MIRBExit();
  if (MIRBInit() != 0) {
    std::fprintf(stderr, "lib_bench: the virtual scanner does not open\n");
    std::exit(1);
  }
}

// Times SCAN over and over; an empty hopper is filled again untimed, and
// any other failure ends the benchmark with an error.
template <typename Scan> void Scans(benchmark::State &state, Scan scan) {
  Reopen();
  for (auto _ : state) {
    int result = scan();
    if (result == kNoDocument) {
      state.PauseTiming();
      Reopen();
      state.ResumeTiming();
      result = scan();
    }
    if (result != 0) {
      state.SkipWithError("a scan failed");
      break;
    }
  }
}

void Status(benchmark::State &state) {
  Reopen();
  for (auto _ : state) {
    benchmark::DoNotOptimize(MIRBStatus());
  }
}
BENCHMARK(Status);

void GetParam(benchmark::State &state) {
  Reopen();
  for (auto _ : state) {
    benchmark::DoNotOptimize(MIRBGetParam(0));
  }
}
BENCHMARK(GetParam);

// Both sides as Group 4 TIFF files, with the code line, as the bridge's
// MirbScan asks for them.
void ScanToFiles(benchmark::State &state) {
  const char *scratch = std::getenv("QELBENCH_SCRATCH");
  const std::string folder = scratch != nullptr ? scratch : P_tmpdir;
  const std::string front = folder + "/lib-bench-front.tif";
  const std::string back = folder + "/lib-bench-back.tif";
  char frontLen[32], backLen[32], micr[256], micrLen[32];
  Scans(state, [&] {
    return MIRBScan(0, front.c_str(), frontLen, back.c_str(), backLen, micr,
                    micrLen);
  });
  std::remove(front.c_str());
  std::remove(back.c_str());
}
BENCHMARK(ScanToFiles)->Unit(benchmark::kMicrosecond);

void ScanMemory(benchmark::State &state) {
  std::vector<unsigned char> front(kImageBytes), back(kImageBytes);
  int frontLen = 0, backLen = 0, micrLen = 0;
  char micr[256];
  Scans(state, [&] {
    return MIRBScanMemory(0, front.data(), &frontLen, back.data(), &backLen,
                          micr, &micrLen);
  });
}
BENCHMARK(ScanMemory)->Unit(benchmark::kMicrosecond);

// The library's part of QelScanToMemory: four images named by memory
// descriptors, then each one's length asked for.
void FullScanToMemory(benchmark::State &state) {
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
  Scans(state, [&] {
    const int result = QELScan(descriptors[0], descriptors[1], descriptors[2],
                               descriptors[3], micr, &quality, &contrast,
                               docStatus);
    for (auto &buffer : buffers) {
      benchmark::DoNotOptimize(QELGetMemoryImageLength(buffer.data()));
    }
    return result;
  });
}
BENCHMARK(FullScanToMemory)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
