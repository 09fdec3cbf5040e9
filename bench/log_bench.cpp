// What tracing costs a call: a log line with the files absent (the usual
// case in a branch), with them present, and the pieces the log contract
// demands of every line (one reading of the clock, one existence test per
// file), so that the log's own overhead can be told from them. Run in the
// bench's own log folder, whose files it creates and deletes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bridge/log.h"

namespace {

constexpr char kCallLine[] = "Calling Java_QelScan_QelScanApi_MirbStatus()";

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

} // namespace

int main(int argc, char **argv) {
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
  Add("FileExistsAbsent", false, false, [] {
    benchmark::DoNotOptimize(qel::FileExists(qel::InfoLogPath()));
  });
  Add("FileExistsPresent", true, true, [] {
    benchmark::DoNotOptimize(qel::FileExists(qel::InfoLogPath()));
  });

  // Trace lines with the files absent, then present (each line appended
  // to its file). A traced value is what the exports write of their
  // outputs.
  Add("LogInfoAbsent", false, false, [] { qel::LogInfo(kCallLine); });
  Add("LogBothAbsent", false, false, [] { qel::LogBoth(kCallLine); });
  Add("LogInfoFormattedAbsent", false, false, [] {
    qel::LogInfoFormatted("iDocStatus[%d]= %d", 17, 4294967);
  });
  Add("LogInfoPresent", true, false, [] { qel::LogInfo(kCallLine); });
  Add("LogBothPresent", true, true, [] { qel::LogBoth(kCallLine); });
  Add("LogInfoFormattedPresent", true, false, [] {
    qel::LogInfoFormatted("iDocStatus[%d]= %d", 17, 4294967);
  });

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

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
