// What tracing costs a call: a log line with the files absent (the usual
// case in a branch), with them present, and the pieces the log contract
// demands of every line (one reading of the clock, one existence test per
// file), so that the log's own overhead can be told from them. Uses only
// what every version of bridge/log.h declares, so that the same program
// measures an older log.cpp too. An operator's log files are moved aside
// for the run and put back afterwards.
#include <benchmark/benchmark.h>

#include <cstdio>
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
void SetLogs(bool on) { SetLogs(on, on); }

// The contract's pieces, each alone.

void ClockRead(benchmark::State &state) {
  for (auto _ : state) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    benchmark::DoNotOptimize(now);
  }
}
BENCHMARK(ClockRead);

// Turning a reading into the local date and time of the stamp.
void LocalTimeConversion(benchmark::State &state) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  for (auto _ : state) {
    std::tm local;
    benchmark::DoNotOptimize(localtime_r(&now.tv_sec, &local));
  }
}
BENCHMARK(LocalTimeConversion);

void ReadLocalTime(benchmark::State &state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(qel::ReadLocalTime());
  }
}
BENCHMARK(ReadLocalTime);

// The entry as it is appended: the stamp's fields and the text.
void FormatEntry(benchmark::State &state) {
  const qel::LocalTime time = qel::ReadLocalTime();
  char entry[512];
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        qel::FormatLogEntry(entry, sizeof entry, time, kCallLine));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(FormatEntry);

void FileExistsAbsent(benchmark::State &state) {
  SetLogs(false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(qel::FileExists(qel::InfoLogPath()));
  }
}
BENCHMARK(FileExistsAbsent);

void FileExistsPresent(benchmark::State &state) {
  SetLogs(true);
  for (auto _ : state) {
    benchmark::DoNotOptimize(qel::FileExists(qel::InfoLogPath()));
  }
  SetLogs(false);
}
BENCHMARK(FileExistsPresent);

// Trace lines with the files absent.

void LogInfoAbsent(benchmark::State &state) {
  SetLogs(false);
  for (auto _ : state) {
    qel::LogInfo(kCallLine);
  }
}
BENCHMARK(LogInfoAbsent);

void LogBothAbsent(benchmark::State &state) {
  SetLogs(false);
  for (auto _ : state) {
    qel::LogBoth(kCallLine);
  }
}
BENCHMARK(LogBothAbsent);

// A traced value, as the exports write their outputs.
void LogInfoFormattedAbsent(benchmark::State &state) {
  SetLogs(false);
  for (auto _ : state) {
    qel::LogInfoFormatted("iDocStatus[%d]= %d", 17, 4294967);
  }
}
BENCHMARK(LogInfoFormattedAbsent);

void FormatAndLogAbsent(benchmark::State &state) {
  SetLogs(false);
  qel::Text acLog;
  for (auto _ : state) {
    qel::FormatText(acLog, "DocumentNumber = %u", 4294967295u);
    qel::LogInfo(acLog);
  }
}
BENCHMARK(FormatAndLogAbsent);

// Trace lines with the files present: each is appended to the file.

void LogInfoPresent(benchmark::State &state) {
  SetLogs(true, false);
  for (auto _ : state) {
    qel::LogInfo(kCallLine);
  }
  SetLogs(false);
}
BENCHMARK(LogInfoPresent);

void LogBothPresent(benchmark::State &state) {
  SetLogs(true);
  for (auto _ : state) {
    qel::LogBoth(kCallLine);
  }
  SetLogs(false);
}
BENCHMARK(LogBothPresent);

void LogInfoFormattedPresent(benchmark::State &state) {
  SetLogs(true, false);
  for (auto _ : state) {
    qel::LogInfoFormatted("iDocStatus[%d]= %d", 17, 4294967);
  }
  SetLogs(false);
}
BENCHMARK(LogInfoFormattedPresent);

// The same bytes as one LogInfo line, appended by plain C: the least a
// present file can cost, open, one write and close.
void AppendLineInC(benchmark::State &state) {
  SetLogs(true, false);
  char entry[512];
  qel::FormatLogEntry(entry, sizeof entry, qel::ReadLocalTime(), kCallLine);
  const std::size_t length = std::strlen(entry);
  for (auto _ : state) {
    const int file =
        open(qel::InfoLogPath(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    benchmark::DoNotOptimize(write(file, entry, length));
    close(file);
  }
  SetLogs(false);
}
BENCHMARK(AppendLineInC);

// What the contract asks of a present file's line, in plain C: the
// existence test, then the append.
void TestAndAppendInC(benchmark::State &state) {
  SetLogs(true, false);
  char entry[512];
  qel::FormatLogEntry(entry, sizeof entry, qel::ReadLocalTime(), kCallLine);
  const std::size_t length = std::strlen(entry);
  for (auto _ : state) {
    struct stat status;
    benchmark::DoNotOptimize(stat(qel::InfoLogPath(), &status));
    const int file =
        open(qel::InfoLogPath(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    benchmark::DoNotOptimize(write(file, entry, length));
    close(file);
  }
  SetLogs(false);
}
BENCHMARK(TestAndAppendInC);

// An operator's log files are moved aside for the run and put back after it.
class LogFilesAside {
public:
  LogFilesAside() {
    for (const char *path : {qel::InfoLogPath(), qel::ErrorLogPath()}) {
      const std::filesystem::path file = path;
      const std::filesystem::path backup = Backup(file);
      if (std::filesystem::exists(backup)) {
        std::fprintf(stderr,
                     "%s is left from an interrupted bench run: put it back as "
                     "%s or delete it\n",
                     backup.c_str(), file.c_str());
        ok_ = false;
        return;
      }
    }
    for (const char *path : {qel::InfoLogPath(), qel::ErrorLogPath()}) {
      if (std::filesystem::exists(path)) {
        std::filesystem::rename(path, Backup(path));
      }
    }
  }
  ~LogFilesAside() {
    if (!ok_) {
      return;
    }
    SetLogs(false);
    for (const char *path : {qel::InfoLogPath(), qel::ErrorLogPath()}) {
      if (std::filesystem::exists(Backup(path))) {
        std::filesystem::rename(Backup(path), path);
      }
    }
  }
  LogFilesAside(const LogFilesAside &) = delete;
  LogFilesAside &operator=(const LogFilesAside &) = delete;
  bool ok() const { return ok_; }

private:
  static std::filesystem::path Backup(const std::filesystem::path &file) {
    return file.string() + ".qelbench-backup";
  }
  bool ok_ = true;
};

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  const LogFilesAside aside;
  if (!aside.ok()) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
