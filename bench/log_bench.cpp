// What tracing costs a call: a log line with the files absent (the usual
// case in a branch), with them present, and a whole session export.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bridge/log.h"

namespace {

void SetLogs(bool on) {
  std::error_code ignored;
  for (const char *path : {qel::InfoLogPath(), qel::ErrorLogPath()}) {
    std::filesystem::remove(path, ignored);
    if (on) {
      std::ofstream(path).flush();
    }
  }
}

void LogInfoAbsent(benchmark::State &state) {
  SetLogs(false);
  for (auto _ : state) {
    qel::LogInfo("Calling Java_QelScan_QelScanApi_MirbStatus()");
  }
}
BENCHMARK(LogInfoAbsent);

void LogBothAbsent(benchmark::State &state) {
  SetLogs(false);
  for (auto _ : state) {
    qel::LogBoth("Calling Java_QelScan_QelScanApi_MirbStatus()");
  }
}
BENCHMARK(LogBothAbsent);

void LogBothPresent(benchmark::State &state) {
  SetLogs(true);
  for (auto _ : state) {
    qel::LogBoth("Calling Java_QelScan_QelScanApi_MirbStatus()");
  }
  SetLogs(false);
}
BENCHMARK(LogBothPresent);

void FormatAndLogAbsent(benchmark::State &state) {
  SetLogs(false);
  qel::Text acLog;
  for (auto _ : state) {
    qel::FormatText(acLog, "DocumentNumber = %u", 4294967295u);
    qel::LogInfo(acLog);
  }
}
BENCHMARK(FormatAndLogAbsent);

} // namespace

BENCHMARK_MAIN();
