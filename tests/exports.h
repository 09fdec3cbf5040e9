// How the tests reach the bridge's exports. On Linux they are linked in; on
// 32-bit Windows the tests load the real QELScanner.dll and look every
// export up by its stdcall-decorated name, as the virtual machine does, so
// a wrong name or argument size fails here.
#ifndef QELSCANNER_TESTS_EXPORTS_H
#define QELSCANNER_TESTS_EXPORTS_H

#include "QelScan_QelScanApi.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qeltest {

// Argument bytes of a stdcall function: each argument takes at least 4.
template <typename Result, typename... Args>
constexpr int ArgumentBytes(Result(JNICALL *)(Args...)) {
  return (0 + ... + static_cast<int>((sizeof(Args) + 3) / 4 * 4));
}

HMODULE Bridge();

template <typename Function> Function Export(const char *method) {
#if defined(_WIN64)
  // x64 has one calling convention, and its names no decoration.
  const std::string name = std::string("Java_QelScan_QelScanApi_") + method;
#else
  const std::string name = std::string("_Java_QelScan_QelScanApi_") + method +
                           "@" + std::to_string(ArgumentBytes(Function{}));
#endif
  FARPROC found = GetProcAddress(Bridge(), name.c_str());
  if (found == nullptr) {
    std::fprintf(stderr, "QELScanner.dll does not export %s\n", name.c_str());
    std::abort();
  }
  return reinterpret_cast<Function>(reinterpret_cast<void *>(found));
}

} // namespace qeltest

#define QEL_EXPORT(method)                                                     \
  (::qeltest::Export<decltype(&Java_QelScan_QelScanApi_##method)>(#method))
#else
#define QEL_EXPORT(method) Java_QelScan_QelScanApi_##method
#endif

#endif
