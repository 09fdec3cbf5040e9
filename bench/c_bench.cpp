// The C side of the bench, with no virtual machine and no bridge: the log's
// lines with the files absent (the usual case) and present, against the
// pieces the log contract demands of every line (one reading of the clock,
// one existence test per file); and the scanner library's own share of a
// bridge call. Runs in the bench's own log folder, whose files it creates
// and deletes. Set MIRB_VIRTUAL_HOPPER to a file of many documents, and
// QELBENCH_SCRATCH to a folder for the scanned files (else /tmp).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bridge/log.h"
#include "scannerlib/mirbap32.h"

namespace {

constexpr char kCallLine[] = "Calling Java_QelScan_QelScanApi_MirbStatus()";
constexpr std::size_t kImageBytes = 1048576;
constexpr int kNoDocument = -102; // the virtual scanner's empty hopper

void SetLogs(bool info, bool error) {
  std::error_code ignored;
  const bool on[] = {info, error};
  const char *paths[] = {qel::InfoLogPath(), qel::ErrorLogPath()};
  for (int i = 0; i < 2; ++i) {
    std::filesystem::remove(paths[i], ignored);
    if (on[i]) {
      std::ofstream(paths[i]).flush();
    }
  }
}

// Registers NAME: STEP timed over and over with the information log and
// the error log present or absent as said.
template <typename Step>
void Add(const char *name, bool info, bool error, Step step) {
  benchmark::RegisterBenchmark(name, [=](benchmark::State &state) {
    SetLogs(info, error);
    for (auto _ : state) {
      step();
    }
    SetLogs(false, false);
  });
}

// The same bytes as one LogInfo line, appended by plain C: the least a
// present file can cost, open, one write and close.
void AppendLine(const char *entry, std::size_t length) {
  const int file =
      open(qel::InfoLogPath(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
  benchmark::DoNotOptimize(write(file, entry, length));
  close(file);
}

void AddLogPieces() {
  // The contract's pieces, each alone.
  Add("ClockRead", false, false, [] {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    benchmark::DoNotOptimize(now);
  });
  // Turning a reading into the local date and time of the stamp.
  timespec reading;
  clock_gettime(CLOCK_REALTIME, &reading);
  Add("LocalTimeConversion", false, false, [reading] {
    std::tm local;
    benchmark::DoNotOptimize(localtime_r(&reading.tv_sec, &local));
  });
  // The entry as it is appended: the stamp's fields and the text.
  const qel::LocalTime time = qel::ReadLocalTime();
  Add("FormatEntry", false, false, [time] {
    char entry[512];
    benchmark::DoNotOptimize(
        qel::FormatLogEntry(entry, sizeof entry, time, kCallLine));
    benchmark::ClobberMemory();
  });
  Add("FileExistsAbsent", false, false,
      [] { benchmark::DoNotOptimize(qel::FileExists(qel::InfoLogPath())); });
  Add("FileExistsPresent", true, true,
      [] { benchmark::DoNotOptimize(qel::FileExists(qel::InfoLogPath())); });

  // Trace lines with the files absent, then present (each line appended
  // to its file). A traced value is what the exports write of their
  // outputs.
  Add("LogInfoAbsent", false, false, [] { qel::LogInfo(kCallLine); });
  Add("LogBothAbsent", false, false, [] { qel::LogBoth(kCallLine); });
  Add("LogInfoFormattedAbsent", false, false,
      [] { qel::LogInfoFormatted("iDocStatus[%d]= %d", 17, 4294967); });
  Add("LogInfoPresent", true, false, [] { qel::LogInfo(kCallLine); });
  Add("LogBothPresent", true, true, [] { qel::LogBoth(kCallLine); });
  Add("LogInfoFormattedPresent", true, false,
      [] { qel::LogInfoFormatted("iDocStatus[%d]= %d", 17, 4294967); });

  // A present file's line in plain C: the append alone, and the existence
  // test the contract puts before it, then the append.
  static char entry[512];
  qel::FormatLogEntry(entry, sizeof entry, time, kCallLine);
  const std::size_t length = std::strlen(entry);
  Add("AppendLineInC", true, false, [length] { AppendLine(entry, length); });
  Add("TestAndAppendInC", true, false, [length] {
    struct stat status;
    benchmark::DoNotOptimize(stat(qel::InfoLogPath(), &status));
    AppendLine(entry, length);
  });
}

void Reopen() {
  MIRBExit();
  if (MIRBInit() != 0) {
    std::fprintf(stderr, "c_bench: the virtual scanner does not open\n");
    std::exit(1);
  }
}

// Registers NAME: CALL of the library timed over and over. For a scan an
// empty hopper is filled again untimed, and any other failure ends the
// benchmark with an error.
template <typename Call> void AddEntry(const char *name, Call call) {
  benchmark::RegisterBenchmark(name, [=](benchmark::State &state) {
    Reopen();
    for (auto _ : state) {
      int result = call();
      if (result == kNoDocument) {
        state.PauseTiming();
        Reopen();
        state.ResumeTiming();
        result = call();
      }
      if (result != 0) {
        state.SkipWithError("a call failed");
        break;
      }
    }
  });
}

void AddLibraryEntries() {
  AddEntry("Status", [] {
    benchmark::DoNotOptimize(MIRBStatus());
    return 0;
  });
  AddEntry("GetParam", [] {
    benchmark::DoNotOptimize(MIRBGetParam(0));
    return 0;
  });

  // Both sides as Group 4 TIFF files, with the code line, as the bridge's
  // MirbScan asks for them.
  const char *scratch = std::getenv("QELBENCH_SCRATCH");
  const std::string folder = scratch != nullptr ? scratch : P_tmpdir;
  const std::string front = folder + "/c-bench-front.tif";
  const std::string back = folder + "/c-bench-back.tif";
  AddEntry("ScanToFiles", [front, back] {
    char frontLen[32], backLen[32], micr[256], micrLen[32];
    return MIRBScan(0, front.c_str(), frontLen, back.c_str(), backLen, micr,
                    micrLen);
  });

  static unsigned char images[4][kImageBytes];
  AddEntry("ScanMemory", [] {
    int frontLen = 0, backLen = 0, micrLen = 0;
    char micr[256];
    return MIRBScanMemory(0, images[0], &frontLen, images[1], &backLen, micr,
                          &micrLen);
  });

  // The library's part of QelScanToMemory: four images named by memory
  // descriptors, then each one's length asked for.
  static char descriptors[4][32];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(descriptors[i], sizeof descriptors[i], "MD:%llu",
                  static_cast<unsigned long long>(
                      reinterpret_cast<std::uintptr_t>(images[i])));
  }
  AddEntry("FullScanToMemory", [] {
    char micr[256];
    int quality = 0, contrast = 0, docStatus[32];
    const int result =
        QELScan(descriptors[0], descriptors[1], descriptors[2], descriptors[3],
                micr, &quality, &contrast, docStatus);
    for (auto &image : images) {
      benchmark::DoNotOptimize(QELGetMemoryImageLength(image));
    }
    return result;
  });
}

} // namespace

int main(int argc, char **argv) {
  AddLogPieces();
  AddLibraryEntries();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
